// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What the real game costs the machine, measured from outside: the program
// itself (one or several builds of it) runs on a pseudo-terminal of 80 x 42,
// and while it waits at the menu, plays without keys and plays with a key
// every 100 ms, its processor time and context switches are read from
// /proc for all its threads, and its system calls are counted by kind by a
// ptrace tracer in a separate, traced run of the same scene (tracing stops
// the program at every call, which would weigh on the other figures).
#pragma once

#include <string>
#include <vector>

namespace patrulha::bench {

struct CostPlan {
    std::vector<std::string> binaries;  // the builds compared, the first the baseline
    std::string term = "tmux-256color";
    char preset = '1';
    int seconds = 10;     // length of each measured scene
    int rounds = 3;       // medians over this many rounds
    double frame_ms = 0;  // a key-less frame of play, for per-frame figures; 0: unknown
};

// Measures every binary in every scene, round after round (the builds
// alternating, so that a change of load weighs on both), and prints the
// figures side by side, the later builds also as ratios to the first.
// False when a scene could not be measured.
bool compare_costs(const CostPlan& plan);

}  // namespace patrulha::bench
