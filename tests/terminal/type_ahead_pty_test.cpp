// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// More keys than the game can wait on: the terminal backend on a
// pseudo-terminal is handed a burst far larger than its type-ahead. It
// keeps the first keys that fit, drops the rest whole (never half a cursor
// key), and the next key typed arrives as usual.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/type_ahead.h"
#include "tests/support/key_reporter.h"
#include "tests/support/pty_child.h"

namespace patrulha::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Holds the backend's first read until `expected` bytes wait unread on its
// terminal, so that one read takes them all.
void wait_for_unread(std::size_t expected) {
    const auto until = Clock::now() + std::chrono::seconds(10);
    for (int waiting = 0; static_cast<std::size_t>(waiting) < expected && Clock::now() < until;) {
        ::ioctl(STDIN_FILENO, FIONREAD, &waiting);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
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
    PtyChild child([&](int codes_fd) {
        report_decoded_keys(codes_fd, "xterm-256color", [&] { wait_for_unread(burst.size()); });
    });
    const auto has_line = [&](const std::string& line) {
        return testing::has_line(child.report(), line);
    };
    ASSERT_TRUE(child.wait_until([&] { return has_line("ready"); })) << child.report();
    child.type(burst);
    // The whole burst was waiting, so one read took it all: what it kept
    // is reported before the first "batch". Then one more key.
    ASSERT_TRUE(child.wait_until([&] { return has_line("batch"); })) << child.report();
    child.type(std::string(1, kSentinel));
    ASSERT_TRUE(child.wait_until([&] { return has_line(std::to_string(kSentinel)); }))
        << child.report();

    const std::vector<int> got = reported_codes(child.report());
    // The keys that fitted, exactly as sent, and nothing of the rest.
    const std::vector<int> kept(sent.begin(),
                                sent.begin() + static_cast<long>(platform::TypeAhead::kCapacity));
    EXPECT_EQ(got, kept);
}

}  // namespace
}  // namespace patrulha::testing
