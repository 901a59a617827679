// More keys than the game can wait on: the terminal backend on a
// pseudo-terminal is handed a burst far larger than its type-ahead. It
// keeps the first keys that fit, drops the rest whole (never half a cursor
// key), and the next key typed arrives as usual.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
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
#include "tests/support/pty_child.h"

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
    PtyChild child([&](int codes_fd) { run_child(codes_fd, burst.size()); });
    const auto has_line = [&](const std::string& line) {
        return ("\n" + child.report()).find("\n" + line + "\n") != std::string::npos;
    };
    ASSERT_TRUE(child.wait_until([&] { return has_line("ready"); })) << child.report();
    child.type(burst);
    // The whole burst was waiting, so one read took it all: what it kept
    // is reported before the first "batch". Then one more key.
    ASSERT_TRUE(child.wait_until([&] { return has_line("batch"); })) << child.report();
    child.type("#");
    ASSERT_TRUE(child.wait_until([&] { return has_line(std::to_string('#')); })) << child.report();

    std::vector<int> got;
    std::istringstream lines(child.report());
    std::string line;
    while (std::getline(lines, line))
        if (line != "ready" && line != "batch") got.push_back(std::atoi(line.c_str()));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), '#') << child.report();
    got.pop_back();
    // The keys that fitted, exactly as sent, and nothing of the rest.
    const std::vector<int> kept(sent.begin(),
                                sent.begin() + static_cast<long>(platform::TypeAhead::kCapacity));
    EXPECT_EQ(got, kept);
}

}  // namespace
}  // namespace patrulha::testing
