// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Enemy shots, pickups and asteroids falling: every outcome of an object
// meeting the cell below it, and the bottom row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

constexpr int kShot = 111, kPickup = 3, kRock = 219, kShip = 5, kPlayerShot = 127;

// Draws that make the coming frame's asteroid draw 1 (they fall); the
// spawn draws after it stay quiet.
const std::vector<int> kRocksFall = {1};

class FallingTest : public GameTest {
protected:
    // Moves the ship from its start cell to (19, 37), so that a hit's
    // return to (21, 37) shows.
    void ship_to_19_37() { vb.left().left(); }
};

TEST_F(FallingTest, AnEnemyShotOnTheShipCostsALifeAndSendsTheShipBack) {
    ship_to_19_37();
    vb.after_polls(1).call([] { matriz_tela[19][36] = kShot; });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(vidas, 3);
        EXPECT_EQ(vb.row_codes(8, 60, 61), "3 ");
        EXPECT_EQ(matriz_tela[19][36], 0);
        EXPECT_EQ(matriz_tela[19][37], 0);
        EXPECT_EQ(field_code(19, 36), ' ');
        EXPECT_EQ(field_code(19, 37), ' ');
        EXPECT_EQ(col_nave, 21);
        EXPECT_EQ(lin_nave, 37);
        EXPECT_EQ(matriz_tela[21][37], kShip);
        EXPECT_EQ(field_code(21, 37), ' ') << "drawn by the next frame";
        ASSERT_EQ(vb.beeps().size(), 1u);
        EXPECT_EQ(vb.beeps()[0].frequency, 100u);
    });
    vb.after_polls(1).call([&] { EXPECT_EQ(field_code(21, 37), kShip); });
    vb.end_after_polls(0);
    run_main();
}

struct SpentCase {
    const char* name;
    int below;
};

std::ostream& operator<<(std::ostream& out, const SpentCase& s) {
    return out << s.name;
}

class ShotSpentTest : public GameTest, public ::testing::WithParamInterface<SpentCase> {};

TEST_P(ShotSpentTest, AnEnemyShotAboveAnEnemyOrAnAsteroidIsSpent) {
    const SpentCase s = GetParam();
    vb.call([&] {
        matriz_tela[10][8] = kShot;
        matriz_tela[10][9] = static_cast<unsigned char>(s.below);
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(matriz_tela[10][8], 0);
        EXPECT_EQ(matriz_tela[10][9], s.below);
        EXPECT_EQ(count_in_grid(kShot), 0);
        EXPECT_EQ(field_code(10, 8), ' ');
        EXPECT_EQ(vidas, 4);
        EXPECT_EQ(pontos, 0);
    });
    vb.end_after_polls(0);
    run_main();
}

INSTANTIATE_TEST_SUITE_P(Below, ShotSpentTest,
                         ::testing::Values(SpentCase{"enemy1", 31}, SpentCase{"enemy2", 4},
                                           SpentCase{"enemy3", 2}, SpentCase{"enemy4", 15},
                                           SpentCase{"asteroid", kRock}));

TEST_F(FallingTest, FallingObjectsMoveDownAndReplaceWhatTheyMeet) {
    vb.call([] {
        matriz_tela[5][20] = kShot;  // onto an empty cell
        matriz_tela[7][20] = kShot;  // above a pickup, which falls first
        matriz_tela[7][21] = kPickup;
        matriz_tela[9][20] = kPickup;  // above an enemy shot, which falls first
        matriz_tela[9][21] = kShot;
        matriz_tela[11][20] = kPickup;      // onto an empty cell
        matriz_tela[13][20] = kShot;        // onto a player's shot that has
        matriz_tela[13][22] = kPlayerShot;  // climbed into row 21 this frame
        matriz_tela[15][20] = kPickup;      // onto an enemy, which stays put
        matriz_tela[15][21] = 31;
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(grid_picture(20, 23, 5, 15),
                  "...........\n"
                  "o.o.+.+.o.+\n"
                  "..+.o......\n"
                  "...........\n");
        // The replaced player's shot leaves its image in row 22 until the
        // enemy shot falls over it.
        EXPECT_EQ(field_picture(20, 23, 5, 15),
                  "...........\n"
                  "o.o.+.+.o.+\n"
                  "..+.o...^..\n"
                  "...........\n");
        EXPECT_EQ(field_attribute(5, 21), YELLOW);
        EXPECT_EQ(field_attribute(11, 21), LIGHTRED);
        EXPECT_EQ(pontos, 0);
    });
    vb.after_polls(1).call([&] { EXPECT_EQ(field_code(13, 22), kShot); });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(FallingTest, APickupAboveTheShipGivesALifeAndVanishes) {
    vb.after_polls(1).call([] { matriz_tela[21][36] = kPickup; });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(vidas, 5);
        EXPECT_EQ(vb.row_codes(8, 60, 61), "5 ");
        EXPECT_EQ(matriz_tela[21][36], 0);
        EXPECT_EQ(field_code(21, 36), ' ');
        EXPECT_EQ(matriz_tela[21][37], kShip);
        EXPECT_EQ(field_code(21, 37), kShip);
        EXPECT_TRUE(vb.beeps().empty());
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(FallingTest, ObjectsInTheBottomRowAreErasedAndRemoved) {
    vb.call([] {
        matriz_tela[3][38] = kShot;
        matriz_tela[5][38] = kPickup;
        matriz_tela[7][38] = kRock;
    });
    // The first frame draws them into row 39; the next (asteroids too)
    // takes them away.
    vb.after_polls(1).call([&] {
        EXPECT_EQ(field_code(3, 39), kShot);
        EXPECT_EQ(field_code(5, 39), kPickup);
        EXPECT_EQ(matriz_tela[7][38], kRock) << "asteroids wait for their draw";
        EXPECT_EQ(field_code(7, 38), ' ') << "and are drawn only when they fall";
        vb.force_rand(kRocksFall);
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(field_code(7, 39), kRock);
        EXPECT_EQ(field_attribute(7, 39), BROWN);
        EXPECT_EQ(count_in_grid(kShot), 0);
        EXPECT_EQ(count_in_grid(kPickup), 0);
        EXPECT_EQ(field_code(3, 39), ' ');
        EXPECT_EQ(field_code(5, 39), ' ');
        vb.force_rand(kRocksFall);
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(count_in_grid(kRock), 0);
        EXPECT_EQ(field_code(7, 39), ' ');
        // The frame below the field is untouched.
        EXPECT_EQ(code_at(9, 42), 205);
        EXPECT_EQ(attribute_at(9, 42), GREEN);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(FallingTest, TwoShotsStackedAboveTheShipTheLowerHitsTheUpperFalls) {
    ship_to_19_37();
    vb.after_polls(1).call([] {
        matriz_tela[19][35] = kShot;
        matriz_tela[19][36] = kShot;
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(vidas, 3);
        EXPECT_EQ(matriz_tela[19][36], kShot);
        EXPECT_EQ(matriz_tela[19][35], 0);
        EXPECT_EQ(field_code(19, 36), kShot);
        EXPECT_EQ(vb.beeps().size(), 1u);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(FallingTest, TwoAsteroidsStackedAboveTheShipTheLowerHitsTheUpperFalls) {
    ship_to_19_37();
    vb.after_polls(1).call([&] {
        matriz_tela[19][35] = kRock;
        matriz_tela[19][36] = kRock;
        vb.force_rand(kRocksFall);
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(vidas, 3);
        EXPECT_EQ(matriz_tela[19][36], kRock);
        EXPECT_EQ(matriz_tela[19][35], 0);
        EXPECT_EQ(matriz_tela[19][37], 0);
        EXPECT_EQ(matriz_tela[21][37], kShip);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(FallingTest, AnAsteroidAboveTheShipDoesNoHarmUntilItsDraw) {
    std::vector<int> draws;
    for (int v = 0; v < 6; ++v) {
        if (v != 1) draws.push_back(v);
    }
    vb.after_polls(1).call([&] {
        matriz_tela[21][36] = kRock;
        vb.force_rand(draws);  // five frames, asteroid draws 0, 2, 3, 4, 5
    });
    vb.after_polls(5).call([&] {
        EXPECT_EQ(vidas, 4);
        EXPECT_EQ(matriz_tela[21][36], kRock);
        vb.force_rand({7});  // 7 % 6 is 1
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(vidas, 3);
        EXPECT_EQ(count_in_grid(kRock), 0);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(FallingTest, AnAsteroidFallingOnAnEnemyReplacesItWithoutScore) {
    vb.call([&] {
        matriz_tela[10][9] = kRock;
        matriz_tela[10][10] = 31;
        vb.force_rand({3, 3, 1});  // the enemy's quiet draws, then the asteroid draw
    });
    vb.after_polls(1).call([&] {
        EXPECT_EQ(matriz_tela[10][10], kRock);
        EXPECT_EQ(count_in_grid(31), 0);
        EXPECT_EQ(field_code(10, 10), kRock);
        EXPECT_EQ(field_code(10, 9), ' ');
        EXPECT_EQ(pontos, 0);
        EXPECT_TRUE(vb.beeps().empty());
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(FallingTest, ASecondLifeLostInTheGameOverFrameTakesTheCountBelowZero) {
    niveis[0].vidas = 1;
    // The ship at (19, 39); a shot above it and another above the start
    // cell (21, 37), to which the first hit sends the ship.
    vb.left().left().down().down();
    std::vector<std::string> lives_shown;
    vb.after_polls(1).call([&] {
        matriz_tela[19][38] = kShot;
        matriz_tela[21][36] = kShot;
        vb.on_present([&] { lives_shown.push_back(vb.row_codes(8, 60, 61)); });
    });
    vb.after_polls(5).key('n');
    // The prompt's wait takes the answer at once. Only one answer is scripted: a second prompt
    // would end the script.
    EXPECT_EQ(run_main(), RunEnd::Returned);
    vb.on_present(nullptr);
    EXPECT_EQ(vidas, -1);
    // Presents: the ship's pause, the first hit's tone, the prompt, the
    // second hit's tone; the -1 is printed after that, and the game ends
    // with the frame.
    EXPECT_EQ(lives_shown, (std::vector<std::string>{"1 ", "1 ", "0 ", "0 "}));
    int life_tones = 0;
    for (const auto& b : vb.beeps()) life_tones += b.frequency == 100;
    EXPECT_EQ(life_tones, 2);
}

}  // namespace
}  // namespace patrulha::testing
