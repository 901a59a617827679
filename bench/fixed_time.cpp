// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Loaded into the real program by the benchmark (LD_PRELOAD): the wall
// clock, which the game reads once to seed its random generator, always
// says the same second, so that every build plays the same game and a
// session without keys is the same session for each of them. The pacing
// clock is another (monotonic) clock and runs on untouched.
#include <ctime>

extern "C" std::time_t time(std::time_t* out) {
    constexpr std::time_t kSecond = 1'000'001;
    if (out) *out = kSecond;
    return kSecond;
}
