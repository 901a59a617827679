// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// One benchmark session: the whole game, on the real terminal backend, on
// the slave side of a pseudo-terminal, with a backend in between that
// records every present and plays the scripted keys. Runs in a child
// process of the benchmark; the parent plays the terminal on the master
// side, counting the bytes it receives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace patrulha::bench {

// What the session is asked to do.
struct SessionPlan {
    char preset = '1';                    // menu key of the difficulty
    int frames = 2000;                    // frames of play before the session ends
    int idle_ms = 3000;                   // time left waiting at the menu, measured
    std::uint32_t seed = 1;               // random keys and the game's clock seed
    double key_odds = 0.15;               // chance of a key at each frame
    std::string term = "xterm-256color";  // the terminal description the game is given
};

// Written by the game's process after each present, so that the terminal
// side can tell which bytes belong to which present. No renderer sends it.
inline constexpr char kPresentMarker[] = "\x1b_B\x1b\\";
inline constexpr std::size_t kPresentMarkerSize = sizeof kPresentMarker - 1;

// One present, as the game's process saw it.
struct PresentRecord {
    int frame = 0;                 // game-loop frames polled before it; 0 before play
    std::int64_t console_us = 0;   // pacing clock
    std::int64_t real_us = 0;      // monotonic clock since the session began
    std::int64_t lower_bound = 0;  // bytes any renderer would need for it
    int changed_cells = 0;
};

// One game-loop frame: from one keyboard poll to the next.
struct FrameRecord {
    std::int64_t console_us = 0;  // console time of the frame
    std::int64_t real_us = 0;     // real time of the frame
    bool waited = false;          // a key wait (game over, menu) fell inside it
    bool keyed = false;           // a key was typed and handled inside it
};

struct SessionResult {
    std::vector<PresentRecord> presents;
    std::vector<FrameRecord> frames;
    std::int64_t play_cpu_us = 0;        // processor time from the first frame to the last
    std::int64_t play_bench_cpu_us = 0;  // of which the recording and key script took
    std::int64_t play_real_us = 0;
    std::int64_t idle_cpu_us = 0;  // while waiting for a key at the menu
    std::int64_t idle_real_us = 0;
    std::int64_t idle_wakeups = 0;  // context switches during that wait
    std::int64_t max_rss_kib = 0;
    int games = 0;           // games started (a game over starts another)
    int title_presents = 0;  // presents before the first key wait: the title screen
    std::string error;       // why the session failed, if it did

    std::string serialise() const;
    static SessionResult parse(const std::string& text);
};

// The game's side: runs the game on standard input and output (the slave
// side), writing key requests to `control_fd` and key bytes to `master_fd`.
// Returns what it measured.
SessionResult run_session(const SessionPlan& plan, int master_fd, int control_fd);

}  // namespace patrulha::bench
