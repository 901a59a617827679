// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The whole program in a real terminal: the title screen, the options screen
// and back, the invalid-option message at (40, 40), a game with its frame
// and panel, and ESC at the menu ending the program with the terminal given
// back as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/terminal_e2e_support.h"
#include "tests/support/pty_child.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = kPatrulha;

// The 1-based column at which `text` begins in a captured row, counting
// characters, not bytes; 0 when the row does not hold it.
int column_of(const std::string& row, const std::string& text) {
    const auto at = row.find(text);
    if (at == std::string::npos) return 0;
    int column = 1;
    for (std::size_t i = 0; i < at; ++i)
        if ((static_cast<unsigned char>(row[i]) & 0xC0) != 0x80) ++column;
    return column;
}

bool shows(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

// A text at its place on the screen: row and 1-based column.
struct Placed {
    int row;
    std::string text;
    int column;
};

// Waits until every text shows at its place, the whole screen drawn, then
// checks each, so that a failure names the one out of place.
void expect_placed(const TmuxSession& s, const std::vector<Placed>& items) {
    const auto all_placed = [&](const std::string& screen) {
        for (const Placed& p : items)
            if (column_of(row_of(screen, p.row), p.text) != p.column) return false;
        return true;
    };
    s.wait_until(all_placed);
    const std::string screen = s.capture();
    for (const Placed& p : items)
        EXPECT_EQ(column_of(row_of(screen, p.row), p.text), p.column)
            << "'" << p.text << "' on row " << p.row << ":\n"
            << screen;
}

TEST(MenuE2E, TitleOptionsInvalidKeyAGameAndEscape) {
    TmuxSession s(recorded(kBinary));
    ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();

    // The title screen: box, banner and the menu at their rows.
    expect_placed(s, {{1, "╔═", 9},
                      {22, "ESCOLHA NIVEL DE DIFICULDADE", 22},
                      {25, "1 - FACIL", 14},
                      {25, "ESC para sair", 50},
                      {28, "4 - AVANÇADO", 33}});

    // '5' opens the options screen; ESC brings the title screen back.
    s.send_keys({"5"});
    expect_placed(s, {{7, "OPÇOES", 37}, {17, "1- ♣     2- ♠     3- ¥", 31}});
    s.send_keys({"Escape"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows(screen, "ESCOLHA NIVEL") && !shows(screen, "OPÇOES");
    })) << s.capture();

    // An invalid key: the message at (40, 40); any key dismisses it.
    s.send_keys({"x"});
    expect_placed(s, {{40, "Opção Inválida !!!", 40}});
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) { return !shows(screen, "Inválida"); }))
        << s.capture();
    EXPECT_TRUE(shows(s.capture(), "ESCOLHA NIVEL")) << "the title screen stays";

    // '1' starts a game: the frame, the panel and its values.
    s.send_keys({"1"});
    expect_placed(s, {{1, "╔", 1},
                      {1, "╦", 45},
                      {42, "╩", 45},
                      {15, "╠", 45},
                      {3, "STATUS", 53},
                      {6, "FACIL", 60},
                      {8, "VIDAS:", 50},
                      {38, "Feito pela equipe Patrulha Estelar", 46},
                      {40, "Obrigado por jogar", 49}});

    // 'C' leaves the game for the menu; ESC there ends the program.
    s.send_keys({"c"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows(screen, "ESCOLHA NIVEL") && !shows(screen, "STATUS");
    })) << s.capture();
    s.send_keys({"Escape"});
    expect_clean_end(s);
}

// ==== The full console at start-up ====

// The real binary on a pseudo-terminal of `columns` x `rows` that calls
// itself an xterm, outside any multiplexer, as the terminal named by
// `terminal` ("NAME=value" variables): everything it writes until `marker`
// shows that the title screen is up, then ESC, then its end.
struct PtyRun {
    std::string output;
    std::size_t grown_at = std::string::npos;  // output length when the window grew
    bool menu_seen = false;
    bool ended = false;
    int status = -1;
};

const std::string kResizeTo80x42 = "\x1b[8;42;80t";
const std::string kSizeQuestion = "\x1b[18t\x1b[c";

// Runs the game on a pseudo-terminal of the size given until `marker` shows,
// then ends it. With `grow_on` set, the window grows to 80 x 42 as
// soon as that text shows, as a terminal honouring the resize request would.
// Asked for its size, the terminal answers `answer`.
PtyRun run_on_pty(int columns, int rows, const std::string& marker,
                  const std::vector<std::string>& terminal, const std::string& grow_on = {},
                  const std::string& answer = {}) {
    PtyRun run;
    std::vector<std::string> environment = {
        "-TMUX",      "-STY",        "-VTE_VERSION", "-XTERM_VERSION", "-KONSOLE_VERSION",
        "TERM=xterm", "LANG=C.UTF-8"};
    environment.insert(environment.end(), terminal.begin(), terminal.end());
    PtyChild game(PtyChild::program(kBinary, environment), columns, rows);
    bool answered = false;
    run.menu_seen = game.wait_until([&] {
        if (!answered && !answer.empty() &&
            game.output().find(kSizeQuestion) != std::string::npos) {
            game.type(answer);
            answered = true;
        }
        if (!grow_on.empty() && run.grown_at == std::string::npos &&
            game.output().find(grow_on) != std::string::npos) {
            game.resize(80, 42);  // the kernel tells the game with SIGWINCH
            run.grown_at = game.output().size();
        }
        return game.output().find(marker) != std::string::npos;
    });
    // ESC at the menu; Ctrl-C, as the notice says, where the window is small.
    if (run.menu_seen)
        game.type(game.output().find("PERSONALIZAR") != std::string::npos ? "\x1b" : "\x03");
    run.ended = game.wait_for_exit();
    run.status = game.status();
    run.output = game.output();
    return run;
}

TEST(MenuE2E, ASmallXtermIsAskedForTheFullConsoleAtStartUp) {
    // A VTE terminal: too small, the game stands still behind the size
    // notice until the terminal grows; then the title screen shows, and on
    // the way out the window is given its first size back.
    const PtyRun run = run_on_pty(60, 20, "PERSONALIZAR", {"VTE_VERSION=7600"}, "precisa");
    ASSERT_NE(run.grown_at, std::string::npos) << "the size notice showed";
    ASSERT_TRUE(run.menu_seen) << run.output.size() << " bytes";
    const auto at = run.output.find(kResizeTo80x42);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(run.output.find(kResizeTo80x42, at + 1), std::string::npos) << "asked once";
    EXPECT_LT(at, run.output.find("precisa")) << "asked before anything is shown";
    EXPECT_GT(run.output.find("PERSONALIZAR"), run.grown_at) << "the menu only once grown";
    EXPECT_EQ(run.output.find(kSizeQuestion), std::string::npos) << "a VTE is not asked first";
    EXPECT_NE(run.output.find("\x1b[8;20;60t", run.output.find("PERSONALIZAR")), std::string::npos)
        << "the size found given back";
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
}

TEST(MenuE2E, AnXtermIsAskedForTheFullConsoleOnlyWhereItAnswersItsSize) {
    // xterm honours the request only with its window operations allowed,
    // and only then answers the size report; the answers never arrive as
    // keys (the menu would take them for an invalid option).
    struct Case {
        const char* name;
        std::string answer;
        bool requested;
    };
    for (const Case& c : {Case{"window operations allowed", "\x1b[8;20;60t\x1b[?64;1;2c", true},
                          Case{"window operations refused", "\x1b[?64;1;2c", false}}) {
        SCOPED_TRACE(c.name);
        // Not asked to grow, the window stays small behind the notice.
        const PtyRun run =
            run_on_pty(60, 20, c.requested ? "PERSONALIZAR" : "precisa",
                       {"XTERM_VERSION=XTerm(379)"}, c.requested ? "precisa" : "", c.answer);
        EXPECT_TRUE(run.menu_seen) << run.output;
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(run.output.find("Inv"), std::string::npos) << "no answer taken as a key";
        EXPECT_LT(run.output.find(kSizeQuestion), run.output.find("precisa"));
        EXPECT_EQ(run.output.find(kResizeTo80x42) != std::string::npos, c.requested);
    }
}

TEST(MenuE2E, KonsoleAndUnknownTerminalsAreNeverAskedToResize) {
    // Konsole would report 80 x 42 on the terminal while its window stays
    // small; an unknown terminal cannot be trusted either.
    for (const std::vector<std::string>& terminal :
         {std::vector<std::string>{"KONSOLE_VERSION=230800"}, std::vector<std::string>{}}) {
        SCOPED_TRACE(terminal.empty() ? "unknown" : terminal.front());
        const PtyRun run = run_on_pty(60, 20, "precisa", terminal);
        EXPECT_FALSE(std::regex_search(run.output, std::regex("\x1b\\[8;[0-9]+;[0-9]+t")));
        EXPECT_EQ(run.output.find(kSizeQuestion), std::string::npos);
    }
}

TEST(MenuE2E, AnXtermOfTheFullSizeIsLeftAlone) {
    const PtyRun run = run_on_pty(80, 42, "PERSONALIZAR", {"VTE_VERSION=7600"});
    ASSERT_TRUE(run.menu_seen);
    EXPECT_EQ(run.output.find(kResizeTo80x42), std::string::npos);
    EXPECT_TRUE(run.ended);
}

}  // namespace
}  // namespace patrulha::testing
