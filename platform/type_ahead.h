// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The keys read from the keyboard that the game has not taken yet, bounded
// as a keyboard's own buffer is: once it is full, further keys are dropped,
// whole. A cursor or function key is two codes (0 or 224, then its code);
// both go in or neither does, so the game never reads half a key.
#pragma once

#include <cstddef>
#include <deque>

namespace patrulha::platform {

class TypeAhead {
public:
    // Codes held at most: some tens of keys, as a keyboard buffer holds.
    static constexpr std::size_t kCapacity = 64;

    // Moves the decoded `codes` in, oldest first, key by key, while they
    // fit; what does not fit is dropped. `codes` is left empty.
    void take(std::deque<int>& codes) {
        while (!codes.empty()) {
            const bool pair = (codes.front() == 0 || codes.front() == 224) && codes.size() >= 2;
            const std::size_t length = pair ? 2 : 1;
            if (keys_.size() + length <= kCapacity) {
                keys_.insert(keys_.end(), codes.begin(), codes.begin() + static_cast<long>(length));
            } else {
                ++dropped_;
            }
            codes.erase(codes.begin(), codes.begin() + static_cast<long>(length));
        }
    }

    // Hands every waiting code to `out`, oldest first.
    void move_to(std::deque<int>& out) {
        out.insert(out.end(), keys_.begin(), keys_.end());
        keys_.clear();
    }

    bool empty() const { return keys_.empty(); }
    std::size_t size() const { return keys_.size(); }
    void clear() { keys_.clear(); }
    // Keys dropped because the type-ahead was full, since it was made.
    std::size_t dropped() const { return dropped_; }

private:
    std::deque<int> keys_;
    std::size_t dropped_ = 0;
};

}  // namespace patrulha::platform
