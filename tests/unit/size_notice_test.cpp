// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The notice shown while the window is too small: its words, centred in any
// window, and the short form where they do not fit.
#include "platform/size_notice.h"

#include <gtest/gtest.h>

namespace patrulha::platform {
namespace {

std::string picture(int columns, int rows) {
    std::vector<std::string> screen(static_cast<std::size_t>(rows),
                                    std::string(static_cast<std::size_t>(columns), '.'));
    for (const NoticeLine& line : size_notice(columns, rows)) {
        EXPECT_GE(line.x, 0);
        EXPECT_LE(line.x + static_cast<int>(line.text.size()), columns) << line.text;
        EXPECT_GE(line.y, 0);
        EXPECT_LT(line.y, rows) << line.text;
        screen[static_cast<std::size_t>(line.y)].replace(static_cast<std::size_t>(line.x),
                                                         line.text.size(), line.text);
    }
    std::string out;
    for (const std::string& row : screen) out += row + "\n";
    return out;
}

TEST(SizeNotice, CentredInTheWindowWithTheWayOutOrItsShortForm) {
    EXPECT_EQ(picture(41, 8),
              ".........Terminal pequeno demais.........\n"
              "............precisa: 80 x 42.............\n"
              "..............atual: 41 x 8..............\n"
              ".........................................\n"
              "...........Aumente a janela ou...........\n"
              ".............reduza a fonte..............\n"
              "...........Ctrl-C sai do jogo............\n"
              ".........................................\n");
    EXPECT_EQ(picture(30, 6),
              "...Terminal pequeno demais....\n"
              ".......precisa: 80 x 42.......\n"
              "........atual: 30 x 6.........\n"
              ".....Aumente a janela ou......\n"
              ".......reduza a fonte.........\n"
              ".....Ctrl-C sai do jogo.......\n")
        << "without its blank line where the rows are few";
    EXPECT_EQ(picture(20, 4),
              ".....min 80x42......\n"
              "......tem 20x4......\n"
              ".....Ctrl-C sai.....\n"
              "....................\n");
    EXPECT_EQ(picture(5, 1), "min 8\n") << "a tiny window shows what fits";
    EXPECT_TRUE(size_notice(0, 0).empty());
    // A wide and short window: the lines at its own centre, whatever its width.
    const std::vector<NoticeLine> wide = size_notice(300, 30);
    ASSERT_EQ(wide.size(), 6u);
    EXPECT_EQ(wide[0].y, 11);
    EXPECT_EQ(wide[0].x, (300 - 23) / 2);
    EXPECT_EQ(wide[5].text, "Ctrl-C sai do jogo.");
    EXPECT_EQ(wide[5].y, 17);
}

}  // namespace
}  // namespace patrulha::platform
