// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/runtime.h"

#include <stdexcept>

namespace patrulha::platform {

int RandomSource::next() {
    ++draws_;
    if (!forced_.empty()) {
        const int value = forced_.front();
        forced_.pop_front();
        return value;
    }
    if (fallback_) return *fallback_;
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ / 65536u) % 32768u);
}

void RandomSource::reset() {
    state_ = 1;
    forced_.clear();
    fallback_.reset();
    draws_ = 0;
}

namespace {

// The backend in use before any other is attached: no keyboard, no clock.
class DetachedBackend final : public Backend {
public:
    void present(const ConsoleBuffer&) override {}
    std::int64_t now_us() override { return 0; }
    void sleep_us(std::int64_t) override {}
    void read_keys(std::deque<int>&, bool wait) override {
        if (wait) throw std::logic_error("no backend attached: no keyboard to wait for");
    }
    void beep(unsigned, unsigned) override {}
    void bell() override {}
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override {}
    std::time_t wall_time() override { return 0; }
};

DetachedBackend detached;

}  // namespace

Runtime Runtime::instance_;

Runtime::Runtime() : backend_(&detached) {}

void Runtime::attach(Backend& backend) {
    backend_ = &backend;
    console_.reset();
    clock_.start(backend.now_us());
    shown_at_us_ = backend.now_us();
    waited_since_poll_ = false;
    key_points_ = 0;
    random_.reset();
    keys_.clear();
    recent_events_.clear();
}

void Runtime::detach() {
    attach(detached);
}

void Runtime::pace(bool deferrable) {
    const std::int64_t now = backend_->now_us();
    const std::int64_t behind = clock_.catch_up(now);
    if (behind < kShortestWaitUs || (deferrable && behind < kLongestDeferralUs)) {
        // What was drawn shows at the next wait, microseconds of real time
        // from now; only a machine too slow to wait at all shows it here,
        // so that the screen never stands still for long.
        if (now - shown_at_us_ < kOldestPictureUs) {
            backend_->pacing_point_without_wait(console_);
            return;
        }
        show(now);
        return;
    }
    show(now);
    // The present takes microseconds (a window too small, or a stop, does
    // not count in the backend's real time).
    backend_->sleep_us(behind);
    // The picture counts as new until the wait ends: the game has drawn
    // nothing since it went out.
    shown_at_us_ = now + behind;
    waited_since_poll_ = true;
}

void Runtime::show(std::int64_t now) {
    backend_->present(console_);
    shown_at_us_ = now;
}

void Runtime::write(std::string_view codes) {
    charge_call();
    for (const char c : codes) {
        const auto code = static_cast<std::uint8_t>(c);
        if (code == 7) backend_->bell();
        console_.put(code);
    }
}

void Runtime::key_point() {
    ++key_points_;
    if (journal_) journal_->pacing_point(key_points_, clock_.charged());
}

void Runtime::read_keys(bool wait) {
    if (journal_)
        journal_->read_keys(*backend_, keys_, wait, key_points_);
    else
        backend_->read_keys(keys_, wait);
}

int Runtime::getch() {
    key_point();
    if (keys_.empty()) {
        show(backend_->now_us());
        // A wait may end without a key (woken for a redraw): it waits on.
        while (keys_.empty()) read_keys(true);
        shown_at_us_ = backend_->now_us();
        clock_.wait_ended(shown_at_us_);
        waited_since_poll_ = true;
    }
    const int code = keys_.front();
    keys_.pop_front();
    return code;
}

bool Runtime::kbhit() {
    // The poll defers its wait where the game has waited since a poll last
    // found no key: a frame of play has paused for its ship since, and the
    // poll's share of the frame, with the keys it finds, is caught up at
    // the next pause. So a frame waits once and shows one picture, while a
    // loop that never pauses is still paced here.
    key_point();
    pace(waited_since_poll_);
    if (keys_.empty()) read_keys(false);
    if (keys_.empty()) waited_since_poll_ = false;
    return !keys_.empty();
}

void Runtime::beep(unsigned frequency, unsigned duration_ms) {
    backend_->beep(frequency, duration_ms);
    clock_.charge(static_cast<std::int64_t>(duration_ms) * 1000);
    pace();
}

void Runtime::sleep(unsigned long ms) {
    backend_->sleep_requested(ms);
    clock_.charge(static_cast<std::int64_t>(ms) * 1000);
    pace();
}

void Runtime::synthesised_key(int virtual_key, int scan_code, unsigned flags) {
    backend_->synthesised_key(virtual_key, scan_code, flags);
    recent_events_.emplace_back(virtual_key, flags);
    if (recent_events_.size() > 4) recent_events_.pop_front();
    constexpr int kAlt = 0x12, kEnter = 0x0D;
    constexpr unsigned kUp = 2;
    const std::deque<std::pair<int, unsigned>> alt_enter = {
        {kAlt, 0}, {kEnter, 0}, {kEnter, kUp}, {kAlt, kUp}};
    if (recent_events_ == alt_enter) {
        recent_events_.clear();
        backend_->request_full_console();
    }
}

}  // namespace patrulha::platform
