// More keys than the game can wait on: the terminal backend on a
// pseudo-terminal is handed a burst far larger than its type-ahead. It
// keeps the first keys that fit, drops the rest whole (never half a cursor
// key), and the next key typed arrives as usual.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
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
#include "platform/type_ahead.h"

namespace patrulha::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Runs the backend on the pty once `expected` bytes wait unread on it,
// printing every decoded code and "batch" after each read; never returns.
[[noreturn]] void run_child(int codes_fd, std::size_t expected) {
    setenv("TERM", "xterm-256color", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    FILE* out = fdopen(codes_fd, "w");
    std::setvbuf(out, nullptr, _IOLBF, 0);
    try {
        platform::TerminalBackend terminal;
        std::fputs("ready\n", out);
        const auto until = Clock::now() + std::chrono::seconds(10);
        for (int waiting = 0; static_cast<std::size_t>(waiting) < expected && Clock::now() < until;) {
            ::ioctl(STDIN_FILENO, FIONREAD, &waiting);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
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
            std::fputs("batch\n", out);
        }
    } catch (...) {
        std::fputs("error\n", out);
    }
    _exit(2);
}

TEST(TypeAheadPty, ABurstBeyondTheTypeAheadKeepsWholeKeysAndTheNextKeyArrives) {
    // 60 rounds of a letter, two cursor keys, c cedilla, Page Down and a
    // digit: 540 codes.
    std::string burst;
    std::vector<int> sent;
    for (int i = 0; i < 60; ++i) {
        burst += "z\x1bOA\x1b[D\xc3\xa7\x1b[6~";
        burst += static_cast<char>('0' + i % 10);
        sent.insert(sent.end(), {'z', 224, 72, 224, 75, 135, 224, 81, '0' + i % 10});
    }
    int codes[2];
    ASSERT_EQ(::pipe(codes), 0);
    winsize size{};
    size.ws_row = 42;
    size.ws_col = 80;
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(codes[0]);
        run_child(codes[1], burst.size());
    }
    ::close(codes[1]);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    std::string text;
    const auto pump_until = [&](const std::string& line) {
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (("\n" + text).find("\n" + line + "\n") == std::string::npos && Clock::now() < until) {
            pollfd fd{codes[0], POLLIN, 0};
            ::poll(&fd, 1, 20);
            char buffer[4096];
            const ssize_t n = ::read(codes[0], buffer, sizeof buffer);
            if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
            if (n == 0) break;
            while (::read(master, buffer, sizeof buffer) > 0) {
            }
        }
        return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
    };
    EXPECT_TRUE(pump_until("ready")) << text;
    ASSERT_EQ(::write(master, burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
    // The whole burst was waiting, so one read took it all: what it kept
    // is reported before the first "batch". Then one more key.
    EXPECT_TRUE(pump_until("batch")) << text;
    ASSERT_EQ(::write(master, "#", 1), 1);
    EXPECT_TRUE(pump_until(std::to_string('#'))) << text;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(master);
    ::close(codes[0]);

    std::vector<int> got;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line != "ready" && line != "batch") got.push_back(std::atoi(line.c_str()));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), '#') << text;
    got.pop_back();
    // The keys that fitted, exactly as sent, and nothing of the rest.
    const std::vector<int> kept(sent.begin(),
                                sent.begin() + static_cast<long>(platform::TypeAhead::kCapacity));
    EXPECT_EQ(got, kept);
}

}  // namespace
}  // namespace patrulha::testing
