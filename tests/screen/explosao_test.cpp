// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The explosion star: its nine parts, where each is left out near the
// field's edges, its colour, its timing and its wiping.
#include "screens/explosao.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

struct StarCase {
    const char* name;
    int c, r;
    // The 3 x 3 screen cells around the centre while the star shows, rows
    // top to bottom, '.' where nothing is drawn.
    const char* star;
};

std::ostream& operator<<(std::ostream& out, const StarCase& s) {
    return out << s.name;
}

class ExplosaoTest : public GameTest, public ::testing::WithParamInterface<StarCase> {
protected:
    // The 3 x 3 cells around grid cell (c, r) on screen; cells off the
    // field (column -1) read as '.'.
    std::string around(int c, int r) const {
        std::string out;
        for (int y = r + 1; y <= r + 3; ++y) {
            for (int x = c + 1; x <= c + 3; ++x) out += symbol(code_at(x, y));
            out += '\n';
        }
        return out;
    }
};

TEST_P(ExplosaoTest, TheStarFlashesWhiteAndIsWiped) {
    const StarCase s = GetParam();
    std::string shown;
    int shown_attribute = -1;
    std::size_t presents = 0;
    textcolor(LIGHTRED);
    vb.on_present([&] {
        // The first pacing point is the sleep after the drawing.
        if (presents++ == 0) {
            shown = around(s.c, s.r);
            shown_attribute = attribute_at(s.c + 2, s.r + 2);
        }
    });
    explosao(s.c, s.r);
    vb.on_present(nullptr);

    EXPECT_EQ(shown, s.star);
    EXPECT_EQ(shown_attribute, WHITE);
    EXPECT_EQ(around(s.c, s.r), "...\n...\n...\n");
    ASSERT_EQ(vb.sleeps().size(), 1u);
    EXPECT_EQ(vb.sleeps()[0].ms, 50u);
    ASSERT_EQ(vb.beeps().size(), 1u);
    EXPECT_EQ(vb.beeps()[0].frequency, 1000u);
    EXPECT_EQ(vb.beeps()[0].duration_ms, 100u);
    EXPECT_EQ(vb.beeps()[0].at_us, vb.sleeps()[0].at_us + 50'000) << "the beep follows the sleep";
    EXPECT_EQ(__FOREGROUND, WHITE);
    EXPECT_EQ(attribute_at(s.c + 2, s.r + 2), WHITE) << "wiped in white on black";
}

INSTANTIATE_TEST_SUITE_P(Centres, ExplosaoTest,
                         ::testing::Values(StarCase{"middle", 20, 10, "\\|/\n-*-\n/|\\\n"},
                                           StarCase{"column1", 1, 10, ".|/\n.*-\n.|\\\n"},
                                           StarCase{"column2", 2, 10, "\\|/\n-*-\n/|\\\n"},
                                           StarCase{"column41", 41, 10, "\\|/\n-*-\n/|\\\n"},
                                           StarCase{"column42", 42, 10, "\\|.\n-*.\n/|.\n"},
                                           StarCase{"row1", 20, 1, "...\n-*-\n/|\\\n"},
                                           StarCase{"row2", 20, 2, "\\|/\n-*-\n/|\\\n"},
                                           StarCase{"corner0_1", 0, 1, "...\n.*-\n.|\\\n"},
                                           StarCase{"row38", 20, 38, "\\|/\n-*-\n/|\\\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GameTest, TheStarInColumn41ReachesTheFieldsLastColumnAndNoFurther) {
    // The frame's separator column (45) stays as it was.
    for (int y = 11; y <= 13; ++y) {
        gotoxy(45, y);
        printf("Q");
    }
    explosao(41, 10);
    EXPECT_EQ(code_at(45, 11), 'Q');
    EXPECT_EQ(code_at(45, 12), 'Q');
    EXPECT_EQ(code_at(45, 13), 'Q');
}

}  // namespace
}  // namespace patrulha::testing
