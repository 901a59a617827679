// Every way out of the program gives the terminal back as it found it: the
// quit keys, the signals that end it, crashes, and a terminal that goes
// away. Run on the real binary and on the frame probe in tmux.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/e2e/terminal_e2e_support.h"

namespace patrulha::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Waits for the wrapper's report and checks that the terminal is as before.
void expect_given_back(const TmuxSession& s, const std::string& ended) {
    ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
    const std::string screen = s.capture();
    EXPECT_NE(screen.find(ended), std::string::npos) << screen;
    EXPECT_NE(screen.find("TTY-SAME"), std::string::npos) << screen;
    EXPECT_EQ(pane_modes(s), kModesGivenBack) << "alternate screen, cursor, keypad";
    // Nothing printed afterwards comes out coloured or bold.
    const std::string coloured = s.capture(true);
    const auto plain = coloured.find("PLAIN");
    const auto line = coloured.rfind('\n', plain);
    EXPECT_EQ(coloured.substr(line + 1, plain - line - 1), "") << coloured;
}

TEST(TerminalExitE2E, QuitKeysGiveTheTerminalBack) {
    // Esc quits from the menu; 'D' quits from a game started with '1'.
    for (const auto& keys : std::vector<std::vector<std::string>>{{"Escape"}, {"1", "d"}}) {
        SCOPED_TRACE(keys.front());
        TmuxSession s(recorded(kPatrulha));
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        s.send_keys(keys);
        expect_given_back(s, "ENDED signal=0 status=0");
    }
}

TEST(TerminalExitE2E, EndSignalsEndTheProgramWithTheirStatus) {
    struct Case {
        const char* name;
        int signal;
        const char* key;  // sent from the keyboard, or nullptr for kill
    };
    for (const Case c : {Case{"Ctrl-C", SIGINT, "C-c"}, Case{"Ctrl-\\", SIGQUIT, "C-\\"},
                         Case{"SIGTERM", SIGTERM, nullptr}, Case{"SIGHUP", SIGHUP, nullptr},
                         Case{"SIGINT", SIGINT, nullptr}}) {
        SCOPED_TRACE(c.name);
        TmuxSession s(recorded(kPatrulha));
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const int pid = wait_for_process(s, command_of(kPatrulha));
        ASSERT_GT(pid, 0);
        if (c.key)
            s.send_keys({c.key});
        else
            ::kill(pid, c.signal);
        ASSERT_TRUE(wait_until_gone(pid, seconds(2))) << "ends within a frame";
        expect_given_back(s, "ENDED signal=0 status=" + std::to_string(128 + c.signal));
    }
}

TEST(TerminalExitE2E, EndSignalsEndARunningGameLoopToo) {
    TmuxSession s(recorded(kFrameProbe));
    ASSERT_TRUE(s.wait_for_text("quadro 2")) << s.capture();
    s.send_keys({"C-c"});
    expect_given_back(s, "ENDED signal=0 status=130");
}

TEST(TerminalExitE2E, CrashSignalsRestoreTheTerminalAndStillKill) {
    for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        SCOPED_TRACE(strsignal(sig));
        TmuxSession s(recorded(kPatrulha));
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const int pid = wait_for_process(s, command_of(kPatrulha));
        ASSERT_GT(pid, 0);
        ::kill(pid, sig);
        expect_given_back(s, "ENDED signal=" + std::to_string(sig) + " status=0");
    }
}

TEST(TerminalExitE2E, RealFaultsAndStrayExceptionsRestoreTheTerminal) {
    {
        SCOPED_TRACE("a write through a null pointer");
        TmuxSession s(recorded(kFrameProbe));
        ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
        s.send_keys({"k"});
        expect_given_back(s, "ENDED signal=" + std::to_string(SIGSEGV) + " status=0");
    }
    {
        SCOPED_TRACE("std::terminate");
        TmuxSession s(recorded(kFrameProbe));
        ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
        s.send_keys({"t"});
        expect_given_back(s, "ENDED signal=" + std::to_string(SIGABRT) + " status=0");
    }
    {
        SCOPED_TRACE("an exception of no standard type");
        TmuxSession s(recorded(kFrameProbe));
        ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
        s.send_keys({"e"});
        expect_given_back(s, "ENDED signal=0 status=1");
        EXPECT_NE(s.capture().find("frame_probe: unexpected error"), std::string::npos)
            << s.capture();
    }
}

TEST(TerminalExitE2E, AHungUpTerminalLeavesNoProcessBehind) {
    // The pane killed: the program gets SIGHUP, and its terminal is gone.
    for (const std::string& binary : {kPatrulha, kFrameProbe}) {
        SCOPED_TRACE(binary);
        TmuxSession s("exec " + binary);
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const int pid = s.pane_pid();
        ASSERT_TRUE(wait_until_gone(pid, milliseconds(0)) == false);
        s.tmux({"kill-pane", "-t", s.target()});
        EXPECT_TRUE(wait_until_gone(pid, seconds(1)));
    }
}

TEST(TerminalExitE2E, TheEndOfInputEndsTheProgramWithoutASignal) {
    // In a session of its own the program gets no SIGHUP when the pane
    // goes: it must see the end of its input, in a key wait (the real
    // binary) and in a running game loop (the frame probe).
    for (const std::string& binary : {kPatrulha, kFrameProbe}) {
        SCOPED_TRACE(binary);
        TmuxSession s("exec setsid -w " + binary);
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const int pid = wait_for_process(s, command_of(binary));
        ASSERT_GT(pid, 0);
        s.tmux({"kill-pane", "-t", s.target()});
        EXPECT_TRUE(wait_until_gone(pid, seconds(1)));
    }
}

}  // namespace
}  // namespace patrulha::testing
