// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/narrow_glyphs.h"

#include <array>
#include <utility>

namespace patrulha::platform {

namespace {

// The ships are '&' (club), 'A' (spade) and 'Y' (yen); the enemies 'V'
// (down triangle), '%' or the line-drawing diamond, '@' (face) and '*'
// (sun); the extra life '+'; the asteroid '#' or the line-drawing block;
// the player's shot '^' (a shot going up, for the little house of code
// 127); the enemy shot is 'o' already. Accented letters lose their
// accents. Single-line boxes fall back on - | +; the double-line frame
// around the playfield on = and |, its corners and joints taking the
// character of the line they sit on, so that no part of it looks like the
// extra life.
constexpr char kLowAscii[] = " @@+%&A.#o#mfdd*><|!PS=|^v><L-^V";
constexpr char kHighAscii[] =
    "CueaaaaceeeiiiAA"    // 0x80
    "EaAooouuyOUoLOxf"    // 0x90
    "aiounNao?R-//!<>"    // 0xA0
    "::#|+AAAC||==cY+"    // 0xB0
    "++++-+aA====|=+*"    // 0xC0
    "dDEEEiIII++#_|I-"    // 0xD0
    "OBOOoOupPUUUyY-'"    // 0xE0
    "-+=/PS/,'\".132# ";  // 0xF0
static_assert(sizeof kLowAscii == 32 + 1 && sizeof kHighAscii == 128 + 1);

// Codes the line-drawing set shows better, with its key for each. Double
// lines become single ones: the set has no double lines.
constexpr std::pair<std::uint8_t, char> kLineDrawing[] = {
    {4, '`'},    {7, '~'},    {24, '-'},   {25, '.'},   {26, '+'},   {27, ','},
    {0x9C, '}'}, {0xB0, 'h'}, {0xB1, 'a'}, {0xB2, 'a'}, {0xB3, 'x'}, {0xB4, 'u'},
    {0xB9, 'u'}, {0xBA, 'x'}, {0xBB, 'k'}, {0xBC, 'j'}, {0xBF, 'k'}, {0xC0, 'm'},
    {0xC1, 'v'}, {0xC2, 'w'}, {0xC3, 't'}, {0xC4, 'q'}, {0xC5, 'n'}, {0xC8, 'm'},
    {0xC9, 'l'}, {0xCA, 'v'}, {0xCB, 'w'}, {0xCC, 't'}, {0xCD, 'q'}, {0xCE, 'n'},
    {0xD9, 'j'}, {0xDA, 'l'}, {0xDB, '0'}, {0xF1, 'g'}, {0xF8, 'f'}, {0xFA, '~'},
};

constexpr std::array<NarrowGlyph, 256> make_table() {
    std::array<NarrowGlyph, 256> table{};
    for (int code = 0; code < 256; ++code) {
        char ascii = static_cast<char>(code);
        if (code < 32) ascii = kLowAscii[code];
        if (code == 127) ascii = '^';
        if (code >= 128) ascii = kHighAscii[code - 128];
        table[static_cast<std::size_t>(code)] = {ascii, 0};
    }
    for (const auto& [code, key] : kLineDrawing) table[code].line_drawing = key;
    return table;
}

constexpr std::array<NarrowGlyph, 256> kTable = make_table();

}  // namespace

NarrowGlyph narrow_glyph(std::uint8_t code) {
    return kTable[code];
}

}  // namespace patrulha::platform
