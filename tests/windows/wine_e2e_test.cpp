// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// patrulha.exe under wine, in a detached tmux of 80 x 42: wine's console
// draws into the pane, so the screen read back is what a player of the
// Windows build sees. The title and menu with their colours, a game moved
// and fired in, and the ways out with the status each gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/size_notice.h"
#include "tests/e2e/tmux_session.h"
#include "tests/support/temp_dir.h"

namespace patrulha::testing {
namespace {

const std::string kExe = PATRULHA_EXE;

// The wine prefix of this run: the one in WINEPREFIX where the caller has
// prepared it (./check --windows does, once for all its tests), otherwise a
// temporary one made here and removed, with its wine server, at the end.
// Either way through the one helper that makes and removes prefixes.
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
        ASSERT_EQ(std::system(helper("start").c_str()), 0);
    }
    void TearDown() override {
        if (owned_) std::system(helper("remove").c_str());
    }
    static const std::string& path() { return path_; }

private:
    static std::string helper(const std::string& what) {
        return std::string("'") + WINE_PREFIX_HELPER + "' " + what + " '" + path_ + "'";
    }
    static inline std::string path_;
    bool owned_ = false;
};

const auto* const prefix = ::testing::AddGlobalTestEnvironment(new WinePrefix);

// Runs the .exe with plain wine and then prints, below its last screen,
// "ENDED status=N" and "TTY-SAME" or "TTY-CHANGED" (stty -g after against
// before: wine puts the terminal in raw mode and must give it back). wine's
// console process gives the terminal back a moment after the program has
// ended: the modes are compared until they match, for up to 10 s.
// The pane is `columns` x `rows`; `exe` runs with `argument`, where given.
TmuxSession run_exe(int columns = 80, int rows = 42, const std::string& exe = kExe,
                    const std::string& argument = "") {
    // The modes are kept in the shell, not in a file: a test that ends the
    // session early leaves nothing behind.
    const std::string command =
        "trap '' INT; before=$(stty -g); wine '" + exe + "'" +
        (argument.empty() ? "" : " '" + argument + "'") +
        "; echo \"ENDED status=$?\"; r=TTY-CHANGED; for i in $(seq 100); do "
        "if [ \"$(stty -g)\" = \"$before\" ]; then r=TTY-SAME; break; fi; "
        "sleep 0.1; done; echo $r; exec cat";
    return TmuxSession(command, {"WINEPREFIX=" + WinePrefix::path(), "WINEDEBUG=-all"}, columns,
                       rows);
}

// Console colours as the terminal numbers them (wine writes the console's
// 16 colours as the 16 ANSI ones).
constexpr int kRed = 1, kGreen = 2, kBlue = 4, kMagenta = 5, kCyan = 6, kLightRed = 9, kYellow = 11,
              kWhite = 15;

// The banner's letters are made of the character whose code is their colour.
struct BannerLook {
    std::string glyph;
    int fg;
};
const std::vector<BannerLook> kBannerLooks = {
    {"\u263a", kBlue}, {"\u263b", kGreen},   {"\u2665", kCyan},
    {"\u2666", kRed},  {"\u2663", kMagenta}, {"\u266b", kYellow},
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

bool is_black_background(const ShownCell& c) {
    return c.bg == 0 || c.bg == kDefaultColour;
}

// Where a cell's text starts in a captured screen, and what it should look like.
struct Expected {
    int x;
    int y;
    std::string glyph;
    int fg;
};

bool cells_are(const std::vector<std::vector<ShownCell>>& rows,
               const std::vector<Expected>& cells) {
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

// The whole title screen, once its box has settled on green.
bool whole_title(const std::string& screen) {
    return cells_are(parse_capture(screen), {{9, 1, "\u2554", kGreen},
                                             {65, 19, "\u255d", kGreen},
                                             {22, 22, "E", kWhite},
                                             {14, 25, "1", kWhite},
                                             {50, 25, "E", kLightRed},
                                             {50, 28, "5", kLightRed},
                                             {33, 28, "4", kWhite}});
}

// A game's whole frame, its four corners and the bottom of the divider, and
// the ship at (x, y).
bool whole_game(const TmuxSession& s, int x, int y) {
    return cells_are(parse_capture(s.capture(true)), {{1, 1, "\u2554", kGreen},
                                                      {80, 1, "\u2557", kGreen},
                                                      {1, 42, "\u255a", kGreen},
                                                      {80, 42, "\u255d", kGreen},
                                                      {45, 42, "\u2569", kGreen},
                                                      {x, y, kShip, kWhite}});
}

// Whether the top-left `columns` x `rows` of `screen` is the size notice for
// a window of that size and nothing else.
bool shows_notice(const std::string& screen, int columns, int rows) {
    std::vector<std::string> expected(static_cast<std::size_t>(rows));
    for (const platform::NoticeLine& line : platform::size_notice(columns, rows))
        expected[static_cast<std::size_t>(line.y)] =
            std::string(static_cast<std::size_t>(line.x), ' ') + line.text;
    std::vector<std::string> shown;
    std::size_t from = 0;
    while (from <= screen.size() && shown.size() < expected.size()) {
        const std::size_t end = std::min(screen.find('\n', from), screen.size());
        shown.push_back(screen.substr(from, end - from));
        from = end + 1;
    }
    shown.resize(expected.size());
    for (std::size_t y = 0; y < expected.size(); ++y)
        if (trim_lines(shown[y]) != trim_lines(expected[y])) return false;
    return true;
}

TEST(WineE2E, MenuInColourThenAGameMovedAndFiredInThenDEnds) {
    TmuxSession s = run_exe();

    ASSERT_TRUE(s.wait_until(whole_title, kStart, true)) << s.capture();
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
    // wine's console tells no title of its own: one the game could not give
    // back, so it leaves the title alone, and never blanks it.
    const std::string first_title = title(s);
    EXPECT_NE(first_title, "");
    EXPECT_NE(first_title, "Patrulha Estelar");

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
    ASSERT_TRUE(
        s.wait_until([&](const std::string&) { return shot_rows(s, 23, 38).empty(); }, kStep))
        << s.capture();

    // 'd' ends the program: status 0, the terminal as it was.
    s.send_keys({"d"});
    ASSERT_TRUE(s.wait_for_text("TTY-", kStep + kStep)) << s.capture();
    const std::string end = s.capture();
    EXPECT_NE(end.find("ENDED status=0"), std::string::npos) << end;
    EXPECT_NE(end.find("TTY-SAME"), std::string::npos) << end;
    EXPECT_EQ(end.find("\u2551"), std::string::npos) << "the game's screen is left behind:\n"
                                                     << end;
    EXPECT_EQ(cursor_shown(s), "1") << "the cursor is given back";
    EXPECT_EQ(title(s), first_title) << "the title is left as it was";
}

// The ways out other than the game's own keys end the program through the
// same restore: the status tells which.
struct WayOut {
    std::string name;
    std::vector<std::string> keys;  // sent once a game is on the screen
    int status;
};

// A game recorded by the terminal build replays in the Windows build to the
// end its file recorded: the same final score, lives, bombs and grid hash.
TEST(WineE2E, AReplayRecordedInTheTerminalEndsTheSame) {
    std::FILE* file = std::fopen(TERMINAL_REPLAY, "rb");
    ASSERT_NE(file, nullptr);
    char text[4096];
    const std::string recorded(text, std::fread(text, 1, sizeof text, file));
    std::fclose(file);
    const std::size_t end = recorded.rfind("\nend ");
    ASSERT_NE(end, std::string::npos);
    unsigned long long point = 0;
    int score = 0, lives = 0, bombs = 0;
    char hash[9] = {};
    ASSERT_EQ(std::sscanf(recorded.c_str() + end, "\nend %llu %d %d %d %8s", &point, &score, &lives,
                          &bombs, hash),
              5);
    TmuxSession s = run_exe(80, 42, kExe, std::string("--replay=") + TERMINAL_REPLAY);
    ASSERT_TRUE(s.wait_for_text("TTY-", kStart + kStep + kStep)) << s.capture();
    std::string said = s.capture();
    said.erase(std::remove(said.begin(), said.end(), '\n'), said.end());
    EXPECT_NE(said.find("ENDED status=0"), std::string::npos) << s.capture();
    EXPECT_NE(said.find("replay matched"), std::string::npos) << s.capture();
    EXPECT_NE(said.find("score " + std::to_string(score) + ", lives " + std::to_string(lives) +
                        ", bombs " + std::to_string(bombs) + ", grid " + hash),
              std::string::npos)
        << s.capture();
}

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
                ASSERT_TRUE(
                    s.wait_until([&](const std::string&) { return ship_at(s, 23, 39); }, kStep))
                    << way.name << "\n"
                    << s.capture();
            }
            s.send_keys({key});
        }
        ASSERT_TRUE(s.wait_for_text("TTY-", kStep + kStep)) << way.name << "\n" << s.capture();
        const std::string end = s.capture();
        EXPECT_NE(end.find("ENDED status=" + std::to_string(way.status)), std::string::npos)
            << way.name << "\n"
            << end;
        EXPECT_NE(end.find("TTY-SAME"), std::string::npos) << way.name << "\n" << end;
    }
}

// A pane smaller than 80 x 42 shows the size notice centred in it, and
// nothing of the game; Ctrl-C leaves it as it leaves a game. A larger pane
// shows the whole title and the whole game.
TEST(WineE2E, PanesTooSmallShowTheSizeNoticeALargerOneTheWholeGame) {
    for (const auto& [width, height] : {std::pair{80, 24}, std::pair{120, 30}}) {
        const int columns = width, rows = height;
        const std::string size = std::to_string(columns) + " x " + std::to_string(rows);
        TmuxSession s = run_exe(columns, rows);
        ASSERT_TRUE(s.wait_until(
            [&](const std::string& screen) { return shows_notice(screen, columns, rows); }, kStart))
            << size << "\n"
            << s.capture();
        s.send_keys({"C-c"});
        ASSERT_TRUE(s.wait_for_text("TTY-", kStep + kStep)) << size << "\n" << s.capture();
        const std::string end = s.capture();
        EXPECT_NE(end.find("ENDED status=130"), std::string::npos) << size << "\n" << end;
        EXPECT_NE(end.find("TTY-SAME"), std::string::npos) << size << "\n" << end;
    }

    TmuxSession s = run_exe(100, 50);
    ASSERT_TRUE(s.wait_until(whole_title, kStart, true)) << s.capture();
    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return whole_game(s, 23, 39); }, kStep))
        << s.capture();
    // The game in the window's top-left corner, nothing below or beside it.
    const auto shown = parse_capture(s.capture(true));
    std::string stray;
    for (int y = 1; y <= 50; ++y)
        for (int x = y <= 42 ? 81 : 1; x <= 100; ++x)
            if (cell_at(shown, x, y).glyph != " ") stray += cell_at(shown, x, y).glyph;
    EXPECT_EQ(stray, "") << s.capture();
    s.send_keys({"d"});
    ASSERT_TRUE(s.wait_for_text("ENDED status=0", kStep + kStep)) << s.capture();
}

// The window shrinks and grows through the backend's own size events, put
// into the console's input by the seam (wine's console never reports a
// resized pane): at start, at the title, and in a game. Behind the notice
// the game stands still and keys are not kept; with room again it goes on
// where it stood, every cell drawn anew.
TEST(WineE2E, AGameStandsStillBehindTheNoticeAndGoesOnWhereItStood) {
    TempDir folder;
    const std::string flag = folder.file("small");
    const auto shrink = [&] { ASSERT_EQ(std::system(("touch '" + flag + "'").c_str()), 0); };
    const auto grow = [&] { std::remove(flag.c_str()); };
    shrink();
    TmuxSession s = run_exe(100, 50, PATRULHA_SIZE_SEAM_EXE, "Z:" + folder.path());
    const auto notice = [](const std::string& screen) { return shows_notice(screen, 80, 24); };

    ASSERT_TRUE(s.wait_until(notice, kStart)) << s.capture();
    grow();
    ASSERT_TRUE(s.wait_until(whole_title, kStep, true)) << s.capture();
    shrink();
    ASSERT_TRUE(s.wait_until(notice, kStep)) << s.capture();
    grow();
    ASSERT_TRUE(s.wait_until(whole_title, kStep, true)) << s.capture();

    s.send_keys({"1"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return whole_game(s, 23, 39); }, kStep))
        << s.capture();
    s.send_keys({"Left", "Left"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 21, 39); }, kStep))
        << s.capture();
    shrink();
    ASSERT_TRUE(s.wait_until(notice, kStep)) << s.capture();
    // Typed at the notice: thrown away once read.
    s.send_keys({"Right"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return s.input_taken(); }, kStep));
    grow();
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return whole_game(s, 21, 39); }, kStep))
        << s.capture();
    // The next key moves the ship from where it stood: had the one typed
    // at the notice been kept, it would be a column to the right.
    s.send_keys({"Up"});
    ASSERT_TRUE(s.wait_until([&](const std::string&) { return ship_at(s, 21, 38); }, kStep))
        << s.capture();
    EXPECT_NE(cell_at(parse_capture(s.capture(true)), 22, 38).glyph, kShip);

    s.send_keys({"d"});
    ASSERT_TRUE(s.wait_for_text("ENDED status=0", kStep + kStep)) << s.capture();
}

}  // namespace
}  // namespace patrulha::testing
