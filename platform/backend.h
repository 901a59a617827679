// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What a backend supplies to the platform services: presenting the console
// buffer, real time and sleeping, keys, sound, and the wall clock. The
// terminal backend does it on a real terminal; the virtual backend for
// tests does it in memory on a virtual clock.
#pragma once

#include <cstdint>
#include <ctime>
#include <deque>

#include "platform/console_buffer.h"

namespace patrulha::platform {

// Thrown by a backend at a pacing point or key wait when the program must
// end from outside the game: a signal, Ctrl-C, its window closed, its
// terminal or console gone. The program unwinds, and the backend gives
// everything back.
struct ProgramEnded {
    int status;  // the exit status: 128 + the signal (Ctrl-C 130), 1 when gone
};

class Backend {
public:
    virtual ~Backend() = default;

    // Shows the console buffer as it stands now. Called at the pacing
    // points that wait, before the wait, before a wait for a key, and at a
    // pacing point that does not wait where the last picture is old.
    virtual void present(const ConsoleBuffer& console) = 0;

    // A pacing point that neither waits nor presents: what was drawn shows
    // at the next present, microseconds of real time later.
    virtual void pacing_point_without_wait(const ConsoleBuffer& console) { (void)console; }

    // Monotonic real time in microseconds.
    virtual std::int64_t now_us() = 0;

    // Sleeps for `us` microseconds of real time.
    virtual void sleep_us(std::int64_t us) = 0;

    // Moves decoded key codes into `keys`. With `wait`, blocks until at
    // least one code has arrived.
    virtual void read_keys(std::deque<int>& keys, bool wait) = 0;

    // Starts a tone; the caller waits out its duration.
    virtual void beep(unsigned frequency, unsigned duration_ms) = 0;

    // The game is about to sleep `ms` milliseconds (console time).
    virtual void sleep_requested(unsigned long ms) { (void)ms; }

    // Code 7 was written to the console.
    virtual void bell() = 0;

    // A key event synthesised with keybd_event; never a key for _getch.
    virtual void synthesised_key(int virtual_key, int scan_code, unsigned flags) = 0;

    // The game asked for its full 80 x 42 console (Alt+Enter synthesised).
    virtual void request_full_console() = 0;

    // Seconds since the epoch, for seeding the random generator.
    virtual std::time_t wall_time() = 0;

    // False when the console cannot be reached: every console call fails.
    // A plain flag: every console call of the game asks it, thousands of
    // times a frame.
    bool console_available() const { return console_available_; }

protected:
    void set_console_available(bool available) { console_available_ = available; }

private:
    bool console_available_ = true;
};

}  // namespace patrulha::platform
