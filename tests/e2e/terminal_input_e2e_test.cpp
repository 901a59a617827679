// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The terminal as players really use it: pasting far more than the game
// can take, Ctrl-S and Ctrl-Q, suspending a game started from a script,
// colours on terminals that say they have eight or sixteen, and a terminal
// without an alternate screen given back.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/e2e/terminal_e2e_support.h"
#include "tests/support/temp_dir.h"

namespace patrulha::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(TerminalInputE2E, CtrlCEndsTheProgramAtOnceAfterAMegabytePaste) {
    TmuxSession s(recorded(kFrameProbe));
    ASSERT_TRUE(s.wait_for_text("quadro 3")) << s.capture();
    const int pid = wait_for_process(s, command_of(kFrameProbe));
    ASSERT_GT(pid, 0);
    const TempDir folder;
    const std::string file = folder.path() + "/paste";
    {
        std::ofstream out(file);
        out << std::string(1 << 20, 'x');  // a key the probe does nothing with
    }
    s.tmux({"load-buffer", file});
    s.tmux({"paste-buffer", "-t", s.target()});
    s.send_keys({"C-c"});
    const auto sent = Clock::now();
    ASSERT_TRUE(wait_until_gone(pid, seconds(120))) << s.capture();
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - sent);
    EXPECT_LT(took.count(), 2000) << "from Ctrl-C to the end";
    ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
    EXPECT_NE(s.capture().find(died_by(SIGINT)), std::string::npos) << s.capture();
    EXPECT_NE(s.capture().find("TTY-SAME"), std::string::npos) << s.capture();
}

TEST(TerminalInputE2E, CtrlSAndCtrlQAreKeysAndTheScreenGoesOn) {
    TmuxSession s(recorded(kTermProbe));
    ASSERT_TRUE(s.wait_for_text("keys:")) << s.capture();
    s.send_keys({"C-s"});
    s.send_keys({"M"});
    ASSERT_TRUE(s.wait_for_text("19 77")) << "Ctrl-S froze the output: " << s.capture();
    s.send_keys({"C-q"});
    s.send_keys({"N"});
    ASSERT_TRUE(s.wait_for_text("19 77 17 78")) << s.capture();
    s.send_keys({"C-c"});
    ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
    // Flow control is the terminal's again afterwards.
    EXPECT_NE(s.capture().find("TTY-SAME"), std::string::npos) << s.capture();
}

TEST(TerminalInputE2E, SuspendAndResumeThroughAWrapperScriptEveryTime) {
    TmuxSession s("exec bash --norc --noprofile -i", {"PS1=$ "});
    ASSERT_TRUE(s.wait_for_text("$")) << s.capture();
    s.send_text("sh -c '" + kFrameProbe + "; echo WRAPPER-DONE'\n");
    ASSERT_TRUE(s.wait_for_text("quadro 3")) << s.capture();
    for (int round = 1; round <= 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        s.send_keys({"C-z"});
        // The shell has the terminal again (the script stopped with the
        // program); its prompt may be on either screen.
        ASSERT_TRUE(s.wait_until([&](const std::string&) {
            return s.tmux({"display-message", "-p", "-t", s.target(), "#{pane_current_command}"})
                       .rfind("bash", 0) == 0;
        })) << s.capture();
        // Its prompt after the notice of the stop (the command line above
        // has a "$ " of its own). The game may draw its last picture over
        // both, where the shell took the terminal before the game saw Ctrl-Z.
        ASSERT_TRUE(s.wait_until([](const std::string& screen) {
            const std::size_t stopped = screen.rfind("Stopped");
            return stopped != std::string::npos &&
                   screen.find("\n$ ", stopped) != std::string::npos;
        })) << s.capture();
        s.send_text("fg\n");
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture() << pane_processes(s);
        // Redrawn and playing: the whole picture back and the counter going.
        int seen = -1;
        ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
            seen = counter(screen);
            return seen >= 0 && screen.find("fim") != std::string::npos;
        })) << s.capture();
        const int first = seen;
        ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
            return counter(screen) > first + 2;
        })) << "stopped again after fg: "
            << s.capture();
    }
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_for_text("WRAPPER-DONE")) << s.capture();
    EXPECT_EQ(pane_modes(s), kModesGivenBack);
}

TEST(TerminalInputE2E, WithoutAnAlternateScreenThePromptGoesBelowTheConsole) {
    TmuxSession s(recorded(kFrameProbe), {"TERM=vt100"});
    ASSERT_TRUE(wait_until_taken_over(s, command_of(kFrameProbe))) << s.capture();
    ASSERT_TRUE(s.wait_for_text("quadro 3")) << s.capture();
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
    // The console's last row ("fim" ... "#") is still whole, above the
    // lines the shell wrote after the program.
    std::istringstream in(s.capture());
    std::string line;
    int last_row = -1, ended = -1;
    for (int y = 1; std::getline(in, line); ++y) {
        if (line.rfind("fim", 0) == 0 && line.size() == 80 && line.back() == '#') last_row = y;
        if (line.rfind("ENDED", 0) == 0) ended = y;
    }
    EXPECT_GT(last_row, 0) << s.capture();
    EXPECT_GT(ended, last_row) << s.capture();
}

// The term probe's 16 x 16 grid: background b on row 18 + b, foreground f
// at column 1 + 2f. Each cell must show its attribute's colours as the
// terminal can: with 8 colours a bright foreground by bold and a bright
// background by its dark twin, with 16 every colour as it is.
void expect_colour_grid(const TmuxSession& s, bool sixteen) {
    const auto cells = parse_capture(s.capture(true));
    for (int bg = 0; bg < 16; ++bg)
        for (int fg = 0; fg < 16; ++fg) {
            const ShownCell cell = cell_at(cells, 1 + 2 * fg, 18 + bg);
            const ExpectedLook want =
                expected_look(static_cast<std::uint16_t>(bg << 4 | fg), sixteen ? 16 : 8);
            EXPECT_EQ(cell.glyph, "X") << "fg " << fg << " bg " << bg;
            EXPECT_EQ(cell.fg, want.fg) << "fg " << fg << " bg " << bg;
            EXPECT_EQ(cell.bg, want.bg) << "fg " << fg << " bg " << bg;
            EXPECT_EQ(cell.bold, want.bold) << "fg " << fg << " bg " << bg;
        }
}

TEST(TerminalInputE2E, EveryColourShowsAsMappedOnEightAndSixteenColourTerminals) {
    // A 16-colour description of xterm of our own, for systems without
    // the one the terminal database ships.
    const TempDir terminfo;
    {
        std::ofstream out(terminfo.path() + "/sixteen.ti");
        out << "xterm-16color|xterm with sixteen colours,\n"
               "\tcolors#16, pairs#256,\n"
               "\tsetab=\\E[%?%p1%{8}%<%t4%p1%d%e10%p1%{8}%-%d%;m,\n"
               "\tsetaf=\\E[%?%p1%{8}%<%t3%p1%d%e9%p1%{8}%-%d%;m,\n"
               "\tuse=xterm,\n";
    }
    run_capture("tic -o '" + terminfo.path() + "' '" + terminfo.path() + "/sixteen.ti' 2>&1");
    struct Case {
        std::vector<std::string> environment;
        bool sixteen;
    };
    for (const Case& c : std::vector<Case>{
             {{"TERM=xterm"}, false},
             {{"TERM=xterm-16color", "TERMINFO=" + terminfo.path()}, true},
             {{"TERM=linux"}, false},
             // A real xterm says TERM=xterm but shows more; its version says so.
             {{"TERM=xterm", "XTERM_VERSION=XTerm(379)"}, true},
         }) {
        SCOPED_TRACE(c.environment.front() +
                     (c.environment.size() > 1 ? " " + c.environment[1] : ""));
        TmuxSession s(kTermProbe, c.environment);
        ASSERT_TRUE(s.wait_for_text("keys:")) << s.capture();
        expect_colour_grid(s, c.sixteen);
    }
}

}  // namespace
}  // namespace patrulha::testing
