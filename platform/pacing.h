// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The pacing model: the game's pace is the cost of its console calls. Every
// console round trip is charged a fixed console time, and real time catches
// up with console time at the pacing points (_sleep, _beep, _kbhit and a
// _getch that must wait).
#pragma once

#include <algorithm>
#include <cstdint>

namespace patrulha::platform {

// Console time charged for each console round trip: every console call but
// GetStdHandle, and every write (printf, _putch, _cputs).
constexpr std::int64_t kConsoleCallCostUs = 14;

// When real time has run this far ahead of console time (a stall, a
// suspend), console time is re-based instead of racing to catch up.
constexpr std::int64_t kRebaseThresholdUs = 250'000;

// A pacing point less than this behind console time does not wait: the
// difference is carried to the next one. Shorter waits cost a wake-up each
// and show nothing a player could see.
constexpr std::int64_t kShortestWaitUs = 1'000;

// A key poll carries up to this much to the next pacing point, where the
// game has waited since a poll last found no key: more than a frame's
// share after its ship's pause, less than a flood of keys could pile up.
constexpr std::int64_t kLongestDeferralUs = 100'000;

// A pacing point that does not wait still presents where the last picture
// is this old in real time: on a machine too slow to wait at all.
constexpr std::int64_t kOldestPictureUs = 20'000;

class PacingClock {
public:
    // Console time starts at 0 at real time `real_now`.
    void start(std::int64_t real_now) {
        console_us_ = 0;
        charged_us_ = 0;
        base_us_ = real_now;
    }

    void charge(std::int64_t us) {
        console_us_ += us;
        charged_us_ += us;
    }

    // Console time charged by the game's calls since start, without the
    // key waits: the same on every run of the same game.
    std::int64_t charged() const { return charged_us_; }

    // Console time since start, in microseconds.
    std::int64_t console_time() const { return console_us_; }

    // How far console time is ahead of real time now, if at all: what the
    // next wait will catch up.
    std::int64_t behind(std::int64_t real_now) const {
        return std::max<std::int64_t>(0, console_us_ - (real_now - base_us_));
    }

    // How long to sleep so that real time catches up with console time.
    // Re-bases, and asks for no sleep, when real time has run more than the
    // threshold ahead.
    std::int64_t catch_up(std::int64_t real_now) {
        const std::int64_t ahead = (real_now - base_us_) - console_us_;
        if (ahead > kRebaseThresholdUs) {
            base_us_ += ahead;
            return 0;
        }
        return std::max<std::int64_t>(0, -ahead);
    }

    // After waiting for a key, the time spent waiting counts as console
    // time, so the game neither races nor stalls afterwards.
    void wait_ended(std::int64_t real_now) {
        console_us_ = std::max(console_us_, real_now - base_us_);
    }

private:
    std::int64_t console_us_ = 0;
    std::int64_t charged_us_ = 0;
    std::int64_t base_us_ = 0;
};

}  // namespace patrulha::platform
