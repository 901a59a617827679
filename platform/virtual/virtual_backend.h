// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The backend for tests: scripted keys, forced random results, a virtual
// clock that advances by console time and never really sleeps, a record of
// every beep, sleep and synthesised key, and the console buffer to inspect.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/runtime.h"

namespace patrulha::platform {

// Thrown by _getch or _kbhit once the key script has run out: the end of a
// scripted run, which the test harness catches.
struct ScriptEnded : std::runtime_error {
    ScriptEnded() : std::runtime_error("the key script has run out") {}
};

struct BeepRecord {
    unsigned frequency;
    unsigned duration_ms;
    std::int64_t at_us;  // console time when the tone began
    friend bool operator==(const BeepRecord&, const BeepRecord&) = default;
};

struct SleepRecord {
    unsigned long ms;
    std::int64_t at_us;  // console time when the sleep began
};

struct SynthesisedKey {
    int virtual_key;
    int scan_code;
    unsigned flags;
    friend bool operator==(const SynthesisedKey&, const SynthesisedKey&) = default;
};

class VirtualBackend final : public Backend {
public:
    // Attaches itself to the runtime, with a fresh console and clock.
    VirtualBackend();
    ~VirtualBackend() override;
    VirtualBackend(const VirtualBackend&) = delete;
    VirtualBackend& operator=(const VirtualBackend&) = delete;

    // ==== The key script ====
    // Keys are handed out in order. A key waits, while _kbhit is polled,
    // until the polls and the virtual time asked for below have passed; a
    // _getch that must wait takes it at once, the clock jumping to its time.

    // One key code, or each byte of a text as a key.
    VirtualBackend& key(int code);
    VirtualBackend& keys(std::string_view text);
    // The cursor keys, as their two codes.
    VirtualBackend& up() { return key(224).key(72); }
    VirtualBackend& down() { return key(224).key(80); }
    VirtualBackend& left() { return key(224).key(75); }
    VirtualBackend& right() { return key(224).key(77); }
    // The next key is held back for `n` more _kbhit polls: the game loop
    // polls once a frame, so this lets `n` frames run first.
    VirtualBackend& after_polls(int n);
    // The next key is held back until the virtual clock reads `ms`.
    VirtualBackend& at_ms(std::int64_t ms);
    // The run ends (ScriptEnded) after `n` more _kbhit polls with no key.
    VirtualBackend& end_after_polls(int n);
    // At this point of the script (after the polls asked for with
    // after_polls), runs `action` in place of a key: test code that looks at
    // or sets the game's state between two frames. The next step is then
    // taken at once, in the same poll.
    VirtualBackend& call(std::function<void()> action);
    bool script_done() const { return script_.empty(); }

    // ==== Random results ====
    VirtualBackend& force_rand(std::initializer_list<int> values);
    VirtualBackend& force_rand(const std::vector<int>& values);
    // Once the forced results run out, every draw gives `value`.
    VirtualBackend& steady_rand(int value);
    std::uint64_t rand_draws() const;
    std::size_t forced_rand_left() const;

    // ==== Clock and records ====
    std::int64_t now_us() override { return now_us_; }
    double now_ms() const { return static_cast<double>(now_us_) / 1000.0; }
    const std::vector<BeepRecord>& beeps() const { return beeps_; }
    const std::vector<SleepRecord>& sleeps() const { return sleeps_; }
    const std::vector<SynthesisedKey>& synthesised_keys() const { return synthesised_; }
    int bells() const { return bells_; }
    int full_console_requests() const { return full_console_requests_; }
    int polls() const { return polls_; }
    // Every pacing point the game passed (presents() and on_present), and
    // the presents and waits the runtime really made there: a pacing point
    // that waited, a key wait, and one that did not wait where the last
    // picture was old.
    int presents() const { return presents_; }
    int pictures() const { return pictures_; }
    int waits() const { return waits_; }
    // Runs `observer` at every pacing point (a sleep, a beep, a poll, a
    // wait for a key), whether or not the runtime presents there: the
    // screen as the game has drawn it so far. An empty function removes it.
    void on_present(std::function<void()> observer) { on_present_ = std::move(observer); }
    // Every console call fails while this is false.
    using Backend::set_console_available;

    // ==== The screen ====
    // Screen positions are 1-based (column, row), as gotoxy takes them.
    const Cell& cell(int x, int y) const;
    // A row as UTF-8 text, each code shown as the console font shows it,
    // trailing blanks removed.
    std::string row_text(int y) const;
    // The codes of columns from..to of a row, as bytes.
    std::string row_codes(int y, int from = 1, int to = ConsoleBuffer::kWidth) const;
    // The whole screen, one line per row, trailing blanks removed.
    std::string picture() const;
    // The foreground colours, one hex digit per cell, '.' for blank cells.
    std::string foreground_picture() const;
    // The background colours, one hex digit per cell.
    std::string background_picture() const;

    // ==== Backend ====
    void present(const ConsoleBuffer&) override {
        ++pictures_;
        observe();
    }
    // Tests watch every pacing point, whether or not it waits.
    void pacing_point_without_wait(const ConsoleBuffer&) override { observe(); }
    void sleep_us(std::int64_t us) override {
        ++waits_;
        now_us_ += us;
    }
    void read_keys(std::deque<int>& keys, bool wait) override;
    void beep(unsigned frequency, unsigned duration_ms) override;
    void sleep_requested(unsigned long ms) override;
    void bell() override { ++bells_; }
    void synthesised_key(int virtual_key, int scan_code, unsigned flags) override;
    void request_full_console() override { ++full_console_requests_; }
    std::time_t wall_time() override { return 1'700'000'000 + now_us_ / 1'000'000; }

private:
    struct Step {
        enum Kind { Key, End, Call } kind;
        int code;
        int polls;                     // _kbhit polls to wait before this step
        std::int64_t at_us;            // virtual time to wait for, or -1
        std::function<void()> action;  // for a Call step
    };

    void add(Step::Kind kind, int code, std::function<void()> action = {});
    void observe() {
        ++presents_;
        if (on_present_) on_present_();
    }

    std::deque<Step> script_;
    int pending_polls_ = 0;  // for the next step added
    std::int64_t pending_at_us_ = -1;
    int polls_waited_ = 0;  // by the step at the front

    std::int64_t now_us_ = 0;
    std::vector<BeepRecord> beeps_;
    std::vector<SleepRecord> sleeps_;
    std::vector<SynthesisedKey> synthesised_;
    int bells_ = 0;
    int full_console_requests_ = 0;
    int polls_ = 0;
    int presents_ = 0;
    int pictures_ = 0;
    int waits_ = 0;
    std::function<void()> on_present_;
};

}  // namespace patrulha::platform
