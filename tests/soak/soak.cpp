// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The soak program: the shared soak (tests/support/soak.h), built with
// AddressSanitizer and UndefinedBehaviorSanitizer, which stop the run at any
// access outside the grid or any other undefined behaviour.
//
//   patrulha_soak [--frames N] [--seed S] [--key-odds P]
#include "tests/support/soak.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    patrulha::testing::SoakOptions options;
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value && arg == "--frames")
            options.frames = std::atol(value);
        else if (value && arg == "--seed")
            options.seed = static_cast<std::uint32_t>(std::atol(value));
        else if (value && arg == "--key-odds")
            options.key_odds = std::atof(value);
        else {
            std::fputs("usage: patrulha_soak [--frames N] [--seed S] [--key-odds P]\n", stderr);
            return 2;
        }
    }

    patrulha::platform::VirtualBackend backend;
    const patrulha::testing::SoakReport r = patrulha::testing::run_soak(backend, options);
    if (!r.failure.empty()) {
        std::fprintf(stderr, "soak: invariant broken at %s\n", r.failure.c_str());
        return 1;
    }
    std::printf("soak: %ld frames, %ld key waits, %ld program runs, seed %u: invariants held\n",
                r.frames, r.waits, r.runs, options.seed);
    std::printf("soak: %ld game-over prompts, score up to %d, lives from %d to %d (+%d -%d)\n",
                r.game_overs, r.max_score, r.min_lives, r.max_lives, r.lives_gained, r.lives_lost);
    std::printf("soak: cell-frames by kind:");
    for (int k = 0; k < r.kKinds; ++k)
        std::printf(" %s %lld%s", r.kKindNames[k], r.cells_of_kind[k],
                    k + 1 < r.kKinds ? "," : "\n");
    return 0;
}
