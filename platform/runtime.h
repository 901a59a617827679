// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The platform runtime: the one console screen buffer, the pacing clock,
// the key queue and the random generator, over the backend in use. The
// platform services of console/services.h and console/win32.h are thin
// functions over this.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

#include "platform/backend.h"
#include "platform/console_buffer.h"
#include "platform/pacing.h"
#include "platform/replay.h"

namespace patrulha::platform {

// The C library's example generator: the same sequence for the same seed on
// every machine, results 0 to 32767. Tests may force results ahead of it.
class RandomSource {
public:
    static constexpr int kMax = 32767;

    void seed(unsigned s) { state_ = s; }
    int next();

    // Results handed out before the generator's, oldest first.
    std::deque<int>& forced() { return forced_; }
    // When set, the value handed out once the forced results run out,
    // instead of the generator's.
    void set_fallback(std::optional<int> value) { fallback_ = value; }
    // Draws made since the runtime was attached.
    std::uint64_t draws() const { return draws_; }
    void reset();

private:
    std::uint32_t state_ = 1;
    std::deque<int> forced_;
    std::optional<int> fallback_;
    std::uint64_t draws_ = 0;
};

class Runtime {
public:
    // Inline, and a plain object rather than a function's static: every
    // console call of the game comes through here, thousands a frame. It
    // is made before main; nothing made before it uses it.
    static Runtime& instance() { return instance_; }

    // Makes `backend` the one in use, with a fresh console, pacing clock,
    // key queue and generator.
    void attach(Backend& backend);
    // Falls back to a backend with no keyboard and no clock.
    void detach();
    Backend& backend() { return *backend_; }

    ConsoleBuffer& console() { return console_; }
    PacingClock& clock() { return clock_; }
    RandomSource& random() { return random_; }

    // Charges one console round trip.
    void charge_call() { clock_.charge(kConsoleCallCostUs); }

    // A pacing point: where real time is at least kShortestWaitUs behind
    // console time (kLongestDeferralUs when `deferrable`), present the
    // console, then let real time catch up; otherwise carry the difference
    // to the next pacing point, presenting only where the last picture is
    // kOldestPictureUs old.
    void pace(bool deferrable = false);
    // Presents the console now, without waiting.
    void present() { show(backend_->now_us()); }

    // Writes codes at the cursor as one console round trip.
    void write(std::string_view codes);

    // The keyboard (getch, kbhit), the tone (beep) and the delay (sleep):
    // each a pacing point but a getch with a key waiting.
    int getch();
    bool kbhit();
    void beep(unsigned frequency, unsigned duration_ms);
    void sleep(unsigned long ms);

    void synthesised_key(int virtual_key, int scan_code, unsigned flags);

    // What time() gives the game: the backend's wall clock, or the
    // journal's seed.
    std::time_t wall_time() {
        return journal_ ? journal_->wall_time(*backend_) : backend_->wall_time();
    }

    // Records or replays the keys at every key pacing point (nullptr: the
    // backend's keys as they come). Kept across attach, which starts the
    // count of pacing points again.
    void set_journal(Journal* journal) { journal_ = journal; }
    // The key pacing points (_kbhit and _getch calls) since attach.
    std::uint64_t key_points() const { return key_points_; }

private:
    Runtime();
    static Runtime instance_;
    void show(std::int64_t now);
    void key_point();
    void read_keys(bool wait);

    Backend* backend_;
    ConsoleBuffer console_;
    PacingClock clock_;
    RandomSource random_;
    std::deque<int> keys_;
    // Real time of the last present, or of the end of the wait after it.
    std::int64_t shown_at_us_ = 0;
    bool waited_since_poll_ = false;
    Journal* journal_ = nullptr;
    std::uint64_t key_points_ = 0;
    // The last four synthesised key events, to recognise Alt+Enter.
    std::deque<std::pair<int, unsigned>> recent_events_;
};

}  // namespace patrulha::platform
