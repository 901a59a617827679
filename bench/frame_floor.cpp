// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The least a frame of play can cost on this machine: one wait and one
// picture's write a frame, and nothing else. `bench --cost` measures it
// beside the game (build-check/frame_floor), so that what the game pays
// above what any program that paces its frames and shows each one would
// pay is plain to see.
//
// It behaves as the game does where the benchmark looks: it draws a line and
// waits for a key (the menu), then plays frames of 52.29 ms, reading the keys
// that come, and writes 54 bytes a frame (a cursor move and a row's change,
// the game's bytes a frame without keys), until it is ended by a signal.
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::int64_t kFrameNs = 52'290'000;
constexpr int kFrameBytes = 54;

std::int64_t now_ns() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

int main() {
    termios modes{};
    if (::tcgetattr(STDIN_FILENO, &modes) == 0) {
        ::cfmakeraw(&modes);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &modes);
    }
    const char menu[] = "frame floor: a key starts the frames\r\n";
    if (::write(STDOUT_FILENO, menu, sizeof menu - 1) < 0) return 1;
    char keys[256];
    if (::read(STDIN_FILENO, keys, sizeof keys) <= 0) return 1;

    char picture[kFrameBytes];
    std::int64_t next = now_ns() + kFrameNs;
    for (unsigned frame = 0;; ++frame) {
        for (std::int64_t left; (left = next - now_ns()) > 0;) {
            pollfd input{STDIN_FILENO, POLLIN, 0};
            const timespec timeout{static_cast<time_t>(left / 1'000'000'000),
                                   static_cast<long>(left % 1'000'000'000)};
            if (::ppoll(&input, 1, &timeout, nullptr) > 0 &&
                ::read(STDIN_FILENO, keys, sizeof keys) <= 0)
                return 0;
        }
        next += kFrameNs;
        const int head =
            std::snprintf(picture, sizeof picture, "\x1b[%u;%uH", frame % 40 + 1, frame % 43 + 1);
        std::memset(picture + head, '*', sizeof picture - static_cast<std::size_t>(head));
        if (::write(STDOUT_FILENO, picture, sizeof picture) < 0) return 1;
    }
}
