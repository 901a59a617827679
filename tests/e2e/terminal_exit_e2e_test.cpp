// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Every way out of the program gives the terminal back as it found it: the
// quit keys, the signals that end it, crashes, and a terminal that goes
// away. Run on the real binary and on the frame probe in tmux.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "tests/e2e/terminal_e2e_support.h"

namespace patrulha::testing {
namespace {

using std::chrono::milliseconds;

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

TEST(TerminalExitE2E, WhereTheAlternateScreenIsIgnoredThePromptEndsOnTheBottomRow) {
    // tmux with alternate-screen off takes the description's smcup and
    // rmcup as nothing, as GNU screen does by default: the last picture
    // stays, and the shell's prompt must come on the window's last row (50,
    // below the console's 42), not where the drawing stopped.
    TmuxSession s("exec bash --norc --noprofile -i", {"PS1=READY> "}, 80, 50);
    ASSERT_TRUE(s.wait_for_text("READY>")) << s.capture();
    s.tmux({"set-option", "-w", "-t", s.target(), "alternate-screen", "off"});
    s.send_text("clear; " + kPatrulha + "\n");
    ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
    const int pid = wait_for_process(s, command_of(kPatrulha));
    ASSERT_GT(pid, 0);
    s.send_keys({"Escape"});
    ASSERT_TRUE(wait_until_gone(pid)) << s.capture();
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return screen.find("READY>") != std::string::npos;
    })) << s.capture();
    EXPECT_EQ(s.row(50).rfind("READY>", 0), 0u) << s.capture();
    EXPECT_EQ(s.capture().find("READY>"), s.capture().rfind("READY>")) << "one prompt, at the foot";
}

TEST(TerminalExitE2E, EveryEndingSignalGivesTheTerminalBackAndEndsTheProgramByItself) {
    // The program dies by the signal once the terminal is back, so that the
    // shell sees it (and stops a loop of games on Ctrl-C).
    struct Case {
        const char* name;
        int signal;
        const char* key;  // sent from the keyboard, or nullptr for kill
    };
    const std::vector<Case> cases = {
        {"Ctrl-C", SIGINT, "C-c"},       {"Ctrl-\\", SIGQUIT, "C-\\"},
        {"SIGTERM", SIGTERM, nullptr},   {"SIGHUP", SIGHUP, nullptr},
        {"SIGINT", SIGINT, nullptr},     {"SIGPIPE", SIGPIPE, nullptr},
        {"SIGUSR1", SIGUSR1, nullptr},   {"SIGUSR2", SIGUSR2, nullptr},
        {"SIGALRM", SIGALRM, nullptr},   {"SIGXCPU", SIGXCPU, nullptr},
        {"SIGXFSZ", SIGXFSZ, nullptr},   {"SIGVTALRM", SIGVTALRM, nullptr},
        {"SIGPROF", SIGPROF, nullptr},   {"SIGIO", SIGIO, nullptr},
        {"SIGPWR", SIGPWR, nullptr},     {"SIGRTMIN", SIGRTMIN, nullptr},
        {"SIGRTMAX", SIGRTMAX, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TmuxSession s(recorded(kPatrulha));
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const int pid = wait_for_process(s, command_of(kPatrulha));
        ASSERT_GT(pid, 0);
        if (c.key)
            s.send_keys({c.key});
        else
            ::kill(pid, c.signal);
        ASSERT_TRUE(wait_until_gone(pid));
        expect_given_back(s, died_by(c.signal));
    }
}

TEST(TerminalExitE2E, EndSignalsEndARunningGameLoopToo) {
    TmuxSession s(recorded(kFrameProbe));
    ASSERT_TRUE(s.wait_for_text("quadro 2")) << s.capture();
    s.send_keys({"C-c"});
    expect_given_back(s, died_by(SIGINT));
}

// The processor time a process has had, in clock ticks; -1 when it is gone.
long cpu_ticks(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return -1;
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::stol(field);
        if (i == 15) system = std::stol(field);
    }
    return user + system;
}

// Whether `sig` is waiting to be delivered to the process.
bool signal_pending(int pid, int sig) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    bool pending = false;
    while (std::getline(in, line)) {
        if (line.rfind("SigPnd:", 0) != 0 && line.rfind("ShdPnd:", 0) != 0) continue;
        const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
        pending |= (mask >> (sig - 1)) & 1;
    }
    return pending;
}

TEST(TerminalExitE2E, ASecondSignalEndsAStuckProgramAtOnce) {
    // The frame probe stuck in a loop never acts on the first signal; the
    // second ends it, the terminal restored through the emergency reset.
    struct Case {
        const char* name;
        int second;
        const char* key;  // the second sent from the keyboard, or nullptr for kill
    };
    for (const Case c : {Case{"SIGINT, then Ctrl-C", SIGINT, "C-c"},
                         Case{"SIGINT, then SIGTERM", SIGTERM, nullptr}}) {
        SCOPED_TRACE(c.name);
        TmuxSession s(recorded(kFrameProbe));
        ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
        const int pid = wait_for_process(s, command_of(kFrameProbe));
        ASSERT_GT(pid, 0);
        const long before = cpu_ticks(pid);
        s.send_keys({"l"});
        // Stuck: it spins, half a second of processor time and more.
        ASSERT_TRUE(wait_until([&] { return cpu_ticks(pid) > before + 50; })) << s.capture();
        // The first taken by the program before the second comes: two of
        // the same kind still waiting would be one.
        ::kill(pid, SIGINT);
        ASSERT_TRUE(wait_until([&] { return !signal_pending(pid, SIGINT); }));
        if (c.key)
            s.send_keys({c.key});
        else
            ::kill(pid, c.second);
        ASSERT_TRUE(wait_until_gone(pid)) << "still stuck after the second signal";
        expect_given_back(s, died_by(c.second));
    }
}

TEST(TerminalExitE2E, ASignalTheParentIgnoredStaysIgnored) {
    // As under nohup or trap '' HUP: the signal changes nothing, the game
    // plays on and ends normally.
    struct Case {
        const char* name;
        int signal;
    };
    for (const Case c : {Case{"HUP", SIGHUP}, Case{"TERM", SIGTERM}}) {
        SCOPED_TRACE(c.name);
        TmuxSession s(recorded(kPatrulha, {c.name}));
        ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
        const int pid = wait_for_process(s, command_of(kPatrulha));
        ASSERT_GT(pid, 0);
        ::kill(pid, c.signal);
        // A key answered after the signal: the program is still there.
        s.send_keys({"5"});
        ASSERT_TRUE(s.wait_for_text("OPÇOES")) << s.capture();
        s.send_keys({"Escape"});
        ASSERT_TRUE(s.wait_until([](const std::string& screen) {
            return screen.find("ESCOLHA NIVEL") != std::string::npos &&
                   screen.find("OPÇOES") == std::string::npos;
        })) << s.capture();
        s.send_keys({"Escape"});
        expect_clean_end(s);
    }
}

TEST(TerminalExitE2E, CtrlCStopsALoopOfGamesInTheShell) {
    TmuxSession s("exec bash --norc --noprofile -i", {"PS1=$ "});
    ASSERT_TRUE(s.wait_for_text("$")) << s.capture();
    s.send_text("for i in 1 2 3; do echo GAME-$i; " + kPatrulha + "; done\n");
    ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
    s.send_keys({"C-c"});
    ASSERT_TRUE(s.wait_for_alternate_screen(false)) << s.capture();
    // Typed at the shell's prompt, not at a second game.
    s.send_text("echo LOOP-STATUS-$?\n");
    ASSERT_TRUE(s.wait_for_text("LOOP-STATUS-130")) << s.capture();
    const std::string screen = s.capture();
    EXPECT_NE(screen.find("GAME-1"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("GAME-2"), std::string::npos) << screen;
    EXPECT_EQ(pane_modes(s), kModesGivenBack);
}

TEST(TerminalExitE2E, CrashSignalsRestoreTheTerminalAndStillKill) {
    for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) {
        SCOPED_TRACE(strsignal(sig));
        TmuxSession s(recorded(kPatrulha));
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const int pid = wait_for_process(s, command_of(kPatrulha));
        ASSERT_GT(pid, 0);
        ::kill(pid, sig);
        expect_given_back(s, died_by(sig));
    }
}

// The thread of `pid` named `name`, or -1.
int thread_named(int pid, const std::string& name) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (!dir) return -1;
    int found = -1;
    while (dirent* entry = ::readdir(dir)) {
        std::ifstream in(tasks + "/" + entry->d_name + "/comm");
        std::string comm;
        if (std::getline(in, comm) && comm == name) found = std::atoi(entry->d_name);
    }
    ::closedir(dir);
    return found;
}

TEST(TerminalExitE2E, AFaultOnTheSoundThreadRestoresTheTerminal) {
    // The fault signals raised on the sound thread itself, as its own fault
    // would raise them there.
    for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        SCOPED_TRACE(strsignal(sig));
        TmuxSession s(recorded(kPatrulha));
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const int pid = wait_for_process(s, command_of(kPatrulha));
        ASSERT_GT(pid, 0);
        int sound = -1;
        ASSERT_TRUE(wait_until([&] { return (sound = thread_named(pid, "patrulha-sound")) > 0; }));
        ASSERT_NE(sound, pid);
        ASSERT_EQ(::syscall(SYS_tgkill, pid, sound, sig), 0);
        ASSERT_TRUE(wait_until_gone(pid)) << "a fault there must end the program";
        expect_given_back(s, died_by(sig));
    }
}

TEST(TerminalExitE2E, RealFaultsAndStrayExceptionsRestoreTheTerminal) {
    struct Case {
        const char* name;
        const char* key;  // the frame probe's key for it
        std::string ended;
        const char* message;  // on standard error, or nullptr
    };
    const std::vector<Case> cases = {
        {"a write through a null pointer", "k", died_by(SIGSEGV), nullptr},
        {"std::terminate", "t", died_by(SIGABRT), nullptr},
        {"an exception of no standard type", "e", "ENDED signal=0 status=1",
         "frame_probe: unexpected error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TmuxSession s(recorded(kFrameProbe));
        ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
        s.send_keys({c.key});
        expect_given_back(s, c.ended);
        if (c.message) {
            EXPECT_NE(s.capture().find(c.message), std::string::npos) << s.capture();
        }
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
        EXPECT_TRUE(wait_until_gone(pid));
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
        EXPECT_TRUE(wait_until_gone(pid));
    }
}

}  // namespace
}  // namespace patrulha::testing
