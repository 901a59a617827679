// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game loop on the virtual backend: the start of a game, the ship and
// its moves, the player's shots, the pause and the ways out.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

using ::testing::TestWithParam;

// ==== Start of a game ====

TEST_F(GameTest, AGameStartsWithTheShipInWhiteAndThePanelValues) {
    vb.end_after_polls(1);
    EXPECT_EQ(run_main(), RunEnd::ScriptEnded);

    EXPECT_EQ(code_at(23, 39), 5);
    EXPECT_EQ(attribute_at(23, 39), WHITE);
    EXPECT_EQ(col_nave, 21);
    EXPECT_EQ(lin_nave, 37);
    EXPECT_EQ(count_in_grid(5), 1);
    EXPECT_EQ(matriz_tela[21][37], 5);

    EXPECT_EQ(vb.row_codes(6, 60, 65), "FACIL ");
    EXPECT_EQ(vb.row_codes(8, 60, 62), "4  ");
    EXPECT_EQ(vb.row_codes(10, 60, 63), "10  ");
    EXPECT_EQ(vb.row_codes(12, 60, 62), "0  ");
    for (const int row : {6, 8, 10, 12}) EXPECT_EQ(attribute_at(60, row), YELLOW) << row;
    EXPECT_EQ(pontos, 0);
    EXPECT_EQ(nbombas, 10);
    EXPECT_EQ(bomba_aux, 0);
    EXPECT_EQ(vidas, 4);
}

TEST_F(GameTest, ANewGameEmptiesWhatTheLastOneLeftInTheGrid) {
    vb.call([] { matriz_tela[3][4] = 219; })
        .after_polls(2)
        .key('c')
        .key('1')
        .call([this] {
            // The second game's start: the grid holds the ship alone, and
            // the console was cleared.
            EXPECT_EQ(count_in_grid(219), 0);
            EXPECT_EQ(count_in_grid(5), 1);
            EXPECT_EQ(field_code(3, 4), ' ');
        })
        .end_after_polls(1);
    EXPECT_EQ(run_main(), RunEnd::ScriptEnded);
}

TEST_F(GameTest, KeyDEndsTheProgramWithTheConsoleCleared) {
    vb.after_polls(2).key('d');
    EXPECT_EQ(run_main(), RunEnd::Returned);
    EXPECT_EQ(vb.picture(), std::string(42, '\n'));
}

TEST_F(GameTest, CapitalDEndsTheProgramToo) {
    vb.after_polls(1).key('D');
    EXPECT_EQ(run_main(), RunEnd::Returned);
}

TEST_F(GameTest, KeyCLeavesTheGameForANewOne) {
    std::vector<int> polls_at_start;
    vb.after_polls(3).key('C').key('1').call([&] { polls_at_start.push_back(vb.polls()); });
    vb.after_polls(2).key('c').key('1').call([&] { polls_at_start.push_back(vb.polls()); });
    vb.end_after_polls(0);
    EXPECT_EQ(run_main(), RunEnd::ScriptEnded);
    // Each new game starts with its own first poll, panel drawn afresh.
    ASSERT_EQ(polls_at_start.size(), 2u);
    EXPECT_EQ(polls_at_start[0], 5);
    EXPECT_EQ(polls_at_start[1], 8);
    EXPECT_EQ(vb.row_codes(8, 60, 61), "4 ");
}

TEST_F(GameTest, EscAndUnboundKeysDoNothing) {
    vb.after_polls(1).key(27).key('q').key(0).key(224).key('1').end_after_polls(1);
    EXPECT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(col_nave, 21);
    EXPECT_EQ(lin_nave, 37);
    EXPECT_EQ(vidas, 4);
    EXPECT_TRUE(vb.beeps().empty());
    EXPECT_EQ(code_at(23, 39), 5);
}

// ==== Frame pace ====

TEST_F(GameTest, AnOrdinaryFrameAtTheFirstLevel) {
    std::int64_t t0 = 0, t1 = 0;
    std::uint64_t d0 = 0, d1 = 0;
    constexpr int kFrames = 20;
    vb.after_polls(2).call([&] {
        t0 = vb.now_us();
        d0 = vb.rand_draws();
    });
    vb.after_polls(kFrames).call([&] {
        t1 = vb.now_us();
        d1 = vb.rand_draws();
    });
    vb.end_after_polls(0);
    run_main();
    const double frame_ms = static_cast<double>(t1 - t0) / kFrames / 1000.0;
    const double draws = static_cast<double>(d1 - d0) / kFrames;
    std::cout << "[ figures  ] ordinary frame at level 1: " << frame_ms << " ms of console time, "
              << draws << " rand draws\n";
    RecordProperty("frame_ms", std::to_string(frame_ms));
    // Two full cursor sweeps of the field (main and falling scans), the
    // ship's 1 ms pause and a few calls: about 50 ms.
    EXPECT_NEAR(frame_ms, 50.0, 3.0);
    EXPECT_EQ(d1 - d0, 4u * kFrames) << "the asteroid draw and three spawn draws";
}

TEST_F(GameTest, AFrameWhoseAsteroidsFallSweepsTheFieldOnceMore) {
    std::int64_t t0 = 0, t1 = 0;
    // Console time: the frame's real wait comes at the next frame's pause.
    vb.after_polls(2).call([&] {
        t0 = console_time();
        vb.force_rand({1});
    });
    vb.after_polls(1).call([&] { t1 = console_time(); });
    vb.end_after_polls(0);
    run_main();
    const double frame_ms = static_cast<double>(t1 - t0) / 1000.0;
    std::cout << "[ figures  ] frame with the asteroid scan at level 1: " << frame_ms
              << " ms of console time\n";
    EXPECT_NEAR(frame_ms, 74.0, 3.0);
}

TEST_F(GameTest, AFrameWaitsOnceAndShowsOnePictureEvenWithoutItsShip) {
    constexpr int kFrames = 10;
    struct Mark {
        int waits, pictures;
        std::int64_t console, real;
    };
    std::vector<Mark> marks;
    const auto mark = [&] {
        marks.push_back({vb.waits(), vb.pictures(), console_time(), vb.now_us()});
    };
    vb.after_polls(2).call(mark);
    vb.after_polls(kFrames).call([&] {
        mark();
        // A ship run over by an enemy leaves the field without its pause:
        // the key poll paces those frames itself.
        matriz_tela[col_nave][lin_nave] = 0;
    });
    vb.after_polls(1).call(mark);
    vb.after_polls(kFrames).call(mark);
    vb.end_after_polls(0);
    run_main();

    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks[1].waits - marks[0].waits, kFrames);
    EXPECT_EQ(marks[1].pictures - marks[0].pictures, kFrames);
    EXPECT_EQ(marks[3].waits - marks[2].waits, kFrames);
    EXPECT_EQ(marks[3].pictures - marks[2].pictures, kFrames);
    // Without the ship the poll waits at the frame's end: real time is
    // console time there.
    EXPECT_EQ(marks[3].real, marks[3].console);
    EXPECT_NEAR(static_cast<double>(marks[3].real - marks[2].real) / kFrames / 1000.0, 49.0, 3.0);
}

TEST_F(GameTest, AFloodOfKeysIsStillPacedAtThePolls) {
    // Left and right by turns, every poll finding the next: no frame runs
    // between them, and only the polls can pace the commands.
    vb.after_polls(1);
    for (int i = 0; i < 6000; ++i) i % 2 ? vb.right() : vb.left();
    std::int64_t console = 0, real = 0;
    int waits = 0;
    vb.call([&] {
        console = console_time();
        real = vb.now_us();
        waits = vb.waits();
    });
    vb.end_after_polls(0);
    run_main();
    EXPECT_GT(console, 150'000) << "6000 moves, two console calls each";
    EXPECT_LE(console - real, 100'000) << "real time at most 100 ms behind";
    EXPECT_GT(waits, 1);
}

// ==== The player's shots ====

TEST_F(GameTest, AShotClimbsOneRowAFrameWithItsImageOneRowBehind) {
    std::vector<std::string> grid, screen;
    const auto snap = [&] {
        grid.push_back(grid_picture(33, 38, 19, 23));
        screen.push_back(field_picture(33, 38, 19, 23));
    };
    vb.after_polls(1).key('z').call(snap);
    for (int i = 0; i < 3; ++i) vb.after_polls(1).call(snap);
    vb.end_after_polls(0);
    run_main();

    ASSERT_EQ(grid.size(), 4u);
    // Fired: in the grid above the ship, not yet drawn.
    EXPECT_EQ(grid[0], ".....\n.....\n.....\n..^..\n..S..\n.....\n");
    EXPECT_EQ(screen[0], ".....\n.....\n.....\n.....\n..S..\n.....\n");
    // Each frame the shot's cell climbs a row and its image shows where the
    // cell was; the ship is drawn again after its cell was blanked.
    EXPECT_EQ(grid[1], ".....\n.....\n..^..\n.....\n..S..\n.....\n");
    EXPECT_EQ(screen[1], ".....\n.....\n.....\n..^..\n..S..\n.....\n");
    EXPECT_EQ(grid[2], ".....\n..^..\n.....\n.....\n..S..\n.....\n");
    EXPECT_EQ(screen[2], ".....\n.....\n..^..\n.....\n..S..\n.....\n");
    EXPECT_EQ(grid[3], "..^..\n.....\n.....\n.....\n..S..\n.....\n");
    EXPECT_EQ(screen[3], ".....\n..^..\n.....\n.....\n..S..\n.....\n");
    EXPECT_EQ(attribute_at(23, 36), LIGHTBLUE);
    ASSERT_EQ(vb.beeps().size(), 1u);
    EXPECT_EQ(vb.beeps()[0], (platform::BeepRecord{700, 15, vb.beeps()[0].at_us}));
}

TEST_F(GameTest, AShotLeavesAtTheTopAfterTheShipsPause) {
    niveis[0].velocidade_nave = 7;
    std::size_t sleeps_before = 0;
    bool shown_in_top_row_during_pause = false;
    // The shot is fired from row 37 into row 36; it reaches row 0 after 36
    // frames and leaves in the 37th.
    vb.after_polls(1).key('z');
    vb.after_polls(36).call([&] {
        EXPECT_EQ(matriz_tela[21][0], 127);
        EXPECT_EQ(field_code(21, 1), 127);
        sleeps_before = vb.sleeps().size();
        vb.on_present([&] {
            if (field_code(21, 0) == 127 && vb.sleeps().size() == sleeps_before + 1) {
                shown_in_top_row_during_pause = true;
            }
        });
    });
    vb.after_polls(1).call([&] {
        vb.on_present(nullptr);
        EXPECT_EQ(count_in_grid(127), 0);
        for (int r = 0; r <= 36; ++r) EXPECT_EQ(field_code(21, r), ' ') << "row " << r;
        // This frame paused twice for the ship's time: the leaving shot,
        // then the ship.
        ASSERT_EQ(vb.sleeps().size(), sleeps_before + 2);
        EXPECT_EQ(vb.sleeps()[sleeps_before].ms, 7u);
        EXPECT_EQ(vb.sleeps()[sleeps_before + 1].ms, 7u);
    });
    vb.end_after_polls(0);
    run_main();
    EXPECT_TRUE(shown_in_top_row_during_pause);
    EXPECT_EQ(pontos, 0);
}

struct HitCase {
    const char* name;
    int target;  // glyph placed above the shot
    int points;
    bool explosion;
};

std::ostream& operator<<(std::ostream& out, const HitCase& h) {
    return out << h.name;
}

class ShotHitTest : public GameTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(ShotHitTest, AShotUnderATarget) {
    const HitCase hit = GetParam();
    std::vector<std::string> presented;
    // The target stands two rows above the ship; the shot fired into the
    // cell between hits it in the next frame.
    vb.call([&] { matriz_tela[21][35] = static_cast<unsigned char>(hit.target); });
    vb.key('z').call(
        [&] { vb.on_present([&] { presented.push_back(field_picture(34, 38, 19, 23)); }); });
    vb.after_polls(1).call([&] { vb.on_present(nullptr); });
    vb.end_after_polls(0);
    run_main();

    EXPECT_EQ(pontos, hit.points);
    EXPECT_EQ(matriz_tela[21][35], 0);
    EXPECT_EQ(matriz_tela[21][36], 0);
    EXPECT_EQ(field_code(21, 34), ' ');
    EXPECT_EQ(field_code(21, 35), ' ');
    EXPECT_EQ(field_code(21, 36), ' ');
    EXPECT_EQ(field_code(21, 37), 5) << "the ship drawn again in the same frame";
    EXPECT_EQ(vb.row_codes(12, 60, 62),
              std::to_string(hit.points) + (hit.points < 10 ? "  " : " "));
    const std::string star = ".\\|/.\n.-*-.\n./|\\.\n";
    bool star_seen = false;
    for (const std::string& p : presented) star_seen |= p.find(star) != std::string::npos;
    EXPECT_EQ(star_seen, hit.explosion);
    int tones_1000 = 0;
    for (const auto& b : vb.beeps()) tones_1000 += b.frequency == 1000 && b.duration_ms == 100;
    EXPECT_EQ(tones_1000, hit.explosion ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ShotHitTest,
    ::testing::Values(HitCase{"enemy1", 31, 5, true}, HitCase{"enemy2", 4, 5, true},
                      HitCase{"enemy3", 2, 5, true}, HitCase{"enemy4", 15, 5, true},
                      HitCase{"asteroid", 219, 2, false}, HitCase{"enemy_shot", 111, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GameTest, AShotClimbsIntoAPickupAndDestroysIt) {
    vb.call([] { matriz_tela[21][35] = 3; }).key('z').after_polls(2).call([] {
        EXPECT_EQ(count_in_grid(3), 0);
        EXPECT_EQ(matriz_tela[21][34], 127);
        EXPECT_EQ(pontos, 0);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(GameTest, FiringOverAnEnemyRightAboveTheShipReplacesItWithoutPoints) {
    vb.call([] { matriz_tela[21][36] = 31; }).key('z').call([] {
        EXPECT_EQ(matriz_tela[21][36], 127);
    });
    vb.end_after_polls(1);
    run_main();
    EXPECT_EQ(pontos, 0);
    EXPECT_EQ(count_in_grid(31), 0);
}

TEST_F(GameTest, SixShotsFlyAndTheSeventhIsSilentlyRefused) {
    for (int i = 0; i < 6; ++i) vb.key('z').after_polls(1);
    vb.call([] { EXPECT_EQ(count_in_grid(127), 6); });
    vb.key('z').call([] { EXPECT_EQ(count_in_grid(127), 6); });
    vb.end_after_polls(0);
    run_main();
    EXPECT_EQ(vb.beeps().size(), 6u);
}

TEST_F(GameTest, NoShotFromTheTopRow) {
    for (int i = 0; i < 37; ++i) vb.up();
    vb.key('z');
    vb.end_after_polls(1);
    run_main();
    EXPECT_EQ(lin_nave, 0);
    EXPECT_EQ(count_in_grid(127), 0);
    EXPECT_TRUE(vb.beeps().empty());
}

// ==== Moves ====

TEST_F(GameTest, TheArrowsMoveTheShipOneCellAndTheFrameDrawsIt) {
    vb.after_polls(1).left().call([this] {
        EXPECT_EQ(matriz_tela[20][37], 5);
        EXPECT_EQ(matriz_tela[21][37], 0);
        EXPECT_EQ(field_code(21, 37), ' ') << "old cell blanked";
        EXPECT_EQ(field_code(20, 37), ' ') << "not drawn before the next frame";
    });
    vb.after_polls(1).up().after_polls(1).right().after_polls(1).down().call([] {
        EXPECT_EQ(col_nave, 21);
        EXPECT_EQ(lin_nave, 37);
    });
    vb.end_after_polls(1);
    run_main();
    EXPECT_EQ(field_code(21, 37), 5);
    EXPECT_EQ(field_attribute(21, 37), WHITE);
    EXPECT_EQ(count_in_grid(5), 1);
    for (int c = 19; c <= 23; ++c) {
        for (int r = 35; r <= 39; ++r) {
            if (c != 21 || r != 37) {
                EXPECT_EQ(field_code(c, r), ' ') << c << "," << r;
            }
        }
    }
    EXPECT_EQ(vidas, 4);
}

TEST_F(GameTest, TheLettersOfTheArrowCodesSteerToo) {
    vb.keys("KKH").end_after_polls(1);
    run_main();
    EXPECT_EQ(col_nave, 19);
    EXPECT_EQ(lin_nave, 36);
}

TEST_F(GameTest, UpIntoAnOccupiedCellTakesItWithoutPenalty) {
    vb.call([] { matriz_tela[21][36] = 31; }).up().end_after_polls(1);
    run_main();
    EXPECT_EQ(lin_nave, 36);
    EXPECT_EQ(matriz_tela[21][36], 5);
    EXPECT_EQ(count_in_grid(31), 0);
    EXPECT_EQ(vidas, 4);
    EXPECT_TRUE(vb.beeps().empty());
}

struct BlockedCase {
    const char* name;
    int dc, dr;  // the direction
    int key;     // its second code
};

std::ostream& operator<<(std::ostream& out, const BlockedCase& b) {
    return out << b.name;
}

class BlockedMoveTest : public GameTest, public ::testing::WithParamInterface<BlockedCase> {};

TEST_P(BlockedMoveTest, IntoAnOccupiedCellCostsALife) {
    const BlockedCase m = GetParam();
    // The ship first goes to (19, 35), away from its start cell.
    vb.left().left().up().up();
    vb.call([&] { matriz_tela[19 + m.dc][35 + m.dr] = 219; });
    vb.after_polls(1).key(224).key(m.key).call([&] {
        EXPECT_EQ(col_nave, 21);
        EXPECT_EQ(lin_nave, 37);
        EXPECT_EQ(matriz_tela[21][37], 5);
        EXPECT_EQ(matriz_tela[19][35], 0);
        EXPECT_EQ(matriz_tela[19 + m.dc][35 + m.dr], 219) << "the occupant stays";
        EXPECT_EQ(field_code(19, 35), ' ');
        EXPECT_EQ(vidas, 3);
        EXPECT_EQ(vb.row_codes(8, 60, 61), "3 ");
        EXPECT_EQ(attribute_at(60, 8), YELLOW);
        ASSERT_EQ(vb.beeps().size(), 1u);
        EXPECT_EQ(vb.beeps()[0].frequency, 100u);
        EXPECT_EQ(vb.beeps()[0].duration_ms, 100u);
    });
    vb.end_after_polls(1);
    run_main();
    EXPECT_EQ(field_code(21, 37), 5);
}

INSTANTIATE_TEST_SUITE_P(Directions, BlockedMoveTest,
                         ::testing::Values(BlockedCase{"down", 0, 1, 80},
                                           BlockedCase{"left", -1, 0, 75},
                                           BlockedCase{"right", 1, 0, 77}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GameTest, MovesAreRefusedAtTheFourBorders) {
    struct Border {
        const char* name;
        int times;
        void (*press)(platform::VirtualBackend&);
        int col, lin;
    };
    const std::vector<Border> borders = {
        {"top", 37, [](platform::VirtualBackend& v) { v.up(); }, 21, 0},
        {"bottom", 2, [](platform::VirtualBackend& v) { v.down(); }, 21, 39},
        {"left", 21, [](platform::VirtualBackend& v) { v.left(); }, 0, 37},
        {"right", 21, [](platform::VirtualBackend& v) { v.right(); }, 42, 37},
    };
    for (const Border& b : borders) {
        for (int i = 0; i < b.times; ++i) b.press(vb);
        vb.after_polls(1).call([&] {
            EXPECT_EQ(col_nave, b.col) << b.name;
            EXPECT_EQ(lin_nave, b.lin) << b.name;
        });
        // Three more presses against the border change nothing.
        for (int i = 0; i < 3; ++i) b.press(vb);
        vb.after_polls(1).call([&] {
            EXPECT_EQ(col_nave, b.col) << b.name;
            EXPECT_EQ(lin_nave, b.lin) << b.name;
            EXPECT_EQ(count_in_grid(5), 1) << b.name;
            EXPECT_EQ(matriz_tela[b.col][b.lin], 5) << b.name;
            EXPECT_EQ(field_code(b.col, b.lin), 5) << b.name;
            EXPECT_EQ(vidas, 4) << b.name;
        });
        vb.key('x');
    }
    vb.end_after_polls(1);
    run_main();
    EXPECT_TRUE(vb.beeps().empty());
}

TEST_F(GameTest, XRecentresWithoutPenaltyReplacingWhatIsThere) {
    std::size_t sleeps_before = 0;
    vb.left()
        .left()
        .call([&] {
            matriz_tela[21][37] = 219;
            sleeps_before = vb.sleeps().size();
        })
        .key('x')
        .call([this] {
            EXPECT_EQ(matriz_tela[19][37], 0);
            EXPECT_EQ(matriz_tela[21][37], 5);
            EXPECT_EQ(field_code(19, 37), ' ');
        });
    vb.end_after_polls(1);
    run_main();
    EXPECT_EQ(vidas, 4);
    EXPECT_EQ(count_in_grid(219), 0);
    ASSERT_GT(vb.sleeps().size(), sleeps_before);
    EXPECT_EQ(vb.sleeps()[sleeps_before].ms, 1u) << "the ship's pause before re-centring";
}

// ==== Pause ====

TEST_F(GameTest, ThePauseDropsEveryKeyUntilS) {
    int polls_in_pause = -1;
    vb.after_polls(1).key('s').call([&] { polls_in_pause = vb.polls(); });
    vb.key(27).up().left().key('d').key('z').key('x').key('c').key('a');
    vb.call([&] { EXPECT_EQ(vb.polls(), polls_in_pause) << "no frame during the pause"; });
    vb.key('S').key('z').end_after_polls(1);
    EXPECT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(col_nave, 21);
    EXPECT_EQ(lin_nave, 37);
    EXPECT_EQ(nbombas, 10);
    EXPECT_EQ(count_in_grid(127), 1) << "the z after the pause fires";
    EXPECT_EQ(vb.beeps().size(), 1u);
}

TEST_F(GameTest, TheDeleteKeyPausesLikeS) {
    vb.after_polls(1).key(224).key(83).key('z').key('d').key('s').key('z').end_after_polls(1);
    EXPECT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(count_in_grid(127), 1);
    EXPECT_EQ(vb.beeps().size(), 1u);
}

}  // namespace
}  // namespace patrulha::testing
