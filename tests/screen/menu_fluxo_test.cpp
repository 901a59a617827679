// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The program from start-up through the menu, driven by scripted keys: the
// start-up order, the menu's keys and its redraw rule, the invalid-option
// message, the options screen, the hand-over to a game and the way back.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/runtime.h"
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

using MenuFluxoTest = ConsoleTest;

constexpr int ESC = 27;

// The invalid-option message as console codes: Opção Inválida !!!
const std::string kInvalidOption = "Op\x87\xC6o Inv\xA0lida !!!";

// Whether the title screen is up: its box and its menu rows.
bool title_screen_up(const VirtualBackend& vb) {
    return vb.cell(9, 1).code == 201 && vb.cell(65, 19).code == 188 &&
           vb.row_codes(22, 22, 49) == "ESCOLHA NIVEL DE DIFICULDADE" &&
           vb.row_codes(28, 50, 65) == "5 - PERSONALIZAR";
}

// Whether the game screen's frame is up.
bool game_screen_up(const VirtualBackend& vb) {
    return vb.cell(45, 1).code == 203 && vb.cell(45, 42).code == 202 && vb.cell(80, 15).code == 185;
}

// The number of title screens drawn so far: each draws once for its banner,
// and nothing else draws at the menu.
int title_screens(const VirtualBackend& vb) {
    return static_cast<int>(vb.rand_draws());
}

TEST_F(MenuFluxoTest, EscAsTheFirstKeyEndsTheProgramOnTheTitleScreen) {
    vb.key(ESC);
    ASSERT_EQ(run_main(), RunEnd::Returned);
    EXPECT_TRUE(title_screen_up(vb));
    EXPECT_FALSE(game_screen_up(vb));
    EXPECT_EQ(title_screens(vb), 1);
    // The console was prepared first: cursor hidden, full console asked for.
    EXPECT_EQ(vb.synthesised_keys().size(), 4u);
    EXPECT_EQ(vb.full_console_requests(), 1);
    CONSOLE_CURSOR_INFO cursor{};
    GetConsoleCursorInfo(GetStdHandle(STD_OUTPUT_HANDLE), &cursor);
    EXPECT_EQ(cursor.bVisible, 0);
    // The title is drawn on the console as it was, from (1, 1): the banner
    // fills its two bands, the rest of the box is blank.
    EXPECT_NE(vb.row_codes(3, 10, 64), std::string(55, ' '));
    EXPECT_NE(vb.row_codes(12, 10, 64), std::string(55, ' '));
    EXPECT_EQ(vb.row_codes(11, 10, 64), std::string(55, ' '));
}

TEST_F(MenuFluxoTest, TheBannersDrawComesFromTheClockSeededGenerator) {
    vb.key(ESC);
    ASSERT_EQ(run_main(), RunEnd::Returned);
    // The generator was seeded with the time at start-up: the banner's
    // character is the first draw of that sequence.
    platform::RandomSource expected;
    expected.seed(static_cast<unsigned>(vb.wall_time()));
    int intro = expected.next() % 6;
    if (intro == 0) intro = 14;
    EXPECT_EQ(code_at(11, 3), intro);
    EXPECT_EQ(attribute_at(11, 3), intro);
}

TEST_F(MenuFluxoTest, AnInvalidKeyShowsTheMessageAtFortyFortyInWhite) {
    vb.force_rand({1}).key('x');
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(vb.row_codes(40, 40, 57), kInvalidOption);
    for (int x = 40; x <= 57; ++x) EXPECT_EQ(attribute_at(x, 40), WHITE) << x;
    EXPECT_EQ(code_at(39, 40), ' ');
    EXPECT_TRUE(title_screen_up(vb)) << "the message comes over the title screen";
}

TEST_F(MenuFluxoTest, EscDismissingTheMessageEndsTheProgram) {
    vb.key('x').key(ESC);
    ASSERT_EQ(run_main(), RunEnd::Returned);
    EXPECT_EQ(vb.row_codes(40, 40, 80), std::string(41, ' ')) << "the message is blanked";
    EXPECT_EQ(title_screens(vb), 1);
    EXPECT_TRUE(title_screen_up(vb));
}

TEST_F(MenuFluxoTest, AnyOtherKeyDismissesTheMessageAndTheMenuWaitsForAFreshChoice) {
    // 'q' dismisses; the title stays without a redraw; then ESC ends.
    vb.key('x').key('q').key(ESC);
    ASSERT_EQ(run_main(), RunEnd::Returned);
    EXPECT_EQ(title_screens(vb), 1) << "not drawn again after an invalid key";
    EXPECT_EQ(vb.row_codes(40, 40, 80), std::string(41, ' '));
    EXPECT_TRUE(title_screen_up(vb));
}

TEST_F(MenuFluxoTest, ADigitDismissingTheMessageIsNotAChoice) {
    // The banner at (1, 1) is made of hearts, the second of spades.
    vb.force_rand({3, 6 * 100 + 4}).key('x').key('1');
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded) << "a further key is awaited";
    EXPECT_FALSE(game_screen_up(vb)) << "no game started";
    EXPECT_EQ(title_screens(vb), 2) << "the title screen is drawn again";
    EXPECT_TRUE(title_screen_up(vb));
    // The screen is cleared first, so the banner lands where it always does
    // and nothing of the message or of the old banner is left.
    EXPECT_EQ(code_at(11, 3), 4);
    for (int y = 3; y <= 17; ++y)
        for (int x = 10; x <= 64; ++x) ASSERT_NE(code_at(x, y), 3) << x << "," << y;
    EXPECT_EQ(vb.row_text(40), "");
    for (int y = 29; y <= 42; ++y) EXPECT_EQ(vb.row_text(y), "") << y;
}

TEST_F(MenuFluxoTest, AnArrowKeyAtTheMenuRaisesTheMessageAndDismissesItAtOnce) {
    vb.up();  // 224, then 72
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(vb.row_codes(40, 40, 80), std::string(41, ' ')) << "shown, then blanked";
    EXPECT_EQ(title_screens(vb), 1) << "72 is no reason to redraw";
    EXPECT_FALSE(game_screen_up(vb));
}

TEST_F(MenuFluxoTest, ACodeZeroDismissingTheMessageRedrawsTheTitle) {
    // The first code of some extended keys: it draws the title screen again,
    // but is no choice.
    vb.key('x').key(0);
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(title_screens(vb), 2);
    EXPECT_TRUE(title_screen_up(vb));
    EXPECT_FALSE(game_screen_up(vb));
}

TEST_F(MenuFluxoTest, LevelOneHandsOverToAGameWithTheFrameAndThePanel) {
    vb.key('1').end_after_polls(2);
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_TRUE(game_screen_up(vb));
    // The panel's values in yellow.
    EXPECT_EQ(vb.row_codes(6, 60, 64), "FACIL");
    EXPECT_EQ(vb.row_codes(8, 60, 61), "4 ");
    EXPECT_EQ(vb.row_codes(10, 60, 62), "10 ");
    EXPECT_EQ(vb.row_codes(12, 60, 62), "0  ");
    for (int y : {6, 8, 10, 12}) EXPECT_EQ(attribute_at(60, y), YELLOW) << y;
    // The ship in its start cell (21, 37), white by default.
    EXPECT_EQ(code_at(23, 39), 5);
    EXPECT_EQ(attribute_at(23, 39), WHITE);
    // The title screen was cleared away before the frame was drawn.
    EXPECT_EQ(vb.row_codes(22, 22, 44), std::string(23, ' '));
}

TEST_F(MenuFluxoTest, OptionsChangeTheShipAndShotAndKeepThemForEveryGame) {
    // '2' the spade, '6' light red ship, '8' light green shot; ESC back; a
    // game at level 1; 'C' back to the menu; a game at level 4.
    std::size_t first_game = 0, second_game = 0, end_of_first = 0;
    vb.keys("5268").key(ESC).key('1').call([&] { first_game = vb.sleeps().size(); });
    vb.after_polls(3).call([&] { end_of_first = vb.sleeps().size(); }).key('c');
    vb.key('4').call([&] { second_game = vb.sleeps().size(); });
    vb.end_after_polls(3);
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_TRUE(game_screen_up(vb));
    EXPECT_EQ(code_at(23, 39), 6) << "the ship chosen before the first game";
    EXPECT_EQ(attribute_at(23, 39), LIGHTRED);
    // The level resets to its own preset: name, lives and the ship's pause,
    // 1 ms a frame at the first level, none at the fourth.
    EXPECT_EQ(vb.row_codes(6, 60, 67), "AVANCADO");
    EXPECT_EQ(vb.row_codes(8, 60, 61), "3 ");
    ASSERT_LT(first_game, end_of_first);
    for (std::size_t i = first_game; i < end_of_first; ++i)
        EXPECT_EQ(vb.sleeps()[i].ms, 1u) << "first game, pause " << i;
    ASSERT_LT(second_game, vb.sleeps().size());
    for (std::size_t i = second_game; i < vb.sleeps().size(); ++i)
        EXPECT_EQ(vb.sleeps()[i].ms, 0u) << "second game, pause " << i;
}

TEST_F(MenuFluxoTest, TheShotFliesInTheChosenColour) {
    vb.keys("59").key(ESC).key('1');
    vb.after_polls(1).key('z').end_after_polls(2);
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    // Fired from (21, 37) into (21, 36); after two frames it shows on screen
    // a row or two above the ship.
    bool visto = false;
    for (int y = 30; y <= 38; ++y)
        if (code_at(23, y) == 127) {
            visto = true;
            EXPECT_EQ(attribute_at(23, y), LIGHTRED) << y;
        }
    EXPECT_TRUE(visto) << vb.picture();
}

TEST_F(MenuFluxoTest, TheOptionsScreenPreviewsTheShipAndFliesAShot) {
    vb.keys("534").end_after_polls(1);
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(vb.row_codes(7, 37, 42), "OP\x80OES");
    EXPECT_EQ(code_at(65, 22), 190);
    EXPECT_EQ(attribute_at(65, 22), YELLOW);
    // Keys typed quickly are all taken with no flight in between; then one
    // flight of 18 steps of 40 ms runs before the script ends.
    int voo = 0;
    for (const auto& s : vb.sleeps())
        if (s.ms == 40) ++voo;
    EXPECT_EQ(voo, 18);
    for (int y = 4; y <= 21; ++y) EXPECT_EQ(code_at(65, y), ' ') << "the flight ends blanked";
}

TEST_F(MenuFluxoTest, AKeyDuringAFlightIsNoticedWhenTheFlightEnds) {
    // '3' comes 100 ms into the run, while the first flight is under way.
    vb.key('5').at_ms(100).key('3').end_after_polls(0);
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_EQ(code_at(65, 22), 190) << "the key was taken";
    std::vector<std::int64_t> voo;
    for (const auto& sleep : vb.sleeps())
        if (sleep.ms == 40) voo.push_back(sleep.at_us);
    ASSERT_EQ(voo.size(), 18u) << "the flight ran to its end before the key was read";
    EXPECT_LT(voo.front(), 100'000) << "the key came during the flight";
    EXPECT_GT(voo.back(), 100'000);
}

TEST_F(MenuFluxoTest, EscLeavesTheOptionsScreenForTheTitleAndNoGame) {
    vb.force_rand({2, 5}).key('5').key(ESC).key(ESC);
    ASSERT_EQ(run_main(), RunEnd::Returned);
    EXPECT_EQ(title_screens(vb), 2);
    EXPECT_TRUE(title_screen_up(vb));
    EXPECT_FALSE(game_screen_up(vb));
    EXPECT_EQ(code_at(11, 3), 5) << "drawn anew on a cleared screen";
    EXPECT_EQ(vb.picture().find("OP"), std::string::npos);
}

TEST_F(MenuFluxoTest, CBringsTheGameBackToTheTitleScreen) {
    vb.key('1').after_polls(2).key('C');
    ASSERT_EQ(run_main(), RunEnd::ScriptEnded);
    EXPECT_TRUE(title_screen_up(vb));
    EXPECT_FALSE(game_screen_up(vb));
    EXPECT_EQ(vb.row_text(40), "") << "nothing of the game screen is left";
    EXPECT_EQ(code_at(80, 42), ' ');
}

TEST_F(MenuFluxoTest, DInAGameEndsTheProgramOnACleanConsole) {
    vb.key('2').after_polls(2).key('d');
    ASSERT_EQ(run_main(), RunEnd::Returned);
    EXPECT_EQ(vb.picture(), std::string(42, '\n'));
}

}  // namespace
}  // namespace patrulha::testing
