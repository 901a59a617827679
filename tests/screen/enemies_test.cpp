// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Enemies in the main scan: their colours, their fire and moves, and what
// their shots and moves do to the ship and to the player's shots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime.h"
#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

// Draws of a frame with no enemy, no falling asteroid and no spawn: the
// asteroid draw and the three spawn draws.
const std::vector<int> kQuietTail = {3, 3, 3, 3};

std::vector<int> concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(GameTest, EachKindIsDrawnInItsColour) {
    vb.call([] {
        matriz_tela[5][3] = 31;
        matriz_tela[10][3] = 4;
        matriz_tela[15][3] = 2;
        matriz_tela[20][3] = 15;
    });
    vb.end_after_polls(1);
    run_main();
    EXPECT_EQ(field_picture(2, 4, 4, 21),
              "..................\n.1....2....3....4.\n..................\n");
    EXPECT_EQ(field_attribute(5, 3), LIGHTRED);
    EXPECT_EQ(field_attribute(10, 3), LIGHTBLUE);
    EXPECT_EQ(field_attribute(15, 3), LIGHTCYAN);
    EXPECT_EQ(field_attribute(20, 3), LIGHTMAGENTA);
    // Quiet draws: none fired or moved.
    EXPECT_EQ(count_in_grid(111), 0);
    EXPECT_EQ(matriz_tela[5][3], 31);
}

TEST_F(GameTest, AnOrdinaryFrameDrawsFourTimesAndTwoMorePerEnemy) {
    std::vector<std::uint64_t> draws;
    const auto note = [&] { draws.push_back(vb.rand_draws()); };
    vb.after_polls(1).call(note).after_polls(1).call([&] {
        note();
        matriz_tela[5][3] = 31;
        matriz_tela[30][9] = 2;
    });
    vb.after_polls(1).call(note).end_after_polls(0);
    run_main();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[1] - draws[0], 4u);
    EXPECT_EQ(draws[2] - draws[1], 8u);
    std::cout << "[ figures  ] rand draws per ordinary frame: " << draws[1] - draws[0]
              << " with no enemy, " << draws[2] - draws[1] << " with two\n";
}

TEST_F(GameTest, AnEnemyShotIsFirstSeenTwoRowsBelowTheEnemy) {
    // Kind 1 fires on a fire draw of 1; 3 does not move it.
    vb.call([&] {
        matriz_tela[10][5] = 31;
        vb.force_rand(concat({1, 3}, kQuietTail));
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(grid_picture(4, 8, 9, 11), "...\n.1.\n...\n.o.\n...\n");
        EXPECT_EQ(field_code(10, 7), 111);
        EXPECT_EQ(field_attribute(10, 7), YELLOW);
        EXPECT_EQ(field_code(10, 6), ' ');
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(matriz_tela[10][8], 111);
        EXPECT_EQ(field_code(10, 8), 111);
        EXPECT_EQ(field_code(10, 7), ' ');
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(GameTest, AnEnemyThatFiresAndMovesDownReplacesItsOwnShot) {
    // Fire (1), move (0), direction down (draw 0 gives 1); visited again in
    // its new row: quiet.
    vb.call([&] {
        matriz_tela[10][5] = 31;
        vb.force_rand(concat({1, 0, 0, 3, 3}, kQuietTail));
    });
    std::uint64_t draws_before = 0;
    vb.call([&] { draws_before = vb.rand_draws(); });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(vb.rand_draws() - draws_before, 9u);
        EXPECT_EQ(matriz_tela[10][6], 31);
        EXPECT_EQ(count_in_grid(111), 0);
        EXPECT_EQ(count_in_grid(31), 1);
        EXPECT_EQ(field_code(10, 5), ' ');
        EXPECT_EQ(field_code(10, 6), 31) << "visited and drawn again in its new row";
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(GameTest, AnEnemyMovingRightCrossesSeveralColumnsInOneFrame) {
    // Move, right (draw 1 gives 2) twice, then quiet; kind 3 fires on 7.
    vb.call([&] {
        matriz_tela[10][5] = 2;
        vb.force_rand(concat({7, 0, 1, 7, 0, 1, 3, 3}, kQuietTail));
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(grid_picture(5, 6, 9, 13), "...3.\n.....\n");
        // Fired at each of its first two visits: the shots fell one row.
        EXPECT_EQ(matriz_tela[10][7], 111);
        EXPECT_EQ(matriz_tela[11][7], 111);
        EXPECT_EQ(field_code(12, 5), 2);
        EXPECT_EQ(field_attribute(12, 5), LIGHTCYAN);
        EXPECT_EQ(field_code(10, 5), ' ');
        EXPECT_EQ(field_code(11, 5), ' ');
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(GameTest, AnEnemyFiringOnTheShipRightBelowTakesNoLife) {
    // The ship climbs to row 16, under an enemy on the zone's bottom row.
    for (int i = 0; i < 21; ++i) vb.up();
    std::size_t sleeps_before = 0;
    vb.after_polls(1).call([&] {
        EXPECT_EQ(field_code(21, 16), 5);
        matriz_tela[21][15] = 31;
        vb.force_rand(concat({1, 3}, kQuietTail));
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(vidas, 4);
        EXPECT_EQ(count_in_grid(5), 0) << "the ship's cell was taken by the shot";
        EXPECT_EQ(matriz_tela[21][17], 111);
        EXPECT_EQ(field_code(21, 16), ' ') << "the shot fell over the ship's image";
        EXPECT_EQ(field_code(21, 17), 111);
        sleeps_before = vb.sleeps().size();
    });
    vb.after_polls(3).call([&] {
        EXPECT_EQ(vb.sleeps().size(), sleeps_before) << "no ship, no pause";
        EXPECT_EQ(vidas, 4);
        EXPECT_TRUE(vb.beeps().empty());
    });
    // Moving puts the ship back in the grid, and the frames draw it again.
    vb.left().after_polls(1).call([&] {
        EXPECT_EQ(matriz_tela[20][16], 5);
        EXPECT_EQ(field_code(20, 16), 5);
        EXPECT_EQ(vb.sleeps().size(), sleeps_before + 1);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(GameTest, AnEnemyMovingOntoTheShipTakesItsCellWithoutEffect) {
    // The ship climbs to row 15; the enemy above it steps down (draw 0).
    for (int i = 0; i < 22; ++i) vb.up();
    vb.after_polls(1).call([&] {
        matriz_tela[21][14] = 4;
        vb.force_rand(concat({3, 0, 0, 3, 3}, kQuietTail));
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(matriz_tela[21][15], 4);
        EXPECT_EQ(count_in_grid(5), 0);
        EXPECT_EQ(field_code(21, 15), 4);
        EXPECT_EQ(vidas, 4);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(GameTest, AnEnemyOnTheZonesBottomRowNeverStepsBelowIt) {
    // Move draws of 0 and direction draws that would go down (0, 4, 6:
    // down, down-right, down-left) are drawn again until one is allowed.
    vb.call([&] {
        matriz_tela[21][15] = 31;
        vb.force_rand(concat({3, 0, 0, 4, 6, 1, 3, 3}, kQuietTail));
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(matriz_tela[22][15], 31);
        EXPECT_EQ(count_in_grid(31), 1);
    });
    vb.end_after_polls(0);
    run_main();
}

struct FireCase {
    int divisor;
    std::vector<int> shots_per_kind;  // kinds 1 to 4
};

std::ostream& operator<<(std::ostream& out, const FireCase& f) {
    return out << "fire divisor " << f.divisor;
}

class FireDivisorTest : public GameTest, public ::testing::WithParamInterface<FireCase> {};

TEST_P(FireDivisorTest, OnlyKindOneFiresBelowEight) {
    const FireCase f = GetParam();
    niveis[0].quant_tiros_inimigo = f.divisor;
    // Fourteen frames; in frame k every enemy's fire draw is k (0 to 13),
    // its move draw 1 (no move).
    std::vector<int> draws;
    for (int k = 0; k < 14; ++k) {
        for (int kind = 0; kind < 4; ++kind) {
            draws.push_back(k);
            draws.push_back(1);
        }
        draws.insert(draws.end(), kQuietTail.begin(), kQuietTail.end());
    }
    vb.call([&] {
        matriz_tela[5][3] = 31;
        matriz_tela[10][3] = 4;
        matriz_tela[15][3] = 2;
        matriz_tela[20][3] = 15;
        vb.force_rand(draws);
    });
    vb.end_after_polls(14);
    run_main();
    EXPECT_EQ(vb.forced_rand_left(), 0u);
    const int columns[4] = {5, 10, 15, 20};
    for (int kind = 0; kind < 4; ++kind) {
        int shots = 0;
        for (int r = 0; r < 40; ++r) shots += matriz_tela[columns[kind]][r] == 111;
        EXPECT_EQ(shots, f.shots_per_kind[static_cast<std::size_t>(kind)]) << "kind " << kind + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Divisors, FireDivisorTest,
                         ::testing::Values(FireCase{7, {2, 0, 0, 0}}, FireCase{2, {7, 0, 0, 0}},
                                           FireCase{8, {2, 1, 1, 1}}));

TEST_F(GameTest, AShotUnderAnEnemyThatMovesAwayClimbsIntoTheEmptyCell) {
    // Enemy at (21, 35), the player's shot fired into (21, 36). The enemy is
    // visited first and moves up (draw 2 gives 3); the shot then climbs.
    vb.call([] { matriz_tela[21][35] = 31; }).key('z').call([&] {
        vb.force_rand(concat({3, 0, 2}, kQuietTail));
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(matriz_tela[21][34], 31);
        EXPECT_EQ(matriz_tela[21][35], 127);
        EXPECT_EQ(pontos, 0);
    });
    vb.after_polls(1).call([&] {
        // Next frame: the enemy, quiet, is right above the shot: hit.
        EXPECT_EQ(pontos, 5);
        EXPECT_EQ(count_in_grid(31), 0);
    });
    vb.end_after_polls(0);
    run_main();
}

}  // namespace
}  // namespace patrulha::testing
