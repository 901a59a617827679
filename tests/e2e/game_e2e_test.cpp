// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The real binary in a real terminal: a game is played with the keys and
// read back from the screen, colours included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/terminal_e2e_support.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = kPatrulha;

const std::string kShip = "\u2663";  // the ship, code 5
const std::string kShot = "\u2302";  // the player's shot, code 127
constexpr int kBrightWhite = 15;     // the terminal's palette number

// The rows of column `x`, from row 2 to `below - 1`, that show a shot.
std::vector<int> shot_rows(const std::vector<std::vector<ShownCell>>& rows, int x, int below) {
    std::vector<int> found;
    for (int y = 2; y < below; ++y) {
        if (cell_at(rows, x, y).glyph == kShot) found.push_back(y);
    }
    return found;
}

TEST(GameE2E, TheShipMovesShootsAndDEndsTheGame) {
    TmuxSession s(recorded(kBinary));
    const auto ship_at = [&](int x, int y) {
        return [&s, x, y](const std::string&) {
            const auto rows = parse_capture(s.capture(true));
            const ShownCell c = cell_at(rows, x, y);
            return c.glyph == kShip && c.fg == kBrightWhite;
        };
    };
    // The menu first: '1' takes the first level.
    ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_until(ship_at(23, 39))) << s.capture(true);

    s.send_keys({"Left"});
    ASSERT_TRUE(s.wait_until(ship_at(22, 39))) << s.capture();
    s.send_keys({"Up"});
    ASSERT_TRUE(s.wait_until(ship_at(22, 38))) << s.capture();
    EXPECT_EQ(cell_at(parse_capture(s.capture(true)), 23, 39).glyph, " ");

    // The shot climbs column 22 from above the ship towards the top.
    s.send_keys({"z"});
    int first_row = 0;
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        const auto found = shot_rows(parse_capture(s.capture(true)), 22, 38);
        if (found.empty()) return false;
        first_row = found.front();
        return true;
    })) << s.capture();
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        const auto found = shot_rows(parse_capture(s.capture(true)), 22, 38);
        return !found.empty() && found.front() < first_row - 2;
    })) << s.capture();
    // It leaves at the top: the column empties again.
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        return shot_rows(parse_capture(s.capture(true)), 22, 38).empty();
    })) << s.capture();

    s.send_keys({"d"});
    expect_clean_end(s);
}

// The enemies' glyphs and their kinds' colours as the terminal numbers them
// (light red, light blue, light cyan, light magenta).
struct EnemyLook {
    std::string glyph;
    int fg;
};
const std::vector<EnemyLook> kEnemies = {
    {"\u25BC", 9}, {"\u2666", 12}, {"\u263B", 14}, {"\u263C", 13}};

TEST(GameE2E, EnemiesAppearInTheUpperFieldInTheirColours) {
    TmuxSession s(kBinary);
    ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
    s.send_keys({"1"});
    // The game screen, so that no banner letter is taken for an enemy.
    ASSERT_TRUE(s.wait_for_text("PONTOS:")) << s.capture();
    // Every enemy on the playfield (columns 2 to 44) of one screen; any out
    // of place or out of colour is reported in `wrong`.
    const auto enemies_on = [](const std::vector<std::vector<ShownCell>>& rows,
                               std::string& wrong) {
        int found = 0;
        for (int y = 1; y <= 42; ++y) {
            for (int x = 2; x <= 44; ++x) {
                const ShownCell c = cell_at(rows, x, y);
                for (const EnemyLook& e : kEnemies) {
                    if (c.glyph != e.glyph) continue;
                    ++found;
                    if (y < 2 || y > 17 || c.fg != e.fg) {
                        wrong += e.glyph + " at (" + std::to_string(x) + ", " + std::to_string(y) +
                                 ") in colour " + std::to_string(c.fg) + "\n";
                    }
                }
            }
        }
        return found;
    };
    std::string wrong;
    // About four enemies in 225 frames of 50 ms: the first comes within
    // seconds; a minute is ample.
    ASSERT_TRUE(s.wait_until(
        [&](const std::string&) { return enemies_on(parse_capture(s.capture(true)), wrong) > 0; },
        std::chrono::seconds(60)))
        << s.capture();
    EXPECT_EQ(wrong, "");
    // A few seconds more of play: every enemy seen stays in its zone and
    // colour.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int captures = 0;
    s.wait_until([&](const std::string&) {
        enemies_on(parse_capture(s.capture(true)), wrong);
        ++captures;
        return std::chrono::steady_clock::now() > until;
    });
    EXPECT_GT(captures, 10);
    EXPECT_EQ(wrong, "");
    s.send_keys({"d"});
    EXPECT_TRUE(s.wait_for_end());
}

}  // namespace
}  // namespace patrulha::testing
