// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Poor terminals still play: without cursor addressing the program says so
// in one line; 8 colours, no colours and a locale that is not UTF-8 each
// get their stand-ins; floods and garbage on the input never crash it or
// leak escape bytes as keys.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "tests/e2e/terminal_e2e_support.h"
#include "tests/support/temp_dir.h"

namespace patrulha::testing {
namespace {

using std::chrono::seconds;

// The term probe's cell for a code, "acs:" in front where it was drawn from
// the line-drawing set: rows 1 to 16, columns 1, 3, .. 31.
std::string probe_cell(const std::vector<std::vector<ShownCell>>& screen, int code) {
    const ShownCell cell = cell_at(screen, 1 + 2 * (code % 16), 1 + code / 16);
    return (cell.acs ? "acs:" : "") + cell.glyph;
}

// The codes of every kind of playfield occupant: the three ships, the
// asteroid, the four enemies, the extra life, the player's and the enemy's
// shots.
constexpr int kOccupants[] = {5, 6, 190, 219, 31, 4, 2, 15, 3, 127, 111};

TEST(TerminalKindsE2E, TerminalsThatCannotBeDrivenAreRefusedInOneLine) {
    for (const std::string term : {"TERM=", "TERM=dumb", "TERM=no-such-terminal"}) {
        SCOPED_TRACE(term);
        const TempDir d;
        const std::string e = d.file("err");
        TmuxSession s(kPatrulha + " 2>" + e + "; echo STATUS=$? LINES=$(wc -l < " + e + "); cat " +
                          e + "; exec cat",
                      {term});
        ASSERT_TRUE(s.wait_for_text("LINES=")) << s.capture();
        const std::string screen = trim_lines(s.capture());
        EXPECT_NE(screen.find("STATUS=1 LINES=1\npatrulha: "), std::string::npos) << screen;
        EXPECT_FALSE(s.alternate_screen());
    }
}

TEST(TerminalKindsE2E, OutOfFileDescriptorsSaysSoInOneLine) {
    // Four descriptors leave none for the signals' pipe; five leave none
    // for reading the terminal's description, which is still a known one.
    for (const int limit : {4, 5}) {
        SCOPED_TRACE(limit);
        const TempDir d;
        const std::string e = d.file("err");
        TmuxSession s("(ulimit -n " + std::to_string(limit) + " && exec " + kPatrulha + ") 2>" + e +
                          "; echo STATUS=$? LINES=$(wc -l < " + e + "); cat " + e + "; exec cat",
                      {}, 200, 42);  // wide enough for the message on one row
        ASSERT_TRUE(s.wait_for_text("LINES=")) << s.capture();
        const std::string screen = trim_lines(s.capture());
        EXPECT_NE(screen.find("STATUS=1 LINES=1\npatrulha: "), std::string::npos) << screen;
        EXPECT_NE(screen.find(std::strerror(EMFILE)), std::string::npos) << screen;
        EXPECT_EQ(screen.find("unknown terminal"), std::string::npos) << screen;
        EXPECT_FALSE(s.alternate_screen());
    }
}

TEST(TerminalKindsE2E, EightColoursShowBrightForegroundsBoldAndBrightBackgroundsDark) {
    TmuxSession s(kTermProbe, {"TERM=xterm"});
    ASSERT_TRUE(s.wait_until(term_probe_drawn)) << s.capture();
    const std::string screen = s.capture(true);
    // No colour beyond the eight: no SGR 90-97 or 100-107, no 256 colours.
    EXPECT_EQ(screen.find("\033[9"), std::string::npos);
    EXPECT_EQ(screen.find("\033[10"), std::string::npos);
    EXPECT_EQ(screen.find("38;5;"), std::string::npos);
    // Row 18, black background: the eight bright foregrounds come bold,
    // the eight dark ones do not.
    const auto cells = parse_capture(screen);
    for (int fg = 0; fg < 16; ++fg)
        EXPECT_EQ(cell_at(cells, 1 + 2 * fg, 18).bold, fg >= 8) << "foreground " << fg;
    // Row 30, light red background: shown on red.
    EXPECT_NE(row_of(screen, 30).find("41m"), std::string::npos) << row_of(screen, 30);
}

TEST(TerminalKindsE2E, WithoutColoursBackgroundsShowInReverseVideo) {
    TmuxSession s(kTermProbe, {"TERM=vt100"});
    ASSERT_TRUE(s.wait_until(term_probe_drawn)) << s.capture();
    const std::string screen = s.capture(true);
    // No colour codes at all: every SGR parameter is 0, 1 (bold), 7
    // (reverse) or a return to the default colours (39, 49).
    for (std::size_t at = screen.find("\033["); at != std::string::npos;
         at = screen.find("\033[", at + 1)) {
        const std::size_t end = screen.find('m', at);
        std::istringstream parameters(screen.substr(at + 2, end - at - 2));
        std::string p;
        while (std::getline(parameters, p, ';'))
            EXPECT_TRUE(p == "" || p == "0" || p == "1" || p == "7" || p == "39" || p == "49")
                << "SGR " << p;
    }
    EXPECT_EQ(row_of(screen, 18).find("\033[7m"), std::string::npos) << "black background";
    for (int y = 19; y <= 33; ++y)
        EXPECT_NE(row_of(screen, y).find("\033[7m"), std::string::npos) << "row " << y;
}

TEST(TerminalKindsE2E, ANonUtf8LocaleKeepsEveryOccupantDistinct) {
    struct Case {
        std::string term;
        std::string asteroid, diamond;  // as the terminal's line-drawing set allows
    };
    for (const Case& c : {Case{"TERM=tmux-256color", "acs:0", "acs:`"},
                          Case{"TERM=xterm", "#", "acs:`"}, Case{"TERM=xterm-r5", "#", "%"}}) {
        SCOPED_TRACE(c.term);
        TmuxSession s(kTermProbe, {c.term, "LANG=C"});
        ASSERT_TRUE(s.wait_until(term_probe_drawn)) << s.capture();
        const auto screen = parse_capture(s.capture(true));
        std::set<std::string> seen;
        for (const int code : kOccupants) {
            const std::string cell = probe_cell(screen, code);
            EXPECT_NE(cell, "") << code;
            EXPECT_NE(cell, " ") << code;
            EXPECT_NE(cell, "?") << code;
            EXPECT_TRUE(seen.insert(cell).second)
                << "code " << code << " looks like another: " << cell;
        }
        // Nothing but ASCII reaches the terminal.
        for (int code = 1; code < 255; ++code) {  // 255, a blank, ends its row
            const std::string cell = probe_cell(screen, code);
            const std::string shown = cell.rfind("acs:", 0) == 0 ? cell.substr(4) : cell;
            ASSERT_EQ(shown.size(), 1u) << "code " << code << ": " << cell;
            EXPECT_GE(shown[0], 32) << code;
            EXPECT_LE(shown[0], 126) << code;
        }
        EXPECT_EQ(probe_cell(screen, 219), c.asteroid);
        EXPECT_EQ(probe_cell(screen, 4), c.diamond);
        EXPECT_EQ(probe_cell(screen, 130), "e") << "accents dropped";
        EXPECT_EQ(probe_cell(screen, 'A'), "A");
    }
}

TEST(TerminalKindsE2E, ThePlayerCanPlayAndQuitOnPoorTerminals) {
    for (const auto& environment :
         std::vector<std::vector<std::string>>{{"TERM=xterm"},
                                               {"TERM=vt100"},
                                               {"LANG=C"},
                                               {"TERM=xterm-r5", "LANG=C"},
                                               {"TERM=screen"},
                                               {"TERM=linux"},
                                               {"TERM=xterm-256color"}}) {
        SCOPED_TRACE(environment.front());
        TmuxSession s(recorded(kPatrulha), environment);
        ASSERT_TRUE(wait_until_taken_over(s, command_of(kPatrulha))) << s.capture();
        s.send_keys({"Escape"});
        ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
        EXPECT_NE(s.capture().find("ENDED signal=0 status=0"), std::string::npos) << s.capture();
        EXPECT_NE(s.capture().find("TTY-SAME"), std::string::npos) << s.capture();
        EXPECT_EQ(pane_modes(s), kModesGivenBack);
    }
}

// The codes the term probe has echoed, in order, as far as rows 36 to 42
// show them. The console wraps them from row to row and scrolls them up, so
// the rows are read as one text; a first code cut by the scroll is dropped
// once the echo fills the screen.
std::vector<int> echoed(const std::string& screen) {
    std::istringstream in(screen);
    std::string line, text;
    for (int y = 1; std::getline(in, line); ++y)
        if (y >= 36) text += line.substr(0, 80);
    std::istringstream words(text);
    std::vector<int> codes;
    int code;
    while (words >> code) codes.push_back(code);
    if (screen.find("keys:") == std::string::npos && !codes.empty()) codes.erase(codes.begin());
    return codes;
}

bool ends_with(const std::vector<int>& codes, const std::vector<int>& tail) {
    return codes.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), codes.end() - static_cast<long>(tail.size()));
}

TEST(TerminalKindsE2E, GarbageOnTheInputNeverArrivesAsKeys) {
    TmuxSession s(kTermProbe);
    ASSERT_TRUE(s.wait_until(term_probe_drawn)) << s.capture();
    s.send_keys({"M"});
    // Invalid UTF-8, an unknown control sequence, an operating system
    // command, a truncated UTF-8 character.
    s.tmux({"send-keys", "-t", s.target(), "-H", "ff", "fe", "80", "c3", "c3"});
    s.send_text("\033[99;99;99~\033]0;title\007");
    s.tmux({"send-keys", "-t", s.target(), "-H", "e2", "82"});
    // The marker on its own, once the garbage is read and the terminal
    // library has stopped waiting for the rest of the truncated character
    // (it drops a key that comes while it still waits). The pause is the
    // length of the stimulus, not a wait for a result.
    ASSERT_TRUE(wait_until([&] { return s.input_taken(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    s.send_keys({"N"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return ends_with(echoed(screen), {78});
    })) << s.capture();
    EXPECT_EQ(echoed(s.capture()), (std::vector<int>{77, 78})) << s.capture();
}

TEST(TerminalKindsE2E, FloodsOfKeysArriveWholeAndNeverCrash) {
    TmuxSession s(kTermProbe);
    ASSERT_TRUE(s.wait_until(term_probe_drawn)) << s.capture();
    // Six thousand pasted characters, then a thousand cursor keys as the
    // terminal sends them, then a marker.
    const TempDir dir;
    const std::string file = dir.file("flood");
    {
        std::ofstream out(file);
        for (int i = 0; i < 2000; ++i) out << "abc";
        for (int i = 0; i < 1000; ++i) out << "\033OA";  // Up, in keypad mode
    }
    s.tmux({"load-buffer", file});
    s.tmux({"paste-buffer", "-t", s.target()});
    // A Q typed while the type-ahead is still full is dropped with the rest
    // of the flood: typed again until one arrives.
    bool arrived = false;
    for (int attempt = 0; attempt < 15 && !arrived; ++attempt) {
        s.send_keys({"Q"});
        arrived = s.wait_until(
            [](const std::string& screen) { return ends_with(echoed(screen), {81}); }, seconds(2));
    }
    ASSERT_TRUE(arrived) << s.capture();
    EXPECT_FALSE(s.ended());
    // What the type-ahead could not hold was dropped, whole keys at a time:
    // an up key is always both its codes, and nothing else came but the
    // pasted letters and the Q typed after them.
    const std::vector<int> codes = echoed(s.capture());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const int code = codes[i];
        EXPECT_TRUE(code == 97 || code == 98 || code == 99 || code == 224 || code == 72 ||
                    code == 81)
            << code;
        if (code == 224 && i + 1 < codes.size()) {
            EXPECT_EQ(codes[i + 1], 72) << s.capture();
        }
    }
}

}  // namespace
}  // namespace patrulha::testing
