// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The title screen: the banner in the drawn colour and character, written
// from the cursor; the green box; the menu with every blank; the pauses.
#include <string>
#include <vector>

#include "screens/telas.h"
#include "tests/support/drawing_steps.h"
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

using MenuJogoTest = ConsoleTest;

// The title screen drawn on a cleared console with the draw 3: a cyan banner
// made of hearts.
const char* const kTitulo =
    "        ╔═══════════════════════════════════════════════════════╗\n"
    "        ║                                                       ║\n"
    "        ║ ♥♥♥♥    ♥♥   ♥♥♥♥♥ ♥♥♥♥  ♥    ♥ ♥     ♥   ♥   ♥♥      ║\n"
    "        ║ ♥   ♥  ♥  ♥    ♥   ♥   ♥ ♥    ♥ ♥     ♥   ♥  ♥  ♥     ║\n"
    "        ║ ♥   ♥ ♥    ♥   ♥   ♥   ♥ ♥    ♥ ♥     ♥   ♥ ♥    ♥    ║\n"
    "        ║ ♥♥♥♥  ♥♥♥♥♥♥   ♥   ♥♥♥♥  ♥    ♥ ♥     ♥♥♥♥♥ ♥♥♥♥♥♥    ║\n"
    "        ║ ♥     ♥    ♥   ♥   ♥  ♥  ♥    ♥ ♥     ♥   ♥ ♥    ♥    ║\n"
    "        ║ ♥     ♥    ♥   ♥   ♥   ♥  ♥♥♥♥  ♥♥♥♥♥ ♥   ♥ ♥    ♥    ║\n"
    "        ║                                                       ║\n"
    "        ║                                                       ║\n"
    "        ║                                                       ║\n"
    "        ║        ♥♥♥♥  ♥♥♥ ♥♥♥♥♥ ♥♥♥♥ ♥     ♥♥♥  ♥♥♥♥           ║\n"
    "        ║        ♥    ♥      ♥   ♥    ♥    ♥   ♥ ♥   ♥          ║\n"
    "        ║        ♥♥♥  ♥      ♥   ♥♥♥  ♥    ♥   ♥ ♥   ♥          ║\n"
    "        ║        ♥     ♥♥    ♥   ♥    ♥    ♥♥♥♥♥ ♥♥♥♥           ║\n"
    "        ║        ♥       ♥   ♥   ♥    ♥    ♥   ♥ ♥  ♥           ║\n"
    "        ║        ♥♥♥♥ ♥♥♥    ♥   ♥♥♥♥ ♥♥♥♥ ♥   ♥ ♥   ♥          ║\n"
    "        ║                                                       ║\n"
    "        ╚═══════════════════════════════════════════════════════╝\n"
    "\n"
    "\n"
    "                     ESCOLHA NIVEL DE DIFICULDADE\n"
    "\n"
    "\n"
    "             1 - FACIL          3 - NORMAL       ESC para sair\n"
    "\n"
    "\n"
    "             2 - SECUNDARIO     4 - AVANÇADO     5 - PERSONALIZAR\n";

std::string titulo_inteiro() {
    return kTitulo + std::string(42 - 28, '\n');
}

TEST_F(MenuJogoTest, ThePictureOfTheTitleScreen) {
    clrscr();
    vb.force_rand({3});
    monta_menu_jogo();
    EXPECT_EQ(vb.picture(), titulo_inteiro());
    EXPECT_EQ(vb.rand_draws(), 1u) << "one draw for the banner";
}

// Checks one band of the banner: rows `top` to `top` + 5, letter cells only
// from `first` to `last` (with letters in both of those columns), every
// letter cell `intro` in colour `intro`, and blanks elsewhere in the box.
void expect_band(const VirtualBackend& vb, int top, int first, int last, int intro) {
    bool at_first = false, at_last = false;
    int letters = 0;
    for (int y = top; y < top + 6; ++y)
        for (int x = 10; x <= 64; ++x) {
            const auto& c = vb.cell(x, y);
            if (c.code == ' ') continue;
            ++letters;
            EXPECT_EQ(c.code, intro) << "(" << x << "," << y << ")";
            EXPECT_EQ(c.attribute, intro) << "(" << x << "," << y << ")";
            EXPECT_GE(x, first) << "row " << y;
            EXPECT_LE(x, last) << "row " << y;
            at_first |= x == first;
            at_last |= x == last;
        }
    EXPECT_TRUE(at_first && at_last) << "the band spans columns " << first << " to " << last;
    EXPECT_GT(letters, 80);
}

TEST_F(MenuJogoTest, TheBannersColourAndCharacterFollowTheDraw) {
    // Draw -> intro: 0 becomes yellow 14; the draw is taken modulo 6.
    const std::vector<std::pair<int, int>> draws = {{0, 14}, {1, 1}, {2, 2},  {3, 3},
                                                    {4, 4},  {5, 5}, {6, 14}, {32767, 1}};
    for (const auto& [draw, intro] : draws) {
        SCOPED_TRACE("draw " + std::to_string(draw));
        textcolor(LIGHTGRAY);  // the clear fills in the colour last set
        clrscr();
        vb.force_rand({draw});
        monta_menu_jogo();
        expect_band(vb, 3, 11, 60, intro);
        expect_band(vb, 12, 18, 54, intro);
        // Between the bands and around them, inside the box: blanks only.
        for (int y : {2, 9, 10, 11, 18})
            EXPECT_EQ(vb.row_codes(y, 10, 64), std::string(55, ' ')) << "row " << y;
        // The blank after the first band's three line breaks is written in
        // the banner's colour at (1, 11).
        EXPECT_EQ(attribute_at(1, 11), intro);
        EXPECT_EQ(attribute_at(2, 11), LIGHTGRAY);
    }
}

TEST_F(MenuJogoTest, TheBoxEndsGreenAroundTheBanner) {
    clrscr();
    vb.force_rand({5});
    monta_menu_jogo();
    EXPECT_EQ(code_at(9, 1), 201);
    EXPECT_EQ(code_at(65, 1), 187);
    EXPECT_EQ(code_at(65, 19), 188);
    EXPECT_EQ(code_at(9, 19), 200);
    for (int x = 9; x <= 65; ++x) {
        EXPECT_EQ(attribute_at(x, 1), GREEN) << x;
        EXPECT_EQ(attribute_at(x, 19), GREEN) << x;
    }
    for (int y = 2; y <= 18; ++y) {
        EXPECT_EQ(code_at(9, y), 186) << y;
        EXPECT_EQ(code_at(65, y), 186) << y;
        EXPECT_EQ(attribute_at(9, y), GREEN) << y;
        EXPECT_EQ(attribute_at(65, y), GREEN) << y;
    }
    // Three passes of 55 + 17 + 55 + 17 edge characters, each followed by a
    // pause of 0 ms, after the banner's eleven; then the 50 ms pause.
    const auto& sleeps = vb.sleeps();
    ASSERT_EQ(sleeps.size(), 11u + 3u * 144u + 1u);
    for (std::size_t i = 0; i + 1 < sleeps.size(); ++i) EXPECT_EQ(sleeps[i].ms, 0u) << i;
    EXPECT_EQ(sleeps.back().ms, 50u);
}

TEST_F(MenuJogoTest, TheMenuTextsWriteEveryBlankInTheirColours) {
    clrscr();
    vb.force_rand({1});
    monta_menu_jogo();
    // The heading's two leading blanks are written in white from column 20.
    EXPECT_EQ(vb.row_codes(22, 20, 49), "  ESCOLHA NIVEL DE DIFICULDADE");
    for (int x = 20; x <= 49; ++x) EXPECT_EQ(attribute_at(x, 22), WHITE) << x;
    EXPECT_EQ(attribute_at(19, 22), LIGHTGRAY);
    // The level rows are written from column 1, blanks and all, in white.
    EXPECT_EQ(vb.row_codes(25, 1, 42),
              std::string(13, ' ') + "1 - FACIL" + std::string(10, ' ') + "3 - NORMAL");
    EXPECT_EQ(vb.row_codes(28, 1, 44), std::string(13, ' ') + "2 - SECUNDARIO" +
                                           std::string(5, ' ') +
                                           "4 - AVAN\x80"
                                           "ADO");
    for (int x = 1; x <= 42; ++x) EXPECT_EQ(attribute_at(x, 25), WHITE) << x;
    for (int x = 1; x <= 44; ++x) EXPECT_EQ(attribute_at(x, 28), WHITE) << x;
    EXPECT_EQ(vb.row_codes(25, 50, 62), "ESC para sair");
    EXPECT_EQ(vb.row_codes(28, 50, 65), "5 - PERSONALIZAR");
    for (int x = 50; x <= 62; ++x) EXPECT_EQ(attribute_at(x, 25), LIGHTRED) << x;
    for (int x = 50; x <= 65; ++x) EXPECT_EQ(attribute_at(x, 28), LIGHTRED) << x;
    EXPECT_EQ(__FOREGROUND, LIGHTRED) << "the screen leaves light red set";
}

TEST_F(MenuJogoTest, TheBannerFollowsTheCursorWhileTheRestStaysInPlace) {
    // From (1, 24) the bands fall on rows 26 to 31 and 35 to 40 and the
    // banner's last line breaks leave the cursor on row 42: nothing scrolls.
    clrscr();
    gotoxy(1, 24);
    vb.force_rand({2});
    monta_menu_jogo();
    EXPECT_EQ(attribute_at(1, 34), GREEN) << "the blank between the bands";
    for (int y = 35; y <= 40; ++y) {
        const std::string row = vb.row_codes(y, 1, 80);
        EXPECT_EQ(row.find('\x02'), 17u) << "row " << y;
        EXPECT_EQ(row.find_last_not_of(' '), y == 35 || y == 38 || y == 39 ? 52u : 53u)
            << "row " << y;
    }
    EXPECT_EQ(vb.row_text(41), "");
    EXPECT_EQ(vb.row_text(42), "");
    // The box, heading and menu are positioned: where they always are.
    EXPECT_EQ(code_at(9, 1), 201);
    EXPECT_EQ(code_at(65, 19), 188);
    EXPECT_EQ(vb.row_codes(22, 22, 49), "ESCOLHA NIVEL DE DIFICULDADE");
    EXPECT_EQ(vb.row_codes(28, 50, 65), "5 - PERSONALIZAR");
    // Rows 2 to 18 of the box hold no banner: it is all further down.
    for (int y = 2; y <= 18; ++y) EXPECT_EQ(vb.row_codes(y, 10, 64), std::string(55, ' ')) << y;
}

TEST(MenuJogoSteps, BannerRowByRowThenTheBoxInBlackBlueAndGreen) {
    reset_conio_state();
    VirtualBackend vb;
    DrawingSteps watch(vb);
    clrscr();
    monta_menu_jogo();
    const auto& steps = watch.steps();
    ASSERT_EQ(steps.size(), 11u + 3u * 144u + 1u);

    // The first eleven outputs of the banner, each a row of one band,
    // followed by its 0 ms pause; the sixth also writes the blank at (1, 11).
    const int rows[11] = {3, 4, 5, 6, 7, 8, 12, 13, 14, 15, 16};
    for (int i = 0; i < 11; ++i) {
        SCOPED_TRACE("banner output " + std::to_string(i + 1));
        EXPECT_EQ(steps[i].ms, 0u);
        ASSERT_FALSE(steps[i].cells.empty());
        for (const WrittenCell& c : steps[i].cells) {
            if (i == 5 && c.y == 11) {
                EXPECT_EQ(c.x, 1);
                EXPECT_EQ(c.code, ' ');
                continue;
            }
            EXPECT_EQ(c.y, rows[i]);
        }
    }

    // The box's edge characters in order, each followed by a pause; the
    // corner drawn before an edge shows up with that edge's first cell.
    std::vector<std::pair<int, int>> edge;
    for (int x = 10; x <= 64; ++x) edge.push_back({x, 1});
    for (int y = 2; y <= 18; ++y) edge.push_back({65, y});
    for (int x = 64; x >= 10; --x) edge.push_back({x, 19});
    for (int y = 18; y >= 2; --y) edge.push_back({9, y});
    for (int pass = 0; pass <= 2; ++pass) {
        SCOPED_TRACE("pass " + std::to_string(pass));
        for (std::size_t i = 0; i < edge.size(); ++i) {
            const DrawingStep& p = steps[11 + pass * edge.size() + i];
            EXPECT_EQ(p.ms, 0u);
            bool found = false;
            for (const WrittenCell& c : p.cells) {
                if (c.x == edge[i].first && c.y == edge[i].second) found = true;
                if (i == 0) {
                    // The twelfth banner output (row 17) comes before the
                    // first pass; the closing corner of a pass before the
                    // next one.
                    if (pass == 0 && c.y == 17) continue;
                    if (pass > 0 && c.x == 9 && c.y == 1) {
                        EXPECT_EQ(c.attribute, pass - 1);
                        continue;
                    }
                }
                EXPECT_EQ(c.attribute, pass) << "(" << c.x << "," << c.y << ")";
            }
            EXPECT_TRUE(found) << "edge cell " << i;
        }
    }
    // The last corner closes the green pass; the menu comes after the pause.
    EXPECT_EQ(steps.back().ms, 50u);
    ASSERT_EQ(steps.back().cells.size(), 1u);
    EXPECT_EQ(steps.back().cells[0].x, 9);
    EXPECT_EQ(steps.back().cells[0].y, 1);
    EXPECT_EQ(steps.back().cells[0].code, 201);
    EXPECT_EQ(steps.back().cells[0].attribute, GREEN);
}

}  // namespace
}  // namespace patrulha::testing
