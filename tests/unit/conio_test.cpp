// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The console library over the console: unmasked colours, the clears, the
// video operations that make no call, and a console that cannot be queried.
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

using ConioTest = ConsoleTest;

TEST_F(ConioTest, GotoxyBeforeAnyRefreshCountsFromTheBufferOrigin) {
    gotoxy(23, 39);
    printf("%c", 5);
    EXPECT_EQ(code_at(23, 39), 5);
    EXPECT_EQ(wherex(), 24);
    EXPECT_EQ(wherey(), 39);
}

TEST_F(ConioTest, TextcolorIsNeverMasked) {
    textcolor(137);
    printf("S");
    EXPECT_EQ(attribute_at(1, 1), 0x89) << "light blue on dark grey";
    textbackground(2);
    printf("T");
    EXPECT_EQ(attribute_at(2, 1), 137 + 16 * 2);
    EXPECT_EQ(__FOREGROUND, 137);

    textbackground(0);
    textcolor(239);
    printf("U");
    EXPECT_EQ(attribute_at(3, 1), 0xEF) << "white on yellow";
    textbackground(3);
    printf("V");
    EXPECT_EQ(attribute_at(4, 1), (16 * 3 + 239) & 0xFFFF);
}

TEST_F(ConioTest, ClrscrFillsFromTheLibrarysColoursNotTheConsoles) {
    gotoxy(30, 20);
    printf("junk");
    textcolor(137);
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x0C);
    clrscr();
    EXPECT_EQ(vb.picture(), std::string(42, '\n'));
    for (int y : {1, 20, 42})
        for (int x : {1, 40, 80}) EXPECT_EQ(attribute_at(x, y), 137) << x << "," << y;
    EXPECT_EQ(wherex(), 1);
    EXPECT_EQ(wherey(), 1);
    EXPECT_EQ(__text_info.screenwidth, 80);
    EXPECT_EQ(__text_info.screenheight, 42);
}

TEST_F(ConioTest, ClreolBlanksToTheRightEdgeKeepingColoursAndCursor) {
    textcolor(12);
    gotoxy(1, 5);
    for (int i = 0; i < 80; ++i) printf("x");
    textcolor(2);
    gotoxy(40, 5);
    clreol();
    EXPECT_EQ(vb.row_text(5), std::string(39, 'x'));
    EXPECT_EQ(attribute_at(60, 5), 12) << "clreol writes no attribute";
    EXPECT_EQ(wherex(), 40);
    EXPECT_EQ(wherey(), 5);

    gotoxy(1, 6);
    printf("abc");
    gotoxy(1, 6);
    clreol();
    EXPECT_EQ(vb.row_text(6), "");

    gotoxy(80, 7);
    printf("z");  // leaves the wrap pending: the cursor reads as column 80
    gotoxy(79, 8);
    printf("yz");
    gotoxy(80, 8);
    clreol();
    EXPECT_EQ(vb.row_codes(8, 79, 80), "y ") << "in column 80 one cell";
    EXPECT_EQ(code_at(1, 9), ' ');
}

TEST_F(ConioTest, HighAndLowVideoMakeNoCallWhenThereIsNothingToDo) {
    textcolor(12);
    const auto before = platform::Runtime::instance().clock().console_time();
    highvideo();
    textcolor(3);
    const auto after_textcolor = platform::Runtime::instance().clock().console_time();
    lowvideo();
    EXPECT_EQ(platform::Runtime::instance().clock().console_time(), after_textcolor);
    EXPECT_EQ(after_textcolor - before, platform::kConsoleCallCostUs) << "only textcolor called";
    highvideo();
    EXPECT_EQ(__FOREGROUND, 11);
    printf("h");
    EXPECT_EQ(attribute_at(1, 1), 11);
    lowvideo();
    EXPECT_EQ(__FOREGROUND, 3);
}

TEST_F(ConioTest, TextattrAndNormvideo) {
    textattr(0x1E);
    EXPECT_EQ(__FOREGROUND, 14);
    EXPECT_EQ(__BACKGROUND, 1);
    normvideo();
    printf("n");
    EXPECT_EQ(attribute_at(1, 1), 7);
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x2A);
    inittextinfo();
    normvideo();
    EXPECT_EQ(__FOREGROUND, 10);
    EXPECT_EQ(__BACKGROUND, 2);
}

TEST_F(ConioTest, CursorTypeHidesAndShows) {
    _setcursortype(_NOCURSOR);
    EXPECT_FALSE(platform::Runtime::instance().console().cursor_visible());
    _setcursortype(_SOLIDCURSOR);
    EXPECT_TRUE(platform::Runtime::instance().console().cursor_visible());
    EXPECT_EQ(platform::Runtime::instance().console().cursor_size(), 100);
}

TEST_F(ConioTest, PutchxyCputsxyAndGettextinfo) {
    putchxy(5, 6, 'p');
    char text[] = "cputs";
    cputsxy(10, 6, text);
    EXPECT_EQ(vb.row_text(6), "    p    cputs");
    text_info info{};
    gettextinfo(&info);
    EXPECT_EQ(info.curx, 15);
    EXPECT_EQ(info.cury, 6);
    EXPECT_EQ(info.normattr, 7);
}

TEST_F(ConioTest, AConsoleThatCannotBeQueriedIsLeftAlone) {
    gotoxy(3, 3);
    printf("keep");
    const text_info before = __text_info;
    vb.set_console_available(false);
    clrscr();
    clreol();
    EXPECT_FALSE(refresh_text_info());
    vb.set_console_available(true);
    EXPECT_EQ(vb.row_text(3), "  keep");
    EXPECT_EQ(__text_info.curx, before.curx);
    EXPECT_EQ(__text_info.screenheight, 25) << "the start-up value stays";
}

}  // namespace
}  // namespace patrulha::testing
