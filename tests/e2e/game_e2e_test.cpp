// The real binary in a real terminal: a game is played with the keys and
// read back from the screen, colours included.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/tmux_session.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = PATRULHA_BINARY;

// One screen cell as tmux shows it: the character (UTF-8) and the
// foreground colour as an SGR number (30-37, 90-97; 39 for the default).
struct ScreenCell {
    std::string text = " ";
    int fg = 39;
};

// Parses `capture-pane -p -e` output into rows of cells. Only the SGR
// sequences that set or reset the foreground are followed.
std::vector<std::vector<ScreenCell>> parse_screen(const std::string& captured) {
    std::vector<std::vector<ScreenCell>> rows(1);
    int fg = 39;
    for (std::size_t i = 0; i < captured.size();) {
        const unsigned char c = static_cast<unsigned char>(captured[i]);
        if (c == '\n') {
            rows.emplace_back();
            ++i;
        } else if (c == 0x1b && i + 1 < captured.size() && captured[i + 1] == '[') {
            const std::size_t end = captured.find_first_of("ABCDEFGHJKSTfmhl", i + 2);
            if (end == std::string::npos) break;
            if (captured[end] == 'm') {
                const std::string params = captured.substr(i + 2, end - i - 2);
                std::vector<int> numbers;
                std::size_t start = 0;
                while (start <= params.size()) {
                    const std::size_t semi = params.find(';', start);
                    const std::string part = params.substr(start, semi - start);
                    numbers.push_back(part.empty() ? 0 : std::stoi(part));
                    if (semi == std::string::npos) break;
                    start = semi + 1;
                }
                for (std::size_t k = 0; k < numbers.size(); ++k) {
                    const int n = numbers[k];
                    if (n == 0 || n == 39) fg = 39;
                    if ((n >= 30 && n <= 37) || (n >= 90 && n <= 97)) fg = n;
                    if (n == 38 && k + 2 < numbers.size() && numbers[k + 1] == 5) {
                        const int v = numbers[k + 2];
                        fg = v < 8 ? 30 + v : v < 16 ? 90 + v - 8 : 1000 + v;
                        k += 2;
                    }
                    if (n == 48 && k + 2 < numbers.size()) k += 2;
                }
            }
            i = end + 1;
        } else {
            std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            rows.back().push_back({captured.substr(i, len), fg});
            i += len;
        }
    }
    return rows;
}

// The cell at screen position (x, y), 1-based; a blank past a row's end.
ScreenCell cell_at(const std::vector<std::vector<ScreenCell>>& rows, int x, int y) {
    if (y < 1 || y > static_cast<int>(rows.size())) return {};
    const auto& row = rows[static_cast<std::size_t>(y - 1)];
    if (x < 1 || x > static_cast<int>(row.size())) return {};
    return row[static_cast<std::size_t>(x - 1)];
}

const std::string kShip = "\u2663";  // the ship, code 5
const std::string kShot = "\u2302";  // the player's shot, code 127
constexpr int kBrightWhite = 97;

// The rows of column `x`, from row 2 to `below - 1`, that show a shot.
std::vector<int> shot_rows(const std::vector<std::vector<ScreenCell>>& rows, int x, int below) {
    std::vector<int> found;
    for (int y = 2; y < below; ++y) {
        if (cell_at(rows, x, y).text == kShot) found.push_back(y);
    }
    return found;
}

TEST(GameE2E, TheShipMovesShootsAndDEndsTheGame) {
    // What the shell finds after the program goes to a file: the text of
    // the normal screen is not reliably there once the pane has ended.
    const std::string result = "/tmp/patrulha-game-" + std::to_string(::getpid()) + ".result";
    std::remove(result.c_str());
    TmuxSession s("stty -g > /tmp/patrulha-game-$$.a; " + kBinary +
                  "; st=$?; stty -g > /tmp/patrulha-game-$$.b; "
                  "if cmp -s /tmp/patrulha-game-$$.a /tmp/patrulha-game-$$.b; then same=SAME-STTY; "
                  "else same=OTHER-STTY; fi; echo \"$same STATUS=$st\" > " + result + "; "
                  "rm -f /tmp/patrulha-game-$$.a /tmp/patrulha-game-$$.b");
    const auto ship_at = [&](int x, int y) {
        return [&s, x, y](const std::string&) {
            const auto rows = parse_screen(s.capture(true));
            const ScreenCell c = cell_at(rows, x, y);
            return c.text == kShip && c.fg == kBrightWhite;
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
    EXPECT_EQ(cell_at(parse_screen(s.capture(true)), 23, 39).text, " ");

    // The shot climbs column 22 from above the ship towards the top.
    s.send_keys({"z"});
    int first_row = 0;
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        const auto found = shot_rows(parse_screen(s.capture(true)), 22, 38);
        if (found.empty()) return false;
        first_row = found.front();
        return true;
    })) << s.capture();
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        const auto found = shot_rows(parse_screen(s.capture(true)), 22, 38);
        return !found.empty() && found.front() < first_row - 2;
    })) << s.capture();
    // It leaves at the top: the column empties again.
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        return shot_rows(parse_screen(s.capture(true)), 22, 38).empty();
    })) << s.capture();

    s.send_keys({"d"});
    ASSERT_TRUE(s.wait_for_end()) << s.capture();
    EXPECT_FALSE(s.alternate_screen()) << "back on the normal screen";
    std::ifstream in(result);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "SAME-STTY STATUS=0") << "terminal settings restored, exit status 0";
    std::remove(result.c_str());
}

// The enemies' glyphs and the SGR colours of their kinds (light red, light
// blue, light cyan, light magenta).
struct EnemyLook {
    std::string glyph;
    int fg;
};
const std::vector<EnemyLook> kEnemies = {
    {"\u25BC", 91}, {"\u2666", 94}, {"\u263B", 96}, {"\u263C", 95}};

TEST(GameE2E, EnemiesAppearInTheUpperFieldInTheirColours) {
    TmuxSession s(kBinary);
    ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
    s.send_keys({"1"});
    // The game screen, so that no banner letter is taken for an enemy.
    ASSERT_TRUE(s.wait_for_text("PONTOS:")) << s.capture();
    // Every enemy on the playfield (columns 2 to 44) of one screen; any out
    // of place or out of colour is reported in `wrong`.
    const auto enemies_on = [](const std::vector<std::vector<ScreenCell>>& rows,
                               std::string& wrong) {
        int found = 0;
        for (int y = 1; y <= 42; ++y) {
            for (int x = 2; x <= 44; ++x) {
                const ScreenCell c = cell_at(rows, x, y);
                for (const EnemyLook& e : kEnemies) {
                    if (c.text != e.glyph) continue;
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
        [&](const std::string&) { return enemies_on(parse_screen(s.capture(true)), wrong) > 0; },
        std::chrono::seconds(60)))
        << s.capture();
    EXPECT_EQ(wrong, "");
    // A few seconds more of play: every enemy seen stays in its zone and
    // colour.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int captures = 0;
    s.wait_until([&](const std::string&) {
        enemies_on(parse_screen(s.capture(true)), wrong);
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
