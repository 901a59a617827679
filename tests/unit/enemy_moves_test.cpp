// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The enemies' direction rule, checked from every cell of their zone for
// every short sequence of draws, and the spawn draws' ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/estado.h"
#include "game/jogo.h"
#include "platform/runtime.h"
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

struct Rule {
    const char* name;
    int over;               // the draw is rand() % over + 1
    std::set<int> allowed;  // direction codes the rule lets through
};

// The rule that governs a cell of the zone, written out from the game's
// table: corners first, then edges, then the inside.
Rule rule_for(int c, int l) {
    constexpr int last = 42;
    constexpr int bottom = LINHA_FUNDO_INIMIGOS;
    if (c == 0 && l == 0) return {"top-left corner", 5, {1, 2, 5}};
    if (c == last && l == 0) return {"top-right corner", 7, {1, 4, 7}};
    if (c == 0 && l == bottom) return {"bottom-left corner", 8, {2, 3, 8}};
    if (c == last && l == bottom) return {"bottom-right corner", 6, {3, 4}};
    if (l == 0) return {"top edge", 7, {1, 2, 4, 5, 7}};
    if (l == bottom) return {"bottom edge", 8, {2, 3, 4, 6, 8}};
    if (c == 0) return {"left edge", 8, {1, 2, 3, 5, 8}};
    if (c == last) return {"right edge", 7, {1, 3, 4, 6, 7}};
    return {"inside", 8, {1, 2, 3, 4, 5, 6, 7, 8}};
}

constexpr int kStepCol[9] = {0, 0, 1, 0, -1, 1, -1, -1, 1};
constexpr int kStepLin[9] = {0, 1, 0, -1, 0, 1, -1, 1, -1};

class EnemyMovesTest : public ConsoleTest {
protected:
    platform::RandomSource& random() { return platform::Runtime::instance().random(); }
};

TEST_F(EnemyMovesTest, FromEveryCellEveryDrawSequenceStaysInTheZoneWithAnAllowedStep) {
    EXPECT_EQ(LINHA_FUNDO_INIMIGOS, 15);
    int cases = 0;
    for (int c = 0; c <= 42; ++c) {
        for (int l = 0; l <= LINHA_FUNDO_INIMIGOS; ++l) {
            const Rule rule = rule_for(c, l);
            // Two leading draws of any value 0 to 15 (so that the modulo
            // wraps), then a tail of every value, which holds an allowed one.
            for (int first = 0; first < 16; ++first) {
                for (int second = 0; second < 16; ++second) {
                    std::vector<int> draws = {first, second};
                    for (int v = 0; v < 8; ++v) draws.push_back(v);
                    random().forced().assign(draws.begin(), draws.end());
                    const std::uint64_t before = random().draws();

                    int col = c, lin = l;
                    verifica_linhaecol_inimigo(&col, &lin);
                    ++cases;

                    // The expected outcome: the first draw whose direction the
                    // rule allows.
                    std::size_t used = 0;
                    int direction = 0;
                    while (used < draws.size()) {
                        direction = draws[used++] % rule.over + 1;
                        if (rule.allowed.count(direction)) break;
                    }
                    std::ostringstream where;
                    where << "cell (" << c << ", " << l << "), " << rule.name << ", draws " << first
                          << ", " << second << ", 0..7";
                    ASSERT_EQ(random().draws() - before, used) << where.str();
                    ASSERT_EQ(col, c + kStepCol[direction]) << where.str();
                    ASSERT_EQ(lin, l + kStepLin[direction]) << where.str();
                    ASSERT_TRUE(col >= 0 && col <= 42 && lin >= 0 && lin <= LINHA_FUNDO_INIMIGOS)
                        << where.str() << ": left the zone to (" << col << ", " << lin << ")";
                }
            }
        }
    }
    EXPECT_EQ(cases, 43 * 16 * 256);
}

TEST_F(EnemyMovesTest, EveryAllowedStepIsReachedFromEachKindOfCell) {
    const std::vector<std::pair<int, int>> cells = {{0, 0},   {42, 0}, {0, 15}, {42, 15}, {20, 0},
                                                    {20, 15}, {0, 7},  {42, 7}, {20, 7}};
    for (const auto& [c, l] : cells) {
        const Rule rule = rule_for(c, l);
        std::set<int> seen;
        for (int v = 0; v < rule.over; ++v) {
            random().forced().assign({v, 0, 1, 2, 3, 4, 5, 6, 7});
            int col = c, lin = l;
            verifica_linhaecol_inimigo(&col, &lin);
            for (int d = 1; d <= 8; ++d) {
                if (col == c + kStepCol[d] && lin == l + kStepLin[d]) seen.insert(d);
            }
        }
        EXPECT_EQ(seen, rule.allowed) << rule.name;
    }
}

TEST_F(EnemyMovesTest, SpawnDrawsCoverTheirRanges) {
    std::set<int> cols, rows;
    for (int v = 0; v < 100; ++v) {
        random().forced().assign({v, v});
        cols.insert(sorteia_coluna_inimigo());
        rows.insert(sorteia_linha_inimigo());
    }
    EXPECT_EQ(*cols.begin(), 1);
    EXPECT_EQ(*cols.rbegin(), 42);
    EXPECT_EQ(cols.size(), 42u);
    EXPECT_EQ(*rows.begin(), 2);
    EXPECT_EQ(*rows.rbegin(), 11);
    EXPECT_EQ(rows.size(), 10u);
    random().forced().assign({32767, 32767});
    EXPECT_EQ(sorteia_coluna_inimigo(), 32767 % 42 + 1);
    EXPECT_EQ(sorteia_linha_inimigo(), 32767 % 10 + 2);
}

}  // namespace
}  // namespace patrulha::testing
