// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The renderer's lower bound: what it charges for glyphs, cursor moves and
// colour changes, and that it charges nothing for what did not change.
#include "bench/lower_bound.h"

#include <gtest/gtest.h>

#include <memory>

namespace patrulha::bench {
namespace {

using platform::Cell;

constexpr std::uint16_t kWhiteOnBlack = 7;
constexpr std::uint16_t kYellowOnBlack = 14;
constexpr std::uint16_t kYellowOnBlue = 14 | (1 << 4);

struct Screen {
    LowerBound::Cells cells{};
    Screen() {
        for (auto& row : cells)
            for (auto& cell : row) cell = Cell{' ', kWhiteOnBlack};
    }
    Screen& put(int x, int y, std::uint8_t code, std::uint16_t attribute) {
        cells[y][x] = Cell{code, attribute};
        return *this;
    }
};

std::int64_t cost(LowerBound& bound, const Screen& s) {
    return bound.next_cells(s.cells, false, {0, 0});
}

TEST(LowerBound, ChargesNothingForAnUnchangedScreen) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    EXPECT_EQ(cost(*bound, *s), 0);
    s->put(3, 3, 'A', kYellowOnBlack);
    EXPECT_GT(cost(*bound, *s), 0);
    EXPECT_EQ(cost(*bound, *s), 0);
    EXPECT_EQ(bound->changed_cells(), 0);
}

TEST(LowerBound, ChargesMoveColourAndGlyphForTheFirstCellThenOnlyGlyphsAlongARow) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    s->put(5, 3, 'A', kYellowOnBlack);
    // Esc[4;6H, Esc[93;40m, A: the cursor and the colours are unknown at first.
    EXPECT_EQ(cost(*bound, *s), 6 + 8 + 1);
    s->put(6, 3, 'B', kYellowOnBlack).put(7, 3, 'C', kYellowOnBlack);
    EXPECT_EQ(cost(*bound, *s), 2);
    EXPECT_EQ(bound->changed_cells(), 2);
}

TEST(LowerBound, ChargesOnlyTheColourThatChanged) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    s->put(0, 0, 'A', kYellowOnBlack);
    cost(*bound, *s);
    s->put(1, 0, 'B', kYellowOnBlue);  // background only: Esc[44m
    EXPECT_EQ(cost(*bound, *s), 5 + 1);
}

TEST(LowerBound, ABlankShowsOnlyItsBackgroundAndAFullBlockOnlyItsForeground) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    s->put(10, 10, ' ', kYellowOnBlack);  // white or yellow, a blank on black looks the same
    EXPECT_EQ(cost(*bound, *s), 0);
    s->put(10, 10, 219, kWhiteOnBlack);
    cost(*bound, *s);
    s->put(10, 10, 219, 7 | (4 << 4));  // a full block on another background looks the same
    EXPECT_EQ(cost(*bound, *s), 0);
}

TEST(LowerBound, ChargesEachGlyphItsUtf8Bytes) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    s->put(0, 0, 'A', kWhiteOnBlack);
    cost(*bound, *s);
    s->put(1, 0, 130, kWhiteOnBlack);  // é, two bytes
    s->put(2, 0, 219, kWhiteOnBlack);  // the full block, three bytes
    EXPECT_EQ(cost(*bound, *s), 2 + 3);
    EXPECT_EQ(glyph_bytes(5), 3);  // the club symbol
}

TEST(LowerBound, TakesTheCheapestWayAcrossAGap) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    s->put(10, 5, 'A', kWhiteOnBlack);
    cost(*bound, *s);
    // One unchanged blank between, in the colours in force: rewriting it
    // (1 byte) beats Esc[C (3 bytes).
    s->put(12, 5, 'B', kWhiteOnBlack);
    EXPECT_EQ(cost(*bound, *s), 1 + 1);
    // Far along the row: Esc[30C (5 bytes).
    s->put(43, 5, 'C', kWhiteOnBlack);
    EXPECT_EQ(cost(*bound, *s), 5 + 1);
    // The next row, same column: a line feed (1 byte) beats Esc[B (3).
    s->put(44, 6, 'D', kWhiteOnBlack);
    EXPECT_EQ(cost(*bound, *s), 1 + 1);
}

TEST(LowerBound, AWrapAtTheRightEdgeLandsOnTheNextRowForFree) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    s->put(79, 2, 'A', kWhiteOnBlack);
    cost(*bound, *s);
    s->put(0, 3, 'B', kWhiteOnBlack);
    EXPECT_EQ(cost(*bound, *s), 1);
}

TEST(LowerBound, PlacesAVisibleCursor) {
    auto bound = std::make_unique<LowerBound>();
    auto s = std::make_unique<Screen>();
    s->put(0, 0, 'A', kWhiteOnBlack);
    cost(*bound, *s);
    // Nothing changed, but the cursor must go to (40, 20): Esc[21;41H.
    EXPECT_EQ(bound->next_cells(s->cells, true, {40, 20}), 8);
    EXPECT_EQ(bound->next_cells(s->cells, true, {40, 20}), 0);
}

}  // namespace
}  // namespace patrulha::bench
