// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Terminals that do not keep up: one that stops reading (a stalled link),
// a link that spaces a key's bytes out, signal keys right behind the
// restore. The real binary, or the terminal backend alone, on a
// pseudo-terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/terminal/terminal_backend.h"
#include "tests/support/ansi_screen.h"
#include "tests/support/pty_child.h"

namespace patrulha::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kEnvironment = {"TERM=xterm-256color", "LANG=C.UTF-8", "-LC_ALL",
                                               "-TMUX"};

// xterm's alternate screen and cursor, on and off.
constexpr const char* kEnterScreen = "\x1b[?1049h";
constexpr const char* kLeaveScreen = "\x1b[?1049l";
constexpr const char* kHideCursor = "\x1b[?25l";
constexpr const char* kShowCursor = "\x1b[?25h";

// The game's binary, reporting its process id on the report pipe first.
std::function<void(int)> game_reporting_pid() {
    const auto run = PtyChild::program(PATRULHA_BINARY, kEnvironment);
    return [run](int report_fd) {
        const std::string pid = std::to_string(::getpid()) + "\n";
        [[maybe_unused]] const ssize_t n = ::write(report_fd, pid.data(), pid.size());
        run(report_fd);
    };
}

// Whether the terminal was left as it was found: the last word on the
// alternate screen and on the cursor is the restore's.
bool restored(const std::string& out) {
    const auto left = out.rfind(kLeaveScreen);
    const auto shown = out.rfind(kShowCursor);
    return left != std::string::npos && shown != std::string::npos &&
           left > out.rfind(kEnterScreen) && shown > out.rfind(kHideCursor);
}

// Whether process `pid`, a child, has ended, leaving it to be collected.
bool ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

double seconds_since(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

TEST(SlowTerminalPty, WithTheReaderStoppedSigtermEndsTheGameAndTheRestoreArrivesLater) {
    PtyChild child(game_reporting_pid());
    ASSERT_TRUE(child.wait_until([&] {
        return !child.report().empty() && child.output().find("ESC para sair") != std::string::npos;
    })) << child.output();
    const pid_t pid = std::atoi(child.report().c_str());
    child.type("4");
    ASSERT_TRUE(child.wait_until([&] { return child.input_taken(); }));
    // From here nothing is read: the game plays on, and every resize
    // repaints the whole screen, until the terminal's buffer is full.
    for (int i = 0; i < 8; ++i) {
        child.resize(i % 2 ? 80 : 81, 42);
        std::this_thread::sleep_for(150ms);
    }
    std::this_thread::sleep_for(1s);

    ::kill(pid, SIGTERM);
    const Clock::time_point sent = Clock::now();
    ASSERT_TRUE(wait_until([&] { return ended(pid); })) << "SIGTERM did not end the game";
    const double took = seconds_since(sent);
    std::printf("SIGTERM with the reader stopped: the game ended in %.3f s\n", took);
    EXPECT_LT(took, 1.0);

    // Reading again: the restore is there, after whatever was left.
    ASSERT_TRUE(child.wait_for_exit());
    EXPECT_TRUE(WIFSIGNALED(child.status()) && WTERMSIG(child.status()) == SIGTERM)
        << child.status();
    child.pause(100ms);
    EXPECT_TRUE(restored(child.output())) << child.output().substr(child.output().size() - 200);
}

TEST(SlowTerminalPty, TwoCtrlCHalfAMillisecondApartLeaveTheTerminalRestored) {
    // The second comes half a millisecond after the first, a little sooner
    // or later from run to run (up to 2 ms, as a loaded machine spaces them
    // out): some runs have it land just after the restore was written.
    for (int run = 0; run < 8; ++run) {
        const auto gap = std::chrono::microseconds(250 * (run + 1));
        SCOPED_TRACE("run " + std::to_string(run) + ", " + std::to_string(gap.count()) +
                     " us apart");
        PtyChild child(PtyChild::program(PATRULHA_BINARY, kEnvironment));
        ASSERT_TRUE(child.wait_until([&] {
            return child.output().find("ESC para sair") != std::string::npos;
        })) << child.output();
        child.type("4");
        ASSERT_TRUE(child.wait_until([&] { return child.input_taken(); }));
        // Unread for a moment, behind repaints of the whole screen: what the
        // game writes now waits in the terminal, where a signal key would
        // throw it away.
        for (int i = 0; i < 4; ++i) {
            child.resize(i % 2 ? 80 : 81, 42);
            std::this_thread::sleep_for(100ms);
        }
        child.type("\x03");
        std::this_thread::sleep_for(gap);
        child.type("\x03");
        ASSERT_TRUE(child.wait_for_exit());
        child.pause(50ms);
        EXPECT_TRUE(WIFSIGNALED(child.status()) && WTERMSIG(child.status()) == SIGINT);
        ASSERT_TRUE(restored(child.output())) << child.output().substr(child.output().size() - 200);
    }
}

// ==== A slow link's pictures ====

// 9,600 baud.
constexpr int kSlowLink = 960;

TEST(SlowTerminalPty, PicturesWaitForTheAnswersOfATerminalBehindAndOnlyOfOneThatAnswers) {
    using platform::TerminalLag;
    constexpr std::int64_t ms = 1000;
    TerminalLag silent;
    ASSERT_TRUE(silent.ask(0));
    EXPECT_TRUE(silent.may_send(5000 * ms)) << "a terminal that never answered is waited for";

    TerminalLag lag;
    lag.ask(0);
    lag.answered(1, 2 * ms);
    EXPECT_FALSE(lag.ask(100 * ms)) << "a terminal keeping up is asked twice a second";
    ASSERT_TRUE(lag.ask(600 * ms));
    EXPECT_TRUE(lag.may_send(800 * ms));
    EXPECT_FALSE(lag.may_send(900 * ms)) << "pictures go on while a question is long unanswered";
    lag.answered(1, 1200 * ms);
    ASSERT_TRUE(lag.ask(1210 * ms)) << "behind, each picture sent asks";
    EXPECT_FALSE(lag.may_send(1220 * ms)) << "behind, a second picture is on its way";
    lag.answered(1, 1300 * ms);
    ASSERT_TRUE(lag.ask(1310 * ms));
    EXPECT_TRUE(lag.may_send(1310 * ms + TerminalLag::kLostUs)) << "a lost answer stops pictures";
    lag.answered(1, 1320 * ms);
    EXPECT_FALSE(lag.ask(1330 * ms)) << "a quick answer is a terminal keeping up again";
}

// Row `y` (0-based) as a terminal fed `out` shows it.
std::string shown_row(const std::string& out, int y) {
    AnsiScreen screen(80, 42, AnsiScreen::Options{.strict = false});
    screen.feed(out);
    std::string row;
    for (int x = 0; x < 80; ++x) row += screen.at(x, y).glyph;
    return row;
}

// The frame number the frame probe shows, or -1.
int newest_frame(const std::string& out) {
    const std::string row = shown_row(out, 0);
    return row.rfind("quadro ", 0) == 0 ? std::atoi(row.c_str() + 7) : -1;
}

TEST(SlowTerminalPty, OnASlowLinkThePictureStaysCloseBehindAndTheFramesKeepTheirPace) {
    PtyChild child(PtyChild::program(FRAME_PROBE_BINARY, kEnvironment));
    child.read_slowly(0, true);
    ASSERT_TRUE(child.wait_until([&] { return newest_frame(child.output()) >= 1; }));
    const Clock::time_point first = Clock::now();
    // Frame n is drawn about n - 1 frames after frame 1 was seen.
    constexpr double kFrameSeconds = 0.050;
    const auto frames_by_now = [&] { return 1 + seconds_since(first) / kFrameSeconds; };
    child.type("r");  // more than the link takes, every frame
    child.read_slowly(kSlowLink, true);
    child.pause(10s);
    const double behind = (frames_by_now() - newest_frame(child.output())) * kFrameSeconds;
    std::printf("at %d B/s the picture shown was %.2f s behind the game\n", kSlowLink, behind);
    EXPECT_LT(behind, 1.0);

    // At full speed again the newest picture comes at once, and its number
    // says how many frames went by: the pace they kept.
    child.read_slowly(0, true);
    double pace = 0;
    EXPECT_TRUE(child.wait_until([&] {
        pace = newest_frame(child.output()) / frames_by_now();
        return pace > 0.95;
    })) << "frames at "
        << pace * 100 << " % of their pace";
    child.type("q");
    EXPECT_TRUE(child.wait_for_exit());
}

TEST(SlowTerminalPty, OnASlowLinkTheMenuFollowsCAsSoonAsItsOwnBytesAllow) {
    PtyChild child(PtyChild::program(PATRULHA_BINARY, kEnvironment));
    child.read_slowly(0, true);
    // What shows, not what was sent: the writer leaves out cells that
    // already show what they should.
    const auto menu_shows = [&] {
        return shown_row(child.output(), 27).find("5 - PERSONALIZAR") != std::string::npos;
    };
    const auto game_shows = [&] {
        return shown_row(child.output(), 11).find("PONTOS") != std::string::npos;
    };
    ASSERT_TRUE(child.wait_until(menu_shows)) << child.output();

    // The title and menu's own bytes, at full speed.
    child.type("4");
    ASSERT_TRUE(child.wait_until(game_shows));
    child.pause(1s);
    std::size_t from = child.output().size();
    child.type("c");
    ASSERT_TRUE(child.wait_until(menu_shows));
    const double own_seconds = static_cast<double>(child.output().size() - from) / kSlowLink;

    // A game at the hardest level on a slow link, the ship moving all the
    // while: more than the link takes.
    child.type("4");
    ASSERT_TRUE(child.wait_until(game_shows));
    child.read_slowly(kSlowLink, true);
    for (int i = 0; i < 50; ++i) {
        child.type(i % 2 ? "\x1b[D" : "\x1b[C");
        child.pause(200ms);
    }
    from = child.output().size();
    child.type("c");
    const Clock::time_point typed = Clock::now();
    ASSERT_TRUE(child.wait_until(menu_shows, 60s)) << child.output().substr(from);
    const double took = seconds_since(typed);
    std::printf("at %d B/s the menu showed %.2f s after C; its own bytes take %.2f s\n", kSlowLink,
                took, own_seconds);
    EXPECT_LT(took, own_seconds + 1.0);
    child.read_slowly(0, true);
    child.type("\x1b");
    EXPECT_TRUE(child.wait_for_exit());
}

// ==== A slow link's keys ====

// Runs the terminal backend and reports each decoded code, one a line,
// after "ready".
void run_backend(int codes_fd) {
    setenv("TERM", "xterm-256color", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    FILE* out = fdopen(codes_fd, "w");
    std::setvbuf(out, nullptr, _IOLBF, 0);
    try {
        platform::TerminalBackend terminal;
        std::fputs("ready\n", out);
        std::deque<int> keys;
        for (;;) {
            terminal.read_keys(keys, true);
            for (; !keys.empty(); keys.pop_front()) {
                std::fprintf(out, "%d\n", keys.front());
                if (keys.front() == '#') {
                    terminal.restore();
                    _exit(0);
                }
            }
        }
    } catch (...) {
        std::fputs("error\n", out);
    }
    _exit(2);
}

std::string codes_before_end(const std::string& report) {
    std::istringstream lines(report);
    std::string line, codes;
    while (std::getline(lines, line)) {
        if (line == "ready") continue;
        if (line == std::to_string('#')) break;
        codes += line + " ";
    }
    return codes;
}

TEST(SlowTerminalPty, AKeyWhoseBytesComeApartIsStillItsKeyAndItsLeftoversAreNoKeys) {
    struct Case {
        const char* name;
        std::vector<std::string> parts;
        std::chrono::milliseconds gap;
        std::string codes;
    };
    const Case cases[] = {
        {"Up, 30 ms between its bytes", {"\x1b", "[", "A"}, 30ms, "224 72 "},
        {"Up in application mode, 30 ms apart", {"\x1b", "O", "A"}, 30ms, "224 72 "},
        {"Up, 80 ms between its bytes", {"\x1b", "[", "A"}, 80ms, "224 72 "},
        // Past every wait: the Esc is a key of its own, the rest none.
        {"Up, its Esc alone long before the rest", {"\x1b", "[A"}, 400ms, "27 "},
        {"Up, cut inside its sequence", {"\x1b[", "A"}, 150ms, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyChild child(run_backend);
        ASSERT_TRUE(child.wait_until([&] { return child.report().find("ready\n") == 0; }));
        for (std::size_t i = 0; i < c.parts.size(); ++i) {
            if (i > 0) child.pause(c.gap);
            child.type(c.parts[i]);
        }
        child.pause(400ms);  // past every wait of the decoder
        child.type("#");
        ASSERT_TRUE(child.wait_for_exit()) << child.report();
        EXPECT_EQ(codes_before_end(child.report()), c.codes) << child.report();
    }
}

TEST(SlowTerminalPty, ALoneEscIsAKeySoon) {
    PtyChild child(run_backend);
    ASSERT_TRUE(child.wait_until([&] { return child.report().find("ready\n") == 0; }));
    const Clock::time_point typed = Clock::now();
    child.type("\x1b");
    ASSERT_TRUE(child.wait_until([&] { return child.report() == "ready\n27\n"; }, kPatience))
        << child.report();
    const double took = seconds_since(typed);
    std::printf("a lone Esc became a key %.0f ms after it was typed\n", took * 1000);
    EXPECT_LT(took, 1.0);
    child.type("#");
    EXPECT_TRUE(child.wait_for_exit());
}

}  // namespace
}  // namespace patrulha::testing
