// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Long unattended play with the real generator at every level, the ship
// left still: the rules' invariants hold after every frame (the shared soak,
// which the sanitised soak program runs with random keys).
#include "tests/support/soak.h"

#include <gtest/gtest.h>

#include <iostream>

#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

class SoakTest : public ConsoleTest, public ::testing::WithParamInterface<int> {};

TEST_P(SoakTest, TheRulesHoldFrameAfterFrame) {
    SoakOptions options;
    options.frames = 4000;
    options.seed = static_cast<std::uint32_t>(GetParam());
    options.key_odds = 0;
    options.level = GetParam();
    const SoakReport r = run_soak(vb, options);
    std::cout << "[ figures  ] level " << GetParam() << ": " << r.frames << " frames, "
              << r.enemy_cell_frames() << " enemy cell-frames, lives +" << r.lives_gained << " -"
              << r.lives_lost << ", " << r.game_overs << " game overs\n";
    EXPECT_EQ(r.failure, "");
    EXPECT_EQ(r.frames, options.frames);
    EXPECT_GT(r.enemy_cell_frames(), 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, SoakTest, ::testing::Values(1, 2, 3, 4));

}  // namespace
}  // namespace patrulha::testing
