// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Waiting for a state: the one way every test waits, with a deadline long
// enough for a machine under load.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace patrulha::testing {

// How long a test waits for a state before it calls the state absent. A
// passing test waits only as long as the state takes to come; the deadline
// matters only when it never comes, so it is generous.
inline constexpr std::chrono::milliseconds kPatience = std::chrono::seconds(20);

// Checks `ready` every few milliseconds until it holds or `deadline` has
// passed; whether it held. `ready` is checked once more after the deadline,
// so that a slow check is never the reason for a failure.
inline bool wait_until(const std::function<bool()>& ready,
                       std::chrono::milliseconds deadline = kPatience) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        const bool late = std::chrono::steady_clock::now() >= end;
        if (ready()) return true;
        if (late) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace patrulha::testing
