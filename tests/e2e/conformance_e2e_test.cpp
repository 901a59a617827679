// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The terminal backend in a real terminal: the probe program draws every
// code and every colour pair through the console library inside tmux, and
// echoes the codes of the keys it decodes. The screen is read back with its
// colour sequences and compared with the console font and palette.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/terminal_e2e_support.h"

namespace patrulha::testing {
namespace {

const std::string kProbe = TERM_PROBE_BINARY;

// ==== What the console shows ====

// The console font: codes 0 to 255 as the characters a terminal shows for
// them, 16 to a line. Code 0 is blank; the soft hyphen of code 240 is drawn
// as a plain hyphen, since terminals may draw a soft hyphen as nothing.
const char* const kFont[16] = {
    " ☺☻♥♦♣♠•◘○◙♂♀♪♫☼", "►◄↕‼¶§▬↨↑↓→←∟↔▲▼",  " !\"#$%&'()*+,-./", "0123456789:;<=>?",
    "@ABCDEFGHIJKLMNO", "PQRSTUVWXYZ[\\]^_", "`abcdefghijklmno",  "pqrstuvwxyz{|}~⌂",
    "ÇüéâäàåçêëèïîìÄÅ", "ÉæÆôöòûùÿÖÜø£Ø×ƒ",  "áíóúñÑªº¿®¬½¼¡«»",  "░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐",
    "└┴┬├─┼ãÃ╚╔╩╦╠═╬¤", "ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀",  "ÓßÔÒõÕµþÞÚÛÙýÝ¯´",  "-±‗¾¶§÷¸°¨·¹³²■\u00a0",
};

std::string describe(const ShownCell& c) {
    return "'" + c.glyph + "' fg " + std::to_string(c.fg) + " bg " + std::to_string(c.bg) +
           (c.bold ? " bold" : "");
}

// The probe, started and drawn.
class Conformance : public ::testing::Test {
protected:
    // The shell ignores Ctrl-C so that it outlives the probe and reports how
    // the probe ended; the probe gets Ctrl-C with its default action, as
    // from an interactive shell (a signal ignored from the start it would
    // leave ignored).
    Conformance()
        : probe_("trap '' INT; perl -e '$SIG{INT} = \"DEFAULT\"; exec @ARGV' " + kProbe +
                 "; echo PROBE-STATUS=$?") {}

    void SetUp() override {
        ASSERT_TRUE(probe_.wait_until(term_probe_drawn)) << probe_.capture();
        screen_ = parse_capture(probe_.capture(true));
        ASSERT_GE(screen_.size(), 42u) << probe_.capture(true);
    }

    // The cell at (x, y), 1-based.
    ShownCell cell(int x, int y) const { return cell_at(screen_, x, y); }

    // The codes echoed on a screen, from row 36 on.
    static std::vector<int> echoed(const std::string& screen) {
        std::istringstream lines(screen);
        std::string line, keys;
        for (int y = 1; std::getline(lines, line); ++y)
            if (y >= 36) keys += line + " ";
        std::vector<int> codes;
        std::istringstream numbers(keys);
        for (int code; numbers >> code;) codes.push_back(code);
        return codes;
    }

    TmuxSession probe_;
    std::vector<std::vector<ShownCell>> screen_;
};

TEST_F(Conformance, EveryCodeShowsTheConsoleFontsCharacterInLightGreyOnBlack) {
    int wrong = 0;
    for (int code = 1; code < 256; ++code) {
        const int x = 1 + 2 * (code % 16), y = 1 + code / 16;
        AnsiScreen font(16, 1);
        font.feed(kFont[code / 16]);
        const std::string want = font.at(code % 16, 0).glyph;
        const ShownCell got = cell(x, y);
        const bool right = got.glyph == want && got.fg == terminal_colour(7) &&
                           got.bg == terminal_colour(0) && !got.bold;
        EXPECT_TRUE(right) << "code " << code << " at (" << x << "," << y << "): want '" << want
                           << "' fg 7 bg 0, got " << describe(got);
        if (!right && ++wrong > 10) break;
    }
    EXPECT_EQ(cell(1, 1).glyph, " ") << "code 0 is blank";
    EXPECT_EQ(cell(2, 1).glyph, " ") << "the cells between codes stay blank";
}

TEST_F(Conformance, EveryColourPairShowsItsForegroundAndBackground) {
    int wrong = 0;
    for (int bg = 0; bg < 16; ++bg)
        for (int fg = 0; fg < 16; ++fg) {
            const ShownCell got = cell(1 + 2 * fg, 18 + bg);
            const bool right = got.glyph == "X" && got.fg == terminal_colour(fg) &&
                               got.bg == terminal_colour(bg) && !got.bold;
            EXPECT_TRUE(right) << "console colours " << fg << " on " << bg << ": want fg "
                               << terminal_colour(fg) << " bg " << terminal_colour(bg) << ", got "
                               << describe(got);
            if (!right && ++wrong > 10) return;
        }
}

TEST_F(Conformance, KeysSentByTheTerminalArriveAsTheirConsoleCodes) {
    struct Press {
        std::vector<std::string> keys;  // tmux key names
        std::vector<int> codes;
    };
    const std::vector<Press> presses = {
        {{"Up"}, {224, 72}},    {{"Down"}, {224, 80}},  {{"Left"}, {224, 75}},
        {{"Right"}, {224, 77}}, {{"Home"}, {224, 71}},  {{"End"}, {224, 79}},
        {{"PPage"}, {224, 73}}, {{"NPage"}, {224, 81}}, {{"IC"}, {224, 82}},
        {{"DC"}, {224, 83}},    {{"F1"}, {0, 59}},      {{"F2"}, {0, 60}},
        {{"F3"}, {0, 61}},      {{"F4"}, {0, 62}},      {{"F5"}, {0, 63}},
        {{"F6"}, {0, 64}},      {{"F7"}, {0, 65}},      {{"F8"}, {0, 66}},
        {{"F9"}, {0, 67}},      {{"F10"}, {0, 68}},     {{"F11"}, {224, 133}},
        {{"F12"}, {224, 134}},  {{"Enter"}, {13}},      {{"BSpace"}, {8}},
        {{"Tab"}, {9}},         {{"Escape"}, {27}},     {{"z", "Z", "1"}, {'z', 'Z', '1'}},
        {{"M-x"}, {0, 45}},     {{"M-2"}, {0, 121}},    {{"Escape"}, {27}},
        {{"C-h"}, {8}},
    };
    std::vector<int> expected;
    for (const auto& press : presses) {
        probe_.send_keys(press.keys);
        expected.insert(expected.end(), press.codes.begin(), press.codes.end());
        // Each press is awaited before the next, so that an Esc stays a key
        // of its own.
        ASSERT_TRUE(probe_.wait_until([&](const std::string& screen) {
            return echoed(screen) == expected;
        })) << "after "
            << press.keys.front() << ": " << probe_.capture();
    }
    probe_.send_text("çã");
    expected.insert(expected.end(), {135, 198});
    EXPECT_TRUE(probe_.wait_until([&](const std::string& screen) {
        return echoed(screen) == expected;
    })) << "typed accented letters: "
        << probe_.capture();

    probe_.send_keys({"C-c"});
    // Where the shell's line lands on the normal screen depends on how tmux
    // restores it, so it is looked for in the history as well.
    const auto everything = [&] {
        return probe_.tmux({"capture-pane", "-p", "-S", "-", "-t", probe_.target()});
    };
    wait_until([&] { return everything().find("PROBE-STATUS=") != std::string::npos; });
    EXPECT_NE(everything().find("PROBE-STATUS=130"), std::string::npos)
        << "Ctrl-C ends the probe as an interrupt: " << everything();
    EXPECT_FALSE(probe_.alternate_screen()) << "the terminal is given back";
}

}  // namespace
}  // namespace patrulha::testing
