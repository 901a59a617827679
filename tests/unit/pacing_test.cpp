// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The pacing model on the virtual clock: console calls and writes charge
// their cost, sleeps and beeps their milliseconds; keys arrive on time.
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

using platform::kConsoleCallCostUs;
using platform::PacingClock;
using platform::Runtime;

using PacingTest = ConsoleTest;

TEST_F(PacingTest, ConsoleCallsAndWritesChargeOneRoundTripEach) {
    const auto start = Runtime::instance().clock().console_time();
    gotoxy(1, 1);                     // one call
    textcolor(3);                     // one call
    printf("a long text %i", 42);     // one write
    _putch('x');                      // one write
    GetStdHandle(STD_OUTPUT_HANDLE);  // free
    clrscr();                         // a query, 42 rows of two fills, a cursor move
    EXPECT_EQ(Runtime::instance().clock().console_time() - start,
              (4 + 1 + 84 + 1) * kConsoleCallCostUs);
}

TEST_F(PacingTest, SleepsAndBeepsAddTheirMillisecondsAndTheVirtualClockFollows) {
    for (int i = 0; i < 100; ++i) gotoxy(1, 1);
    _sleep(0);
    EXPECT_EQ(vb.now_us(), 100 * kConsoleCallCostUs) << "a pacing point catches up";
    _sleep(40);
    _beep(700, 15);
    EXPECT_EQ(vb.now_us(), 100 * kConsoleCallCostUs + 55'000);
    ASSERT_EQ(vb.beeps().size(), 1u);
    EXPECT_EQ(vb.beeps()[0], (platform::BeepRecord{700, 15, 100 * kConsoleCallCostUs + 40'000}));
    ASSERT_EQ(vb.sleeps().size(), 2u);
    EXPECT_EQ(vb.sleeps()[1].ms, 40u);
}

TEST_F(PacingTest, KbhitIsAPacingPointAndGetchWaitsForTimedKeys) {
    vb.at_ms(500).key('a').after_polls(3).key('b');
    EXPECT_FALSE(_kbhit());
    EXPECT_EQ(_getch(), 'a') << "a getch that must wait takes the key at once";
    EXPECT_EQ(vb.now_us(), 500'000) << "and the time spent waiting passes";
    EXPECT_EQ(Runtime::instance().clock().console_time(), 500'000);
    EXPECT_FALSE(_kbhit());
    EXPECT_FALSE(_kbhit());
    EXPECT_FALSE(_kbhit());
    EXPECT_TRUE(_kbhit());
    EXPECT_TRUE(_kbhit()) << "kbhit consumes nothing";
    EXPECT_EQ(_getch(), 'b');
    EXPECT_THROW(_getch(), platform::ScriptEnded);
}

TEST_F(PacingTest, KbhitIsTrueBetweenTheTwoCodesOfACursorKey) {
    vb.up();
    EXPECT_TRUE(_kbhit());
    EXPECT_EQ(_getch(), 224);
    EXPECT_TRUE(_kbhit());
    EXPECT_EQ(_getch(), 72);
}

TEST(PacingClock, SleepsUntilRealTimeCatchesUp) {
    PacingClock clock;
    clock.start(1'000'000);
    clock.charge(50'000);
    EXPECT_EQ(clock.catch_up(1'010'000), 40'000);
    EXPECT_EQ(clock.catch_up(1'060'000), 0) << "real time ahead by 10 ms: no sleep";
    clock.charge(20'000);
    EXPECT_EQ(clock.catch_up(1'060'000), 10'000) << "and no re-base below the threshold";
}

TEST(PacingClock, RebasesInsteadOfRacingAfterAStall) {
    PacingClock clock;
    clock.start(0);
    clock.charge(50'000);
    EXPECT_EQ(clock.catch_up(2'000'000), 0) << "two seconds stalled";
    clock.charge(50'000);
    EXPECT_EQ(clock.catch_up(2'000'000), 50'000) << "the next frame is paced again";
}

TEST(PacingClock, WaitingForAKeyCountsAsConsoleTime) {
    PacingClock clock;
    clock.start(0);
    clock.charge(1'000);
    clock.wait_ended(100'000);
    EXPECT_EQ(clock.console_time(), 100'000);
    clock.charge(10'000);
    EXPECT_EQ(clock.catch_up(100'000), 10'000);
}

}  // namespace
}  // namespace patrulha::testing
