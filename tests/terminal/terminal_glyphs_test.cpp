// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The stand-ins for the console's codes on a terminal whose locale is not
// UTF-8.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/cp850.h"
#include "platform/terminal/narrow_glyphs.h"

namespace patrulha::platform {
namespace {

// What a code shows as, with or without the terminal's line-drawing set.
std::string shown(std::uint8_t code, bool line_drawing) {
    const NarrowGlyph g = narrow_glyph(code);
    if (line_drawing && g.line_drawing != 0) return std::string("acs:") + g.line_drawing;
    return std::string(1, g.ascii);
}

TEST(TerminalGlyphs, EveryKindOfOccupantStaysDistinct) {
    const std::map<int, const char*> occupants = {
        {5, "ship (club)"}, {6, "ship (spade)"}, {190, "ship (yen)"}, {219, "asteroid"},
        {31, "enemy 1"},    {4, "enemy 2"},      {2, "enemy 3"},      {15, "enemy 4"},
        {3, "extra life"},  {127, "shot"},       {111, "enemy shot"},
    };
    for (const bool line_drawing : {true, false}) {
        SCOPED_TRACE(line_drawing ? "with line drawing" : "ASCII only");
        std::map<std::string, const char*> seen;
        for (const auto& [code, name] : occupants) {
            const std::string look = shown(static_cast<std::uint8_t>(code), line_drawing);
            EXPECT_NE(look, " ") << name;
            const auto [at, fresh] = seen.emplace(look, name);
            EXPECT_TRUE(fresh) << name << " looks like " << at->second << ": " << look;
        }
        // Nor does an empty cell or the frame look like an occupant.
        for (const int other : {0, 32, 205, 186, 201, 187, 200, 188, 203, 202, 204, 185})
            EXPECT_EQ(seen.count(shown(static_cast<std::uint8_t>(other), line_drawing)), 0u)
                << "code " << other;
    }
}

TEST(TerminalGlyphs, EveryCodeHasAPrintableStandIn) {
    for (int code = 0; code < 256; ++code) {
        const NarrowGlyph g = narrow_glyph(static_cast<std::uint8_t>(code));
        EXPECT_GE(g.ascii, 32) << code;
        EXPECT_LE(g.ascii, 126) << code;
        if (g.line_drawing != 0) {
            // A key of the line-drawing set: printable, as acsc lists them.
            EXPECT_GE(g.line_drawing, 32) << code;
            EXPECT_LE(g.line_drawing, 126) << code;
        }
        if (code >= 32 && code < 127) {
            EXPECT_EQ(g.ascii, code) << "ASCII is itself";
        }
    }
}

TEST(TerminalGlyphs, LettersKeepTheirBaseLetterAndBoxesTheirShape) {
    // Each accented letter of the code page shows as its letter without the
    // accent, in the same case.
    const std::map<char32_t, char> bases = {
        {U'Ç', 'C'}, {U'ü', 'u'}, {U'é', 'e'}, {U'â', 'a'}, {U'à', 'a'}, {U'ç', 'c'}, {U'ê', 'e'},
        {U'í', 'i'}, {U'ó', 'o'}, {U'ú', 'u'}, {U'ñ', 'n'}, {U'Ñ', 'N'}, {U'Á', 'A'}, {U'Â', 'A'},
        {U'À', 'A'}, {U'ã', 'a'}, {U'Ã', 'A'}, {U'Ê', 'E'}, {U'Í', 'I'}, {U'Ó', 'O'}, {U'Ô', 'O'},
        {U'õ', 'o'}, {U'Õ', 'O'}, {U'Ú', 'U'}, {U'É', 'E'}, {U'ô', 'o'}, {U'Ö', 'O'}, {U'Ü', 'U'},
    };
    for (const auto& [letter, base] : bases) {
        const auto code = unicode_to_cp850(letter);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(narrow_glyph(*code).ascii, base) << static_cast<int>(*code);
    }
    // Box drawing: lines as lines; single-line corners and joints as '+',
    // double-line ones as the line they sit on.
    EXPECT_EQ(narrow_glyph(205).ascii, '=');
    EXPECT_EQ(narrow_glyph(186).ascii, '|');
    EXPECT_EQ(narrow_glyph(196).ascii, '-');
    EXPECT_EQ(narrow_glyph(179).ascii, '|');
    for (const int joint : {218, 191, 192, 217, 195, 180, 194, 193, 197})
        EXPECT_EQ(narrow_glyph(static_cast<std::uint8_t>(joint)).ascii, '+') << joint;
    for (const int joint : {201, 187, 200, 188, 203, 202})
        EXPECT_EQ(narrow_glyph(static_cast<std::uint8_t>(joint)).ascii, '=') << joint;
    for (const int joint : {204, 185})
        EXPECT_EQ(narrow_glyph(static_cast<std::uint8_t>(joint)).ascii, '|') << joint;
    EXPECT_EQ(narrow_glyph(205).line_drawing, 'q');
    EXPECT_EQ(narrow_glyph(186).line_drawing, 'x');
    EXPECT_EQ(narrow_glyph(201).line_drawing, 'l');
    EXPECT_EQ(narrow_glyph(188).line_drawing, 'j');
}

}  // namespace
}  // namespace patrulha::platform
