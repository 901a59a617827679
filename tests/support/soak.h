// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The soak: the whole program played for a great many frames on the virtual
// backend, with random keys, checking the game's invariants at every frame.
// Game-over prompts, menus, the options screen and pauses are answered at
// random; when the program ends, it starts again. The sanitised soak program
// and the screen tests' soak at each level both run it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/virtual/virtual_backend.h"

namespace patrulha::testing {

struct SoakOptions {
    long frames = 1'000'000;
    std::uint32_t seed = 1;
    double key_odds = 0.2;  // chance of a key of play at each frame
    int level = 0;          // 1 to 4: the menu always takes that level; 0: any
};

// What a soak went through, so that a reader can judge its reach.
struct SoakReport {
    std::string failure;  // the first invariant broken, and where; empty if none
    long frames = 0;
    long waits = 0;  // waits for a key: menus, prompts, pauses
    long runs = 0;   // starts of the program
    long game_overs = 0;
    int max_score = 0;
    int min_lives = 0, max_lives = 0;
    int lives_gained = 0, lives_lost = 0;
    // Cell-frames of each kind: ship, asteroid, the four enemies, extra
    // life, shot, enemy shot.
    static constexpr int kKinds = 9;
    long long cells_of_kind[kKinds] = {};
    static const char* const kKindNames[kKinds];

    long long enemy_cell_frames() const {
        return cells_of_kind[2] + cells_of_kind[3] + cells_of_kind[4] + cells_of_kind[5];
    }
};

// Runs the soak on `backend`, which must have no script of its own.
SoakReport run_soak(platform::VirtualBackend& backend, const SoakOptions& options);

}  // namespace patrulha::testing
