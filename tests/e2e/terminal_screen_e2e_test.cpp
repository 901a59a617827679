// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The console on screens that change under it: suspended and resumed, a
// window shrunk below 80 x 42 and grown again, a window larger than the
// console. The frame probe's counter and picture are the state that must
// survive.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "platform/size_notice.h"
#include "tests/e2e/terminal_e2e_support.h"

namespace patrulha::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// The rows of a screen, 1-based: rows(screen)[1] is the first.
std::vector<std::string> rows_of(const std::string& screen) {
    std::vector<std::string> rows = {""};
    std::istringstream in(screen);
    std::string line;
    while (std::getline(in, line)) rows.push_back(line);
    return rows;
}

// Rows 2 to 42 of a capture: the picture, everything but the counter.
std::string picture(const std::string& screen) {
    const auto rows = rows_of(screen);
    std::string out;
    for (std::size_t y = 2; y < rows.size() && y <= 42; ++y) out += rows[y] + "\n";
    return out;
}

void resize(const TmuxSession& s, int columns, int rows) {
    s.tmux({"resize-window", "-t", s.target(), "-x", std::to_string(columns), "-y",
            std::to_string(rows)});
}

bool shows_size_notice(const std::string& screen, int columns, int rows) {
    return screen.find("80 x 42") != std::string::npos &&
           screen.find(std::to_string(columns) + " x " + std::to_string(rows)) != std::string::npos;
}

TEST(TerminalScreenE2E, ASmallWindowShowsTheSizesAndTheSameScreenComesBack) {
    TmuxSession s(kFrameProbe);
    ASSERT_TRUE(s.wait_for_text("quadro 2")) << s.capture();
    s.send_keys({"p"});  // the probe waits for a key: its screen holds still
    ASSERT_TRUE(s.wait_for_text("pausa")) << s.capture();
    const int paused_at = counter(s.capture());
    const std::string before = s.capture(true);

    resize(s, 60, 20);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 60, 20);
    })) << s.capture();
    // Centred on what is visible.
    const auto rows = rows_of(s.capture());
    int notice_row = 0;
    for (std::size_t y = 1; y < rows.size(); ++y)
        if (rows[y].find("80 x 42") != std::string::npos) notice_row = static_cast<int>(y);
    EXPECT_GE(notice_row, 8);
    EXPECT_LE(notice_row, 12);
    EXPECT_GT(rows[static_cast<std::size_t>(notice_row)].find('8'), 15u) << "not at the left edge";

    // Smaller still, then tiny: never a crash, the notice follows the size.
    resize(s, 30, 6);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 30, 6);
    })) << s.capture();
    resize(s, 12, 4);  // too narrow for the words: the sizes alone
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return screen.find("min 80x42") != std::string::npos &&
               screen.find("tem 12x4") != std::string::npos;
    })) << s.capture();
    resize(s, 1, 1);
    resize(s, 79, 42);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 79, 42);
    })) << s.capture();

    resize(s, 80, 42);
    ASSERT_TRUE(
        s.wait_until([&](const std::string& screen) { return screen == before; }, kPatience, true))
        << "before:\n"
        << before << "after:\n"
        << s.capture(true);
    EXPECT_FALSE(s.ended());
    // Still waiting for its key: the frames go on after it.
    s.send_keys({"x"});
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
        return counter(screen) > paused_at + 1;
    })) << s.capture();
}

// The notice as the window must show it: size_notice's lines at their
// cells, blank everywhere else, every row's trailing blanks dropped.
std::string notice_picture(int columns, int rows) {
    std::vector<std::string> screen(static_cast<std::size_t>(rows));
    for (const platform::NoticeLine& line : platform::size_notice(columns, rows)) {
        std::string& row = screen[static_cast<std::size_t>(line.y)];
        row.resize(std::max(row.size(), static_cast<std::size_t>(line.x) + line.text.size()), ' ');
        row.replace(static_cast<std::size_t>(line.x), line.text.size(), line.text);
    }
    std::string out;
    for (const std::string& row : screen) out += row + "\n";
    return out;
}

TEST(TerminalScreenE2E, TheNoticeIsCentredInAWideShortWindowAndANarrowOne) {
    // Wider than the console's 80 columns and shorter than its 42 rows, then
    // narrow: each cell of the notice where the window's own size puts it.
    TmuxSession s(kFrameProbe, {}, 300, 30);
    const std::string wide = notice_picture(300, 30);
    ASSERT_NE(wide.find("Ctrl-C sai do jogo."), std::string::npos) << "the whole notice fits";
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) { return trim_lines(screen) == wide; }))
        << "want:\n"
        << wide << "shown:\n"
        << trim_lines(s.capture());
    resize(s, 40, 10);
    const std::string narrow = notice_picture(40, 10);
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
        return trim_lines(screen) == narrow;
    })) << "want:\n"
        << narrow << "shown:\n"
        << trim_lines(s.capture());
    EXPECT_FALSE(s.ended());
}

// The status panel of a game screen: every row from column 45 on (the
// playfield, where the game moves on, is left out).
std::string panel_of(const std::string& screen) {
    std::string panel;
    for (const std::string& row : rows_of(screen)) {
        std::size_t at = 0;
        for (int column = 1; column < 45 && at < row.size(); ++column) {
            ++at;
            while (at < row.size() && (static_cast<unsigned char>(row[at]) & 0xC0) == 0x80) ++at;
        }
        panel += row.substr(std::min(at, row.size())) + '\n';
    }
    return panel;
}

TEST(TerminalScreenE2E, AGameResizedSmallAndBackResumesWithTheSamePanel) {
    TmuxSession s(recorded(kPatrulha));
    ASSERT_TRUE(s.wait_for_text("PERSONALIZAR")) << s.capture();
    s.send_keys({"1"});
    // The whole panel: its level at the top, the last credit line at the foot.
    std::string before;
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
        before = panel_of(screen);
        return before.find("FACIL") != std::string::npos &&
               before.find("Obrigado") != std::string::npos;
    })) << before;

    resize(s, 60, 20);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 60, 20);
    })) << s.capture();
    resize(s, 80, 42);
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) { return panel_of(screen) == before; }))
        << "before:\n"
        << before << "after:\n"
        << s.capture();
    EXPECT_NE(s.capture().find("\u2663"), std::string::npos) << "the ship is still there";

    s.send_keys({"d"});
    expect_clean_end(s);
}

// ==== Standing still ====
//
// Whether frames ran while the window was small is told by counting them
// against the time the game was allowed to run: at 20 frames a second, a
// game standing still for a stimulus of 2 s would show 40 frames too many.
// The times are taken so that a slow machine only ever makes the allowance
// larger: a loaded machine cannot make the test fail.

using Clock = std::chrono::steady_clock;

double seconds_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Frames of 50 ms in `running` seconds, with room for the frames a late game
// runs to catch up (at most 250 ms of them) and for the counter read a frame
// late.
int frames_allowed(double running) {
    return static_cast<int>(20 * running) + 8;
}

// The whole 80 x 42 screen of the frame probe: the counter, and the picture
// down to "fim" on the last row.
bool whole_probe_screen(const std::string& screen) {
    const auto rows = rows_of(screen);
    return counter(screen) >= 0 && rows.size() > 42 && rows[42].find("fim") != std::string::npos;
}

constexpr auto kStandStill = seconds(2);  // the length of the stimulus

TEST(TerminalScreenE2E, TheGameStandsStillWhileTheWindowIsSmall) {
    TmuxSession s(kFrameProbe);
    ASSERT_TRUE(s.wait_for_text("quadro 3")) << s.capture();
    const std::string picture_before = picture(s.capture(true));
    const Clock::time_point started = Clock::now();
    const int frames_before = counter(s.capture());

    resize(s, 60, 20);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 60, 20);
    })) << s.capture();
    const Clock::time_point small_since = Clock::now();
    std::this_thread::sleep_for(kStandStill);
    const Clock::time_point grown_at = Clock::now();
    resize(s, 80, 42);
    // The whole screen back, the picture as it was, before anything is
    // counted.
    std::string after;
    ASSERT_TRUE(s.wait_until(
        [&](const std::string& screen) {
            after = screen;
            return whole_probe_screen(screen) && picture(screen) == picture_before;
        },
        kPatience, true))
        << "before:\n"
        << picture_before << "after:\n"
        << after;
    const double running =
        seconds_between(started, small_since) + seconds_between(grown_at, Clock::now());
    EXPECT_LE(counter(after) - frames_before, frames_allowed(running))
        << "frames ran while the window was small";
    // And it plays on.
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
        return counter(screen) > counter(after) + 2;
    })) << s.capture();
}

TEST(TerminalScreenE2E, StartingInASmallWindowWaitsForItToGrow) {
    TmuxSession s(kFrameProbe, {}, 70, 30);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 70, 30);
    })) << s.capture();
    std::this_thread::sleep_for(kStandStill);
    const Clock::time_point grown_at = Clock::now();
    resize(s, 80, 42);
    std::string after;
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
        after = screen;
        return whole_probe_screen(screen);
    })) << after;
    EXPECT_LE(counter(after), frames_allowed(seconds_between(grown_at, Clock::now())))
        << "frames ran before the window was large enough";
    ASSERT_TRUE(s.wait_until([](const std::string& screen) { return counter(screen) >= 12; }))
        << s.capture();
}

TEST(TerminalScreenE2E, TonesNeitherHoldTheGameUpNorBreakIt) {
    // Whether or not a sound device opens here, each tone lasts its 100 ms
    // of the game's time and the game goes on.
    TmuxSession s(recorded(kFrameProbe));
    ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
    for (int i = 0; i < 10; ++i) s.send_keys({"b"});
    const int after_beeps = counter(s.capture());
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
        return counter(screen) > after_beeps + 12;
    })) << s.capture();
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
    EXPECT_NE(s.capture().find("ENDED signal=0 status=0"), std::string::npos) << s.capture();
}

TEST(TerminalScreenE2E, ALargerWindowShowsTheConsoleAtTheTopLeft) {
    TmuxSession s(kFrameProbe, {}, 100, 50);
    ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
    const auto rows = rows_of(s.capture());
    ASSERT_GE(rows.size(), 51u);
    EXPECT_EQ(rows[2].substr(0, 80).find_first_not_of("abcdefghijklmnopqrstuvwxyz"),
              std::string::npos)
        << rows[2];
    EXPECT_EQ(rows[42].substr(0, 3), "fim");
    EXPECT_EQ(rows[42][79], '#') << "the last cell";
    for (std::size_t y = 1; y <= 50; ++y) {
        const std::string right = rows[y].size() > 80 ? rows[y].substr(80) : "";
        EXPECT_EQ(right.find_first_not_of(' '), std::string::npos) << "row " << y;
        if (y > 42) {
            EXPECT_EQ(rows[y].find_first_not_of(' '), std::string::npos) << "row " << y;
        }
    }
}

TEST(TerminalScreenE2E, SuspendGivesTheTerminalBackAndFgRedrawsEverything) {
    // Suspended while running frames, and while waiting for a key: in a
    // key wait nothing else would draw, so the redraw must come unasked.
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "waiting for a key" : "running");
        TmuxSession s("exec bash --norc --noprofile -i", {"PS1=$ "});
        ASSERT_TRUE(s.wait_for_text("$")) << s.capture();
        s.send_text(kFrameProbe + "\n");
        ASSERT_TRUE(s.wait_for_text("quadro 3")) << s.capture();
        if (paused) {
            s.send_keys({"p"});
            ASSERT_TRUE(s.wait_for_text("pausa")) << s.capture();
        }
        const std::string before = s.capture(true);

        s.send_keys({"C-z"});
        ASSERT_TRUE(s.wait_for_alternate_screen(false)) << s.capture();
        ASSERT_TRUE(s.wait_for_text("Stopped")) << s.capture();
        EXPECT_EQ(pane_modes(s), kModesGivenBack) << "alternate screen, cursor, keypad";
        // The shell reads lines again: echo and line editing are back.
        s.send_text("echo BACK-$((20+22))\n");
        ASSERT_TRUE(s.wait_for_text("BACK-42")) << s.capture();

        s.send_text("fg\n");
        ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
        const auto same = [&](const std::string& screen) {
            return paused ? screen == before : picture(screen) == picture(before);
        };
        ASSERT_TRUE(s.wait_until(same, kPatience, true)) << "before:\n"
                                                         << before << "after:\n"
                                                         << s.capture(true);
        if (paused) s.send_keys({"x"});
        ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
            return counter(screen) > counter(before) + 2;
        })) << "plays on: "
            << s.capture();
        s.send_keys({"q"});
        ASSERT_TRUE(s.wait_for_alternate_screen(false)) << s.capture();
        s.send_text("echo PROBE-STATUS-$?\n");  // fg's status is the job's
        ASSERT_TRUE(s.wait_for_text("PROBE-STATUS-0")) << s.capture();
        EXPECT_EQ(pane_modes(s), kModesGivenBack);
    }
}

}  // namespace
}  // namespace patrulha::testing

namespace patrulha::testing {
namespace {

TEST(TerminalScreenE2E, SuspendedAtTheSizeNoticeTheGamePlaysOnAtOnceAfterFg) {
    TmuxSession s("exec bash --norc --noprofile -i", {"PS1=$ "});
    ASSERT_TRUE(s.wait_for_text("$")) << s.capture();
    s.send_text(kFrameProbe + "\n");
    ASSERT_TRUE(s.wait_for_text("quadro 3")) << s.capture();
    resize(s, 60, 20);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 60, 20);
    })) << s.capture();
    // The notice shows before the game's next present, where it then stands
    // still; a moment for it to get there (it presents every 50 ms), so that
    // the stop comes while it stands still.
    std::this_thread::sleep_for(seconds(1));
    s.send_keys({"C-z"});
    ASSERT_TRUE(s.wait_for_text("Stopped")) << s.capture();
    // Stopped this long, the stop once counted twice froze the game as long
    // again after fg.
    std::this_thread::sleep_for(seconds(4));
    s.send_text("fg\n");
    ASSERT_TRUE(s.wait_until([](const std::string& screen) {
        return shows_size_notice(screen, 60, 20);
    })) << s.capture();
    resize(s, 80, 42);
    ASSERT_TRUE(s.wait_until([](const std::string& screen) { return whole_probe_screen(screen); }))
        << s.capture();
    const Clock::time_point back = Clock::now();
    const int frames = counter(s.capture());
    ASSERT_TRUE(s.wait_until([&](const std::string& screen) {
        return counter(screen) >= frames + 5;
    })) << s.capture();
    EXPECT_LT(seconds_between(back, Clock::now()), 3.0) << "the game stood still after fg";
    s.send_keys({"q"});
    EXPECT_TRUE(s.wait_for_alternate_screen(false)) << s.capture();
}

}  // namespace
}  // namespace patrulha::testing
