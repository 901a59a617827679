// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The spawning step at the end of each frame: its draws in their order, the
// cells it writes and when what it writes first shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

class SpawningTest : public GameTest {
protected:
    // Runs one frame (no enemies on the field) with `draws` forced first,
    // then `check`; returns how many draws the frame made.
    void frame_with(const std::vector<int>& draws, std::function<void()> check) {
        vb.after_polls(1).call([this, draws] {
            before_ = vb.rand_draws();
            vb.force_rand(draws);
        });
        vb.after_polls(1).call([this, check] {
            frame_draws_ = vb.rand_draws() - before_;
            check();
        });
    }
    std::uint64_t before_ = 0;
    std::uint64_t frame_draws_ = 0;
};

TEST_F(SpawningTest, APickupFallsIntoTheTopRowOfADrawnColumn) {
    // Asteroid draw, pickup draw 9 (aux 10), its column 4 (column 5), enemy
    // draw, asteroid cluster draw.
    frame_with({3, 9, 4, 3, 3}, [this] {
        EXPECT_EQ(frame_draws_, 5u);
        EXPECT_EQ(matriz_tela[5][0], 3);
        EXPECT_EQ(count_in_grid(3), 1);
        EXPECT_EQ(field_code(5, 0), ' ') << "not shown in the frame that spawns it";
    });
    vb.after_polls(1).call([this] {
        EXPECT_EQ(matriz_tela[5][1], 3);
        EXPECT_EQ(field_code(5, 1), 3);
        EXPECT_EQ(field_attribute(5, 1), LIGHTRED);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(SpawningTest, OnlyAnAuxOfTenPlacesAPickup) {
    // Three frames: pickup draws 8 and 10 (aux 9 and 11) place nothing;
    // 409 % 400 + 1 is 10 again, and its column draw 0 gives column 1.
    std::uint64_t before = 0;
    vb.after_polls(1).call([&] {
        before = vb.rand_draws();
        vb.force_rand({3, 8, 3, 3, 3, 10, 3, 3, 3, 409, 0, 3, 3});
    });
    vb.after_polls(3).call([&] {
        EXPECT_EQ(vb.rand_draws() - before, 13u);
        EXPECT_EQ(count_in_grid(3), 1);
        EXPECT_EQ(matriz_tela[1][0], 3);
    });
    vb.end_after_polls(0);
    run_main();
}

struct EnemySpawnCase {
    int draw;
    int glyph;
    int colour;
};

std::ostream& operator<<(std::ostream& out, const EnemySpawnCase& e) {
    return out << "enemy draw " << e.draw;
}

class EnemySpawnTest : public SpawningTest, public ::testing::WithParamInterface<EnemySpawnCase> {};

TEST_P(EnemySpawnTest, FourRemaindersPlaceAnEnemyAtADrawnCell) {
    const EnemySpawnCase e = GetParam();
    // Column draw 41 (column 42), row draw 9 (row 11): the far corner of
    // the spawn area.
    frame_with({3, 3, e.draw, 41, 9, 3}, [&] {
        EXPECT_EQ(frame_draws_, 6u);
        EXPECT_EQ(matriz_tela[42][11], e.glyph);
        EXPECT_EQ(field_code(42, 11), ' ');
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(field_code(42, 11), e.glyph);
        EXPECT_EQ(field_attribute(42, 11), e.colour);
    });
    vb.end_after_polls(0);
    run_main();
}

INSTANTIATE_TEST_SUITE_P(Kinds, EnemySpawnTest,
                         ::testing::Values(EnemySpawnCase{2, 31, LIGHTRED},
                                           EnemySpawnCase{12, 4, LIGHTBLUE},
                                           EnemySpawnCase{22, 2, LIGHTCYAN},
                                           EnemySpawnCase{20, 15, LIGHTMAGENTA},
                                           EnemySpawnCase{225 + 2, 31, LIGHTRED}));

TEST_F(SpawningTest, OtherEnemyDrawsPlaceNothing) {
    std::vector<int> draws;
    for (int v = 0; v < 225; ++v) {
        if (v == 2 || v == 12 || v == 20 || v == 22) continue;
        draws.insert(draws.end(), {3, 3, v, 3});
    }
    vb.after_polls(1).call([&] { vb.force_rand(draws); });
    vb.after_polls(221).call([&] {
        EXPECT_EQ(vb.forced_rand_left(), 0u);
        for (const int g : {31, 4, 2, 15}) EXPECT_EQ(count_in_grid(g), 0);
    });
    vb.end_after_polls(0);
    run_main();
}

struct ClusterCase {
    const char* name;
    std::vector<int> directions;  // nine draws
    const char* shape;            // grid rows 0 to 2, columns 1 to 3
};

std::ostream& operator<<(std::ostream& out, const ClusterCase& c) {
    return out << c.name;
}

class ClusterTest : public SpawningTest, public ::testing::WithParamInterface<ClusterCase> {};

TEST_P(ClusterTest, AClusterIsTheCentrePlusTheDrawnNeighbours) {
    const ClusterCase k = GetParam();
    // Asteroid draw, pickup, enemy, cluster draw 1, centre draw 0 (column 2).
    std::vector<int> draws = {3, 3, 3, 1, 0};
    draws.insert(draws.end(), k.directions.begin(), k.directions.end());
    frame_with(draws, [&] {
        EXPECT_EQ(frame_draws_, 14u);
        EXPECT_EQ(grid_picture(0, 3, 0, 4), k.shape);
        EXPECT_EQ(field_picture(0, 3, 0, 4), ".....\n.....\n.....\n.....\n") << "nothing shown yet";
    });
    vb.end_after_polls(0);
    run_main();
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ClusterTest,
    ::testing::Values(
        ClusterCase{"all_five", {0, 1, 2, 3, 4, 0, 1, 2, 3}, "..#..\n.###.\n..##.\n.....\n"},
        ClusterCase{"above_only", {0, 0, 0, 0, 0, 0, 0, 0, 0}, "..#..\n..#..\n.....\n.....\n"},
        ClusterCase{"below_only", {1, 6, 11, 1, 1, 1, 1, 1, 1}, ".....\n..#..\n..#..\n.....\n"},
        ClusterCase{"right_left", {2, 3, 2, 3, 2, 3, 2, 3, 2}, ".....\n.###.\n.....\n.....\n"},
        ClusterCase{"diagonal", {4, 4, 4, 4, 4, 4, 4, 4, 9}, ".....\n..#..\n...#.\n.....\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SpawningTest, ClustersReachColumns1To40AndNoFurther) {
    // Centre draw 37 gives column 39: its right-hand cells are column 40.
    std::vector<int> draws = {3, 3, 3, 1, 37, 0, 1, 2, 3, 4, 2, 2, 2, 2};
    frame_with(draws, [&] { EXPECT_EQ(grid_picture(0, 2, 37, 42), "..#...\n.###..\n..##..\n"); });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(SpawningTest, ClustersShowOneRowLowerWhenTheyFirstFall) {
    std::vector<int> draws = {3, 3, 3, 1, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    frame_with(draws, [] {});
    vb.after_polls(1).call([&] {
        EXPECT_EQ(field_code(12, 1), ' ');
        vb.force_rand({1});  // the asteroids fall this frame
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(grid_picture(0, 3, 11, 13), "...\n.#.\n.#.\n...\n");
        EXPECT_EQ(field_picture(0, 3, 11, 13), "...\n.#.\n.#.\n...\n");
        EXPECT_EQ(field_attribute(12, 1), BROWN);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(SpawningTest, APickupAnEnemyAndAClusterCanComeInOneFrame) {
    std::vector<int> draws = {3, 9, 0, 2, 5, 0, 1, 20};
    for (int i = 0; i < 9; ++i) draws.push_back(0);
    frame_with(draws, [&] {
        EXPECT_EQ(frame_draws_, 17u);
        EXPECT_EQ(matriz_tela[1][0], 3) << "the cluster's upper cell is elsewhere";
        EXPECT_EQ(matriz_tela[6][2], 31);
        EXPECT_EQ(matriz_tela[22][1], 219);
        EXPECT_EQ(matriz_tela[22][0], 219);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(SpawningTest, ASpawnOverTheShipTakesItsCellAndLeavesItsPosition) {
    // The ship climbs to (21, 5); an enemy is spawned there.
    for (int i = 0; i < 32; ++i) vb.up();
    frame_with({3, 3, 2, 20, 3, 3}, [&] {
        EXPECT_EQ(matriz_tela[21][5], 31);
        EXPECT_EQ(count_in_grid(5), 0);
        EXPECT_EQ(col_nave, 21);
        EXPECT_EQ(lin_nave, 5);
    });
    vb.end_after_polls(0);
    run_main();
}

}  // namespace
}  // namespace patrulha::testing
