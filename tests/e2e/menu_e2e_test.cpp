// The whole program in a real terminal: the title screen, the options screen
// and back, the invalid-option message at (40, 40), a game with its frame
// and panel, and ESC at the menu ending the program with the terminal given
// back as it was.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/e2e/tmux_session.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = PATRULHA_BINARY;

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

TEST(MenuE2E, TitleOptionsInvalidKeyAGameAndEscape) {
    // What the shell finds after the program goes to a file: the text of
    // the normal screen is not reliably there once the pane has ended.
    const std::string result = "/tmp/patrulha-menu-" + std::to_string(::getpid()) + ".result";
    std::remove(result.c_str());
    TmuxSession s("stty -g > /tmp/patrulha-menu-$$.a; " + kBinary +
                  "; st=$?; stty -g > /tmp/patrulha-menu-$$.b; "
                  "if cmp -s /tmp/patrulha-menu-$$.a /tmp/patrulha-menu-$$.b; then same=SAME-STTY; "
                  "else same=OTHER-STTY; fi; echo \"$same STATUS=$st\" > " +
                  result +
                  "; "
                  "rm -f /tmp/patrulha-menu-$$.a /tmp/patrulha-menu-$$.b");
    ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();

    // The title screen: box, banner and the menu at their rows.
    ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
    EXPECT_EQ(column_of(s.row(1), "╔═"), 9) << s.capture();
    EXPECT_EQ(column_of(s.row(22), "ESCOLHA NIVEL DE DIFICULDADE"), 22) << s.capture();
    EXPECT_EQ(column_of(s.row(25), "1 - FACIL"), 14);
    EXPECT_EQ(column_of(s.row(25), "ESC para sair"), 50);
    EXPECT_EQ(column_of(s.row(28), "4 - AVANÇADO"), 33);

    // '5' opens the options screen; ESC brings the title screen back.
    s.send_keys({"5"});
    ASSERT_TRUE(s.wait_for_text("OPÇOES")) << s.capture();
    EXPECT_EQ(column_of(s.row(7), "OPÇOES"), 37);
    EXPECT_EQ(column_of(s.row(17), "1- ♣     2- ♠     3- ¥"), 31);
    s.send_keys({"Escape"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows(screen, "ESCOLHA NIVEL") && !shows(screen, "OPÇOES");
    })) << s.capture();

    // An invalid key: the message at (40, 40); any key dismisses it.
    s.send_keys({"x"});
    ASSERT_TRUE(s.wait_for_text("Opção Inválida !!!")) << s.capture();
    EXPECT_EQ(column_of(s.row(40), "Opção Inválida !!!"), 40) << s.capture();
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) { return !shows(screen, "Inválida"); }))
        << s.capture();
    EXPECT_TRUE(shows(s.capture(), "ESCOLHA NIVEL")) << "the title screen stays";

    // '1' starts a game: the frame, the panel and its values.
    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_for_text("Obrigado por jogar")) << s.capture();
    ASSERT_TRUE(s.wait_for_text("FACIL")) << s.capture();
    EXPECT_EQ(column_of(s.row(1), "╔"), 1);
    EXPECT_EQ(column_of(s.row(1), "╦"), 45);
    EXPECT_EQ(column_of(s.row(42), "╩"), 45);
    EXPECT_EQ(column_of(s.row(15), "╠"), 45);
    EXPECT_EQ(column_of(s.row(3), "STATUS"), 53);
    EXPECT_EQ(column_of(s.row(6), "FACIL"), 60);
    EXPECT_EQ(column_of(s.row(8), "VIDAS:"), 50);
    EXPECT_EQ(column_of(s.row(38), "Feito pela equipe Patrulha Estelar"), 46);

    // 'C' leaves the game for the menu; ESC there ends the program.
    s.send_keys({"c"});
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows(screen, "ESCOLHA NIVEL") && !shows(screen, "STATUS");
    })) << s.capture();
    s.send_keys({"Escape"});
    ASSERT_TRUE(s.wait_for_end()) << s.capture();
    EXPECT_FALSE(s.alternate_screen()) << "back on the normal screen";
    std::ifstream in(result);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "SAME-STTY STATUS=0") << "terminal settings restored, exit status 0";
    std::remove(result.c_str());
}

// ==== The full console at start-up ====

// The real binary on a pseudo-terminal of `columns` x `rows` that calls
// itself an xterm, outside any multiplexer: everything it writes until
// `marker` shows that the title screen is up, then ESC, then its end.
struct PtyRun {
    std::string output;
    bool menu_seen = false;
    bool ended = false;
    int status = -1;
};

PtyRun run_on_pty(int columns, int rows, const std::string& marker) {
    PtyRun run;
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child < 0) return run;
    if (child == 0) {
        ::unsetenv("TMUX");
        ::setenv("TERM", "xterm", 1);
        ::setenv("LANG", "C.UTF-8", 1);
        ::execl(kBinary.c_str(), kBinary.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const auto read_some = [&] {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) return false;
        run.output.append(buffer, static_cast<std::size_t>(n));
        return true;
    };
    while (std::chrono::steady_clock::now() < deadline && !run.menu_seen) {
        read_some();
        run.menu_seen = run.output.find(marker) != std::string::npos;
    }
    if (run.menu_seen) (void)!::write(master, "\x1b", 1);
    while (std::chrono::steady_clock::now() < deadline) {
        read_some();
        if (::waitpid(child, &run.status, WNOHANG) == child) {
            run.ended = true;
            break;
        }
    }
    if (!run.ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &run.status, 0);
    }
    ::close(master);
    return run;
}

const std::string kResizeTo80x42 = "\x1b[8;42;80t";

TEST(MenuE2E, ASmallXtermIsAskedForTheFullConsoleAtStartUp) {
    // The title's box corner at (9, 1) shows in a window this small.
    const PtyRun run = run_on_pty(60, 20, "\u2554");
    ASSERT_TRUE(run.menu_seen) << run.output.size() << " bytes";
    const auto at = run.output.find(kResizeTo80x42);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(run.output.find(kResizeTo80x42, at + 1), std::string::npos) << "asked once";
    EXPECT_LT(at, run.output.find("\u2554")) << "before the title screen is shown";
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
