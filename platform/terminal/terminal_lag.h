// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// How far behind the pictures the terminal is. A slow link (a serial line,
// a congested connection) takes pictures more slowly than the game draws
// them, and the queues in between (the pseudo-terminal's, the connection's)
// hold many seconds of them before a write would ever fail: the screen
// would lag the keys by as much. So a picture now and then goes out with a
// status question (CSI 5 n) behind it, and the terminal answers (CSI 0 n)
// once it has read everything before it: the answer's delay is the lag.
//
// While the terminal keeps up, a question goes out twice a second. Once one
// has waited kBehindUs, the terminal is behind: pictures wait for the
// answer, and from then on each picture sent asks again and the next waits
// for its answer, so that no more than one picture is ever on its way and
// the one sent is always the newest. It keeps up again once an answer comes
// within kQuickUs, about a frame.
//
// A terminal that has never answered is never waited for: it may not
// answer at all.
#pragma once

#include <cstdint>
#include <limits>

namespace patrulha::platform {

class TerminalLag {
public:
    static constexpr std::int64_t kEveryUs = 500'000;
    static constexpr std::int64_t kBehindUs = 250'000;
    static constexpr std::int64_t kQuickUs = 50'000;
    // An answer this late is taken to be lost (its bytes spread out past
    // the key decoder's patience, say): pictures go on, and a new question
    // with them.
    static constexpr std::int64_t kLostUs = 10'000'000;

    static constexpr const char* kQuestion = "\x1b[5n";

    // Whether a picture may go out at `now_us`.
    bool may_send(std::int64_t now_us) const {
        if (!answers_ || asked_at_us_ < 0) return true;
        const std::int64_t waited = now_us - asked_at_us_;
        return waited >= kLostUs || (!behind_ && waited < kBehindUs);
    }

    // Whether a picture sent at `now_us` takes a question behind it; if so,
    // the question counts as asked.
    bool ask(std::int64_t now_us) {
        if (asked_at_us_ >= 0 && now_us - asked_at_us_ < kLostUs) return false;
        if (!behind_ && now_us - last_asked_us_ < kEveryUs) return false;
        asked_at_us_ = last_asked_us_ = now_us;
        return true;
    }

    // `count` answers came at `now_us`. An answer to a question given up
    // for lost may be taken for the newer one's: no harm.
    void answered(int count, std::int64_t now_us) {
        if (count <= 0) return;
        answers_ = true;
        if (asked_at_us_ >= 0) {
            const std::int64_t waited = now_us - asked_at_us_;
            behind_ = waited >= (behind_ ? kQuickUs : kBehindUs);
        }
        asked_at_us_ = -1;
    }

    // Whether a question is out that the terminal is known to answer, and
    // when it was asked.
    bool awaiting_answer() const { return answers_ && asked_at_us_ >= 0; }
    std::int64_t asked_at_us() const { return asked_at_us_; }

private:
    bool answers_ = false;
    bool behind_ = false;
    std::int64_t asked_at_us_ = -1;
    std::int64_t last_asked_us_ = std::numeric_limits<std::int64_t>::min() / 2;
};

}  // namespace patrulha::platform
