// patrulha.exe under wine, in a detached tmux of 80 x 42: wine's console
// draws into the pane, so the screen read back is what a player of the
// Windows build sees. The title and menu with their colours, a game moved
// and fired in, and the ways out with the status each gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/tmux_session.h"

namespace patrulha::testing {
namespace {

const std::string kExe = PATRULHA_EXE;

// The wine prefix of this run: the one in WINEPREFIX where the caller has
// prepared it (./check --windows does, once for all its tests), otherwise a
// temporary one made here and removed, with its wine server, at the end.
class WinePrefix : public ::testing::Environment {
public:
    void SetUp() override {
        if (const char* given = std::getenv("WINEPREFIX"); given && *given) {
            path_ = given;
            return;
        }
        char folder[] = "/tmp/patrulha-wine-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        path_ = folder;
        owned_ = true;
    }
    void TearDown() override {
        if (!owned_) return;
        // The wine server's sockets live in a folder of their own, named in
        // the prefix's file "wineserver".
        const std::string p = "'" + path_ + "'";
        std::system(("WINEPREFIX=" + p + " wineserver -k 2>/dev/null; WINEPREFIX=" + p +
                     " wineserver -w 2>/dev/null; s=$(cat " + p +
                     "/wineserver 2>/dev/null); case \"$s\" in wine-*) rm -rf /tmp/\"$s\";; "
                     "esac; rm -rf " + p)
                        .c_str());
    }
    static const std::string& path() { return path_; }

private:
    static inline std::string path_;
    bool owned_ = false;
};

const auto* const prefix = ::testing::AddGlobalTestEnvironment(new WinePrefix);

// Runs the .exe with plain wine and then prints, below its last screen,
// "ENDED status=N" and "TTY-SAME" or "TTY-CHANGED" (stty -g after against
// before: wine puts the terminal in raw mode and must give it back). wine's
// console process gives the terminal back a moment after the program has
// ended: the modes are compared until they match, for up to 10 s.
TmuxSession run_exe() {
    // The modes are kept in the shell, not in a file: a test that ends the
    // session early leaves nothing behind.
    const std::string command =
        "trap '' INT; before=$(stty -g); wine '" + kExe +
        "'; echo \"ENDED status=$?\"; r=TTY-CHANGED; for i in $(seq 100); do "
        "if [ \"$(stty -g)\" = \"$before\" ]; then r=TTY-SAME; break; fi; "
        "sleep 0.1; done; echo $r; exec cat";
    return TmuxSession(command, {"WINEPREFIX=" + WinePrefix::path(), "WINEDEBUG=-all"});
}

// Console colours as the terminal numbers them (wine writes the console's
// 16 colours as the 16 ANSI ones).
constexpr int kRed = 1, kGreen = 2, kBlue = 4, kMagenta = 5, kCyan = 6, kLightRed = 9,
              kYellow = 11, kWhite = 15;

// The banner's letters are made of the character whose code is their colour.
struct BannerLook {
    std::string glyph;
    int fg;
};
const std::vector<BannerLook> kBannerLooks = {
    {"\u263a", kBlue},  {"\u263b", kGreen},   {"\u2665", kCyan},
    {"\u2666", kRed},   {"\u2663", kMagenta}, {"\u266b", kYellow},
};

// Whether the terminal shows its cursor ("1") or not ("0").
std::string cursor_shown(const TmuxSession& s) {
    return s.tmux({"display-message", "-p", "-t", s.target(), "#{cursor_flag}"}).substr(0, 1);
}

// The window's title, as wine's console passes it to the terminal.
std::string title(const TmuxSession& s) {
    std::string t = s.tmux({"display-message", "-p", "-t", s.target(), "#{pane_title}"});
    while (!t.empty() && t.back() == '\n') t.pop_back();
    return t;
}

bool is_black_background(const ShownCell& c) { return c.bg == 0 || c.bg == kDefaultColour; }

// Where a cell's text starts in a captured screen, and what it should look like.
struct Expected {
    int x;
    int y;
    std::string glyph;
    int fg;
};

bool cells_are(const std::vector<std::vector<ShownCell>>& rows, const std::vector<Expected>& cells) {
    for (const Expected& e : cells) {
        const ShownCell c = cell_at(rows, e.x, e.y);
        if (c.glyph != e.glyph || c.fg != e.fg || !is_black_background(c)) return false;
    }
    return true;
}

const std::string kShip = "\u2663";  // code 5
const std::string kShot = "\u2302";  // code 127

constexpr auto kStart = std::chrono::seconds(60);  // wine's start on a busy machine
constexpr auto kStep = std::chrono::seconds(15);

bool ship_at(const TmuxSession& s, int x, int y) {
    return cells_are(parse_capture(s.capture(true)), {{x, y, kShip, kWhite}});
}

// The rows of column `x` above row `below` that show a shot.
std::vector<int> shot_rows(const TmuxSession& s, int x, int below) {
    const auto rows = parse_capture(s.capture(true));
    std::vector<int> found;
    for (int y = 2; y < below; ++y)
        if (cell_at(rows, x, y).glyph == kShot) found.push_back(y);
    return found;
}

TEST(WineE2E, MenuInColourThenAGameMovedAndFiredInThenDEnds) {
    TmuxSession s = run_exe();

    // The whole title screen, once its box has settled on green.
    ASSERT_TRUE(s.wait_until(
        [](const std::string& screen) {
            const auto rows = parse_capture(screen);
            return cells_are(rows, {{9, 1, "\u2554", kGreen}, {65, 19, "\u255d", kGreen},
                                    {22, 22, "E", kWhite}, {14, 25, "1", kWhite},
                                    {50, 25, "E", kLightRed}, {50, 28, "5", kLightRed},
                                    {33, 28, "4", kWhite}});
        },
        kStart, true))
        << s.capture();
    const std::string menu = s.capture();
    EXPECT_NE(menu.find("ESCOLHA NIVEL DE DIFICULDADE"), std::string::npos) << menu;
    EXPECT_NE(menu.find("1 - FACIL          3 - NORMAL       ESC para sair"), std::string::npos);
    EXPECT_NE(menu.find("2 - SECUNDARIO     4 - AVANÇADO     5 - PERSONALIZAR"), std::string::npos);
    // The banner's first letter, top-left cell: its glyph and colour agree.
    const ShownCell corner = cell_at(parse_capture(s.capture(true)), 11, 3);
    bool known = false;
    for (const BannerLook& look : kBannerLooks)
        if (corner.glyph == look.glyph) {
            known = true;
            EXPECT_EQ(corner.fg, look.fg) << corner.glyph;
        }
    EXPECT_TRUE(known) << "banner cell: " << corner.glyph;
    // Nothing but the game: left of the box and below the menu, all blank
    // (wine's sound driver, finding no device, writes on the terminal).
    const auto rows = parse_capture(s.capture(true));
    std::string stray;
    for (int y = 1; y <= 42; ++y)
        for (int x = 1; x <= (y <= 19 ? 8 : y >= 29 ? 80 : 0); ++x)
            if (cell_at(rows, x, y).glyph != " ") stray += cell_at(rows, x, y).glyph;
    EXPECT_EQ(stray, "") << menu;
    EXPECT_EQ(cursor_shown(s), "0") << "the game hides the cursor";
    EXPECT_EQ(title(s), "Patrulha Estelar");

    // '1' starts a game: the ship in the middle of the bottom row.
    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 23, 39); }, kStep))
        << s.capture(true);
    EXPECT_NE(s.capture().find("PATRULHA ESTELAR"), std::string::npos);

    // The arrows move it, one cell a key.
    s.send_keys({"Left"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 22, 39); }, kStep))
        << s.capture();
    s.send_keys({"Up"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 22, 38); }, kStep))
        << s.capture();
    EXPECT_EQ(cell_at(parse_capture(s.capture(true)), 23, 39).glyph, " ");
    s.send_keys({"Right"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 23, 38); }, kStep))
        << s.capture();

    // 'z' fires: the shot climbs column 23 and leaves at the top.
    s.send_keys({"z"});
    int first_row = 0;
    ASSERT_TRUE(s.wait_until(
        [&](const std::string&) {
            const auto found = shot_rows(s, 23, 38);
            if (found.empty()) return false;
            first_row = found.front();
            return true;
        },
        kStep))
        << s.capture();
    ASSERT_TRUE(s.wait_until(
        [&](const std::string&) {
            const auto found = shot_rows(s, 23, 38);
            return !found.empty() && found.front() < first_row - 2;
        },
        kStep))
        << s.capture();
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return shot_rows(s, 23, 38).empty(); },
                             kStep))
        << s.capture();

    // 'd' ends the program: status 0, the terminal as it was.
    s.send_keys({"d"});
    ASSERT_TRUE(s.wait_for_text("TTY-", kStep + kStep)) << s.capture();
    const std::string end = s.capture();
    EXPECT_NE(end.find("ENDED status=0"), std::string::npos) << end;
    EXPECT_NE(end.find("TTY-SAME"), std::string::npos) << end;
    EXPECT_EQ(end.find("\u2551"), std::string::npos) << "the game's screen is left behind:\n" << end;
    EXPECT_EQ(cursor_shown(s), "1") << "the cursor is given back";
    EXPECT_NE(title(s), "Patrulha Estelar") << "the title is given back";
}

// The ways out other than the game's own keys end the program through the
// same restore: the status tells which.
struct WayOut {
    std::string name;
    std::vector<std::string> keys;  // sent once a game is on the screen
    int status;
};

TEST(WineE2E, EscAtTheMenuAndCtrlCInAGameEndTheProgram) {
    const std::vector<WayOut> ways = {
        {"Esc at the menu", {"Escape"}, 0},
        {"Ctrl-C in a game", {"1", "C-c"}, 130},
    };
    for (const WayOut& way : ways) {
        TmuxSession s = run_exe();
        ASSERT_TRUE(s.wait_for_text("5 - PERSONALIZAR", kStart)) << way.name << "\n" << s.capture();
        for (const std::string& key : way.keys) {
            if (key == "C-c") {
                ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 23, 39); },
                                         kStep))
                    << way.name << "\n" << s.capture();
            }
            s.send_keys({key});
        }
        ASSERT_TRUE(s.wait_for_text("TTY-", kStep + kStep)) << way.name << "\n" << s.capture();
        const std::string end = s.capture();
        EXPECT_NE(end.find("ENDED status=" + std::to_string(way.status)), std::string::npos)
            << way.name << "\n" << end;
        EXPECT_NE(end.find("TTY-SAME"), std::string::npos) << way.name << "\n" << end;
    }
}

}  // namespace
}  // namespace patrulha::testing
