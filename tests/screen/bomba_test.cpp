// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The special bomb: its cost, its points, the flash and the repaint, the
// cleared field and the ship left untouched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

class BombaTest : public GameTest {
protected:
    // Every field cell but the ship's has attribute `attribute` on screen.
    ::testing::AssertionResult field_in(int attribute, int row_from = 0, int row_to = 39) const {
        for (int r = row_from; r <= row_to; ++r) {
            for (int c = 0; c <= 42; ++c) {
                if (c == col_nave && r == lin_nave) continue;
                if (field_code(c, r) != ' ' || field_attribute(c, r) != attribute) {
                    return ::testing::AssertionFailure()
                           << "cell " << c << "," << r << ": code " << field_code(c, r)
                           << " attribute " << field_attribute(c, r) << ", expected blank in "
                           << attribute;
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(BombaTest, OnAnEmptyFieldTheFlashRunsInFull) {
    std::int64_t start_us = 0;
    std::uint64_t draws_before = 0;
    std::size_t sleeps_before = 0;
    std::vector<bool> ship_intact_at_each_pause;
    vb.after_polls(1).call([&] {
        start_us = vb.now_us();
        draws_before = vb.rand_draws();
        sleeps_before = vb.sleeps().size();
        vb.on_present([&] {
            ship_intact_at_each_pause.push_back(code_at(23, 39) == 5 &&
                                                attribute_at(23, 39) == WHITE);
        });
    });
    vb.key('a').call([&] {
        vb.on_present(nullptr);
        EXPECT_GE(vb.now_us() - start_us, 1'200'000);
        EXPECT_EQ(vb.rand_draws() - draws_before, 6u * 40u) << "one colour per row and pass";
        ASSERT_EQ(vb.sleeps().size(), sleeps_before + 6);
        for (std::size_t i = sleeps_before; i < vb.sleeps().size(); ++i) {
            EXPECT_EQ(vb.sleeps()[i].ms, 200u);
        }
        EXPECT_TRUE(field_in(LIGHTGREEN));
        EXPECT_EQ(code_at(23, 39), 5);
        EXPECT_EQ(attribute_at(23, 39), WHITE);
        EXPECT_EQ(__FOREGROUND, LIGHTGREEN);
    });
    vb.end_after_polls(0);
    run_main();
    EXPECT_EQ(nbombas, 9);
    EXPECT_EQ(pontos, 6);
    EXPECT_EQ(bomba_aux, 6);
    EXPECT_EQ(vb.row_codes(10, 60, 61), "9 ");
    EXPECT_EQ(vb.row_codes(12, 60, 62), "6  ");
    // The six pauses of the flash, and the poll after the bomb.
    EXPECT_EQ(ship_intact_at_each_pause.size(), 7u);
    for (const bool intact : ship_intact_at_each_pause) EXPECT_TRUE(intact);
}

TEST_F(BombaTest, EachRowFlashesInItsOwnDrawnColourTakenAsAWholeAttribute) {
    std::vector<int> colours;
    for (int r = 0; r < 40; ++r) colours.push_back((r % 15) * 16 + (r % 16));
    colours[0] = 32767;  // 32767 % 240 = 127: light grey background, white text
    colours[1] = 239;    // white on yellow: the brightest background on offer
    std::vector<int> expected = colours;
    expected[0] = 127;
    std::vector<std::vector<int>> first_pass;
    vb.after_polls(1).call([&] {
        vb.force_rand(colours);
        vb.on_present([&] {
            if (!first_pass.empty()) return;
            first_pass.emplace_back();
            for (int r = 0; r < 40; ++r) {
                // Every cell of a row shows the row's colour; the ship's row
                // keeps the ship.
                const int c = r == lin_nave ? 0 : 21;
                first_pass.back().push_back(field_attribute(c, r));
                EXPECT_TRUE(field_in(expected[r], r, r)) << "row " << r;
            }
        });
    });
    vb.key('a').call([&] { vb.on_present(nullptr); });
    vb.end_after_polls(0);
    run_main();
    ASSERT_EQ(first_pass.size(), 1u);
    EXPECT_EQ(first_pass[0], expected);
}

TEST_F(BombaTest, AFullFieldIsClearedButForTheShipWithoutFurtherPointsOrLives) {
    const std::vector<int> kinds = {31, 4, 2, 15, 219, 111, 127, 3};
    vb.after_polls(1).call([&] {
        int k = 0;
        for (int c = 0; c <= 42; ++c) {
            for (int r = 0; r <= 39; ++r) {
                if (matriz_tela[c][r] != 5) {
                    matriz_tela[c][r] = static_cast<unsigned char>(kinds[k++ % kinds.size()]);
                }
            }
        }
    });
    vb.after_polls(1).key('A').call([&] {
        EXPECT_EQ(count_in_grid(5), 1);
        EXPECT_EQ(matriz_tela[21][37], 5);
        for (const int kind : kinds) EXPECT_EQ(count_in_grid(kind), 0) << kind;
        EXPECT_TRUE(field_in(LIGHTGREEN));
        EXPECT_EQ(code_at(23, 39), 5);
    });
    vb.end_after_polls(0);
    run_main();
    EXPECT_EQ(pontos, 6);
    EXPECT_EQ(vidas, 4) << "the pickups are lost to the bomb";
    EXPECT_TRUE(vb.beeps().empty()) << "no explosion";
}

TEST_F(BombaTest, WithNoBombsLeftTheKeyDoesNothing) {
    std::uint64_t draws = 0;
    std::size_t sleeps = 0;
    vb.call([&] { nbombas = 0; }).after_polls(1).call([&] {
        draws = vb.rand_draws();
        sleeps = vb.sleeps().size();
    });
    vb.key('a').call([&] {
        EXPECT_EQ(vb.rand_draws(), draws);
        EXPECT_EQ(vb.sleeps().size(), sleeps);
    });
    vb.end_after_polls(0);
    run_main();
    EXPECT_EQ(nbombas, 0);
    EXPECT_EQ(pontos, 0);
}

TEST_F(BombaTest, TheLastBombCanBringTheCountBackToOne) {
    vb.call([] {
        nbombas = 1;
        bomba_aux = 245;
    });
    vb.key('a').end_after_polls(1);
    run_main();
    EXPECT_EQ(nbombas, 1);
    EXPECT_EQ(bomba_aux, 151);
    EXPECT_EQ(vb.row_codes(10, 60, 61), "1 ");
}

}  // namespace
}  // namespace patrulha::testing
