// The real binary in a real terminal: a game is played with the keys and
// read back from the screen, colours included.
#include <gtest/gtest.h>

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
    // The status and the terminal check are printed on one line at the end:
    // what tmux shows of the normal screen's earlier lines depends on timing.
    TmuxSession s("stty -g > /tmp/patrulha-game-$$.a; " + kBinary +
                  "; st=$?; stty -g > /tmp/patrulha-game-$$.b; "
                  "cmp -s /tmp/patrulha-game-$$.a /tmp/patrulha-game-$$.b && echo STATUS=$st SAME-STTY; "
                  "rm -f /tmp/patrulha-game-$$.*");
    const auto ship_at = [&](int x, int y) {
        return [&s, x, y](const std::string&) {
            const auto rows = parse_screen(s.capture(true));
            const ScreenCell c = cell_at(rows, x, y);
            return c.text == kShip && c.fg == kBrightWhite;
        };
    };
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
    // The shell's last line may have scrolled into the pane's history.
    const auto with_history = [&] {
        return s.tmux({"capture-pane", "-p", "-S", "-200", "-t", s.target()});
    };
    ASSERT_TRUE(s.wait_until([&](const std::string&) {
        return with_history().find("SAME-STTY") != std::string::npos;
    })) << with_history();
    EXPECT_FALSE(s.alternate_screen());
    EXPECT_NE(with_history().find("STATUS=0 SAME-STTY"), std::string::npos) << with_history();
}

}  // namespace
}  // namespace patrulha::testing
