// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/virtual/virtual_backend.h"

#include <utility>

#include "platform/cp850.h"

namespace patrulha::platform {

namespace {

void trim_right(std::string& s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
}

bool blank(const Cell& c) {
    return c.code == ' ' || c.code == 0;
}

const char* kHex = "0123456789abcdef";

}  // namespace

VirtualBackend::VirtualBackend() {
    Runtime::instance().attach(*this);
}

VirtualBackend::~VirtualBackend() {
    Runtime::instance().detach();
}

void VirtualBackend::add(Step::Kind kind, int code, std::function<void()> action) {
    script_.push_back({kind, code, pending_polls_, pending_at_us_, std::move(action)});
    pending_polls_ = 0;
    pending_at_us_ = -1;
}

VirtualBackend& VirtualBackend::key(int code) {
    add(Step::Key, code);
    return *this;
}

VirtualBackend& VirtualBackend::keys(std::string_view text) {
    for (const char c : text) key(static_cast<unsigned char>(c));
    return *this;
}

VirtualBackend& VirtualBackend::after_polls(int n) {
    pending_polls_ = n;
    return *this;
}

VirtualBackend& VirtualBackend::at_ms(std::int64_t ms) {
    pending_at_us_ = ms * 1000;
    return *this;
}

VirtualBackend& VirtualBackend::end_after_polls(int n) {
    pending_polls_ = n;
    add(Step::End, 0);
    return *this;
}

VirtualBackend& VirtualBackend::call(std::function<void()> action) {
    add(Step::Call, 0, std::move(action));
    return *this;
}

VirtualBackend& VirtualBackend::force_rand(std::initializer_list<int> values) {
    for (const int v : values) Runtime::instance().random().forced().push_back(v);
    return *this;
}

VirtualBackend& VirtualBackend::force_rand(const std::vector<int>& values) {
    for (const int v : values) Runtime::instance().random().forced().push_back(v);
    return *this;
}

VirtualBackend& VirtualBackend::steady_rand(int value) {
    Runtime::instance().random().set_fallback(value);
    return *this;
}

std::uint64_t VirtualBackend::rand_draws() const {
    return Runtime::instance().random().draws();
}

std::size_t VirtualBackend::forced_rand_left() const {
    return Runtime::instance().random().forced().size();
}

void VirtualBackend::read_keys(std::deque<int>& keys, bool wait) {
    if (!wait) ++polls_;
    for (;;) {
        if (script_.empty()) throw ScriptEnded();
        Step& step = script_.front();
        if (!wait) {
            const bool held =
                polls_waited_ < step.polls || (step.at_us >= 0 && now_us_ < step.at_us);
            if (held) {
                ++polls_waited_;
                return;
            }
        } else if (step.at_us > now_us_) {
            now_us_ = step.at_us;  // waiting for the key lets the clock run
        }
        if (step.kind == Step::End) throw ScriptEnded();
        if (step.kind == Step::Call) {
            // Taken off the script first: the action may add further steps.
            const std::function<void()> action = std::move(step.action);
            script_.pop_front();
            polls_waited_ = 0;
            action();
            continue;
        }
        keys.push_back(step.code);
        script_.pop_front();
        polls_waited_ = 0;
        return;
    }
}

void VirtualBackend::beep(unsigned frequency, unsigned duration_ms) {
    beeps_.push_back({frequency, duration_ms, Runtime::instance().clock().console_time()});
}

void VirtualBackend::sleep_requested(unsigned long ms) {
    sleeps_.push_back({ms, Runtime::instance().clock().console_time()});
}

void VirtualBackend::synthesised_key(int virtual_key, int scan_code, unsigned flags) {
    synthesised_.push_back({virtual_key, scan_code, flags});
}

const Cell& VirtualBackend::cell(int x, int y) const {
    return Runtime::instance().console().at({x - 1, y - 1});
}

std::string VirtualBackend::row_text(int y) const {
    std::string out;
    for (int x = 1; x <= ConsoleBuffer::kWidth; ++x)
        append_utf8(out, cp850_to_unicode(cell(x, y).code));
    trim_right(out);
    return out;
}

std::string VirtualBackend::row_codes(int y, int from, int to) const {
    std::string out;
    for (int x = from; x <= to; ++x) out += static_cast<char>(cell(x, y).code);
    return out;
}

std::string VirtualBackend::picture() const {
    std::string out;
    for (int y = 1; y <= ConsoleBuffer::kHeight; ++y) out += row_text(y) + '\n';
    return out;
}

std::string VirtualBackend::foreground_picture() const {
    std::string out;
    for (int y = 1; y <= ConsoleBuffer::kHeight; ++y) {
        std::string row;
        for (int x = 1; x <= ConsoleBuffer::kWidth; ++x) {
            const Cell& c = cell(x, y);
            row += blank(c) ? '.' : kHex[c.attribute & 15];
        }
        out += row + '\n';
    }
    return out;
}

std::string VirtualBackend::background_picture() const {
    std::string out;
    for (int y = 1; y <= ConsoleBuffer::kHeight; ++y) {
        for (int x = 1; x <= ConsoleBuffer::kWidth; ++x)
            out += kHex[(cell(x, y).attribute >> 4) & 15];
        out += '\n';
    }
    return out;
}

}  // namespace patrulha::platform
