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
            << "'" << p.text << "' on row " << p.row << ":\n" << screen;
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
// itself an xterm, outside any multiplexer: everything it writes until
// `marker` shows that the title screen is up, then ESC, then its end.
struct PtyRun {
    std::string output;
    std::size_t grown_at = std::string::npos;  // output length when the window grew
    bool menu_seen = false;
    bool ended = false;
    int status = -1;
};

// Runs the game on a pseudo-terminal of the size given until `marker` shows,
// then ends it with ESC. With `grow_on` set, the window grows to 80 x 42 as
// soon as that text shows, as a terminal honouring the resize request would.
PtyRun run_on_pty(int columns, int rows, const std::string& marker,
                  const std::string& grow_on = {}) {
    PtyRun run;
    PtyChild game(PtyChild::program(kBinary, {"-TMUX", "TERM=xterm", "LANG=C.UTF-8"}), columns,
                  rows);
    run.menu_seen = game.wait_until([&] {
        if (!grow_on.empty() && run.grown_at == std::string::npos &&
            game.output().find(grow_on) != std::string::npos) {
            game.resize(80, 42);  // the kernel tells the game with SIGWINCH
            run.grown_at = game.output().size();
        }
        return game.output().find(marker) != std::string::npos;
    });
    if (run.menu_seen) game.type("\x1b");
    run.ended = game.wait_for_exit();
    run.status = game.status();
    run.output = game.output();
    return run;
}

const std::string kResizeTo80x42 = "\x1b[8;42;80t";

TEST(MenuE2E, ASmallXtermIsAskedForTheFullConsoleAtStartUp) {
    // Too small, the game stands still behind the size notice until the
    // terminal grows; then the title screen shows.
    const PtyRun run = run_on_pty(60, 20, "PERSONALIZAR", "precisa");
    ASSERT_NE(run.grown_at, std::string::npos) << "the size notice showed";
    ASSERT_TRUE(run.menu_seen) << run.output.size() << " bytes";
    const auto at = run.output.find(kResizeTo80x42);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(run.output.find(kResizeTo80x42, at + 1), std::string::npos) << "asked once";
    EXPECT_LT(at, run.output.find("precisa")) << "asked before anything is shown";
    EXPECT_GT(run.output.find("PERSONALIZAR"), run.grown_at) << "the menu only once grown";
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0);
}

TEST(MenuE2E, AnXtermOfTheFullSizeIsLeftAlone) {
    const PtyRun run = run_on_pty(80, 42, "PERSONALIZAR");
    ASSERT_TRUE(run.menu_seen);
    EXPECT_EQ(run.output.find(kResizeTo80x42), std::string::npos);
    EXPECT_TRUE(run.ended);
}

}  // namespace
}  // namespace patrulha::testing
