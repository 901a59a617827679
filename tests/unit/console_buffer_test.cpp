// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The console buffer's semantics: writes and the wrap, scrolling, refused
// positions, the five controls, the fills and the block copies.
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

class ConsoleBufferTest : public ConsoleTest {
protected:
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info() {
        CONSOLE_SCREEN_BUFFER_INFO i{};
        EXPECT_TRUE(GetConsoleScreenBufferInfo(out, &i));
        return i;
    }
    void at(int x, int y) { ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{SHORT(x), SHORT(y)})); }
};

TEST_F(ConsoleBufferTest, StartsBlankLightGreyWithTheWholeBufferAsWindow) {
    const auto i = info();
    EXPECT_EQ(i.dwSize.X, 80);
    EXPECT_EQ(i.dwSize.Y, 42);
    EXPECT_EQ(i.srWindow.Left, 0);
    EXPECT_EQ(i.srWindow.Top, 0);
    EXPECT_EQ(i.srWindow.Right, 79);
    EXPECT_EQ(i.srWindow.Bottom, 41);
    EXPECT_EQ(i.wAttributes, 7);
    EXPECT_EQ(code_at(80, 42), ' ');
    EXPECT_EQ(attribute_at(1, 1), 7);
}

TEST_F(ConsoleBufferTest, WritesPutEachCodeInTheCurrentAttributeAndAdvance) {
    SetConsoleTextAttribute(out, 0x1E);
    at(10, 5);
    printf("%c%s%i", 5, "ab", 42);
    EXPECT_EQ(vb.row_codes(6, 11, 15), std::string("\x05"
                                                   "ab42"));
    for (int x = 11; x <= 15; ++x) EXPECT_EQ(attribute_at(x, 6), 0x1E);
    EXPECT_EQ(info().dwCursorPosition.X, 15);
    _putch(190);
    _cputs("\xDB\xCD");
    EXPECT_EQ(vb.row_codes(6, 16, 18), std::string("\xBE\xDB\xCD"));
    EXPECT_EQ(vb.row_text(6), "          ♣ab42¥█═");
}

TEST_F(ConsoleBufferTest, ACodeInTheLastColumnLeavesTheWrapPending) {
    at(79, 3);
    printf("A");
    EXPECT_EQ(info().dwCursorPosition.X, 79);
    EXPECT_EQ(info().dwCursorPosition.Y, 3);
    printf("B");
    EXPECT_EQ(code_at(80, 4), 'A');
    EXPECT_EQ(code_at(1, 5), 'B');
    EXPECT_EQ(info().dwCursorPosition.X, 1);
    EXPECT_EQ(info().dwCursorPosition.Y, 4);
}

TEST_F(ConsoleBufferTest, TheBottomRightCellNeverScrolls) {
    at(0, 0);
    printf("top");
    at(79, 41);
    printf("%c", 188);
    EXPECT_EQ(code_at(80, 42), 188);
    EXPECT_EQ(vb.row_text(1), "top");
    // A position set afterwards cancels the pending wrap: still no scroll.
    at(0, 41);
    printf("x");
    EXPECT_EQ(vb.row_text(1), "top");
}

TEST_F(ConsoleBufferTest, WritingPastTheLastCellScrollsUpOneRow) {
    at(0, 0);
    printf("top");
    at(0, 1);
    printf("second");
    SetConsoleTextAttribute(out, 0x20);
    at(79, 41);
    printf("ZY");
    EXPECT_EQ(vb.row_text(1), "second");
    EXPECT_EQ(code_at(80, 41), 'Z');
    EXPECT_EQ(code_at(1, 42), 'Y');
    EXPECT_EQ(attribute_at(40, 42), 0x20) << "the uncovered row takes the current attribute";
}

TEST_F(ConsoleBufferTest, APositionOutsideTheBufferIsRefusedAndTheCursorStays) {
    at(5, 6);
    for (COORD c : {COORD{80, 0}, COORD{0, 42}, COORD{-1, 3}, COORD{3, -1}}) {
        EXPECT_FALSE(SetConsoleCursorPosition(out, c));
        EXPECT_EQ(info().dwCursorPosition.X, 5);
        EXPECT_EQ(info().dwCursorPosition.Y, 6);
    }
    printf("k");
    EXPECT_EQ(code_at(6, 7), 'k');
}

TEST_F(ConsoleBufferTest, TheFiveControlsMoveTheCursorAndBellRings) {
    at(10, 2);
    printf("ab\bc");  // 8: back one column
    EXPECT_EQ(vb.row_text(3), "          ac");
    printf("\t|");  // 9: next tab stop of 8
    EXPECT_EQ(code_at(17, 3), '|');
    printf("\rX");  // 13: column 1
    EXPECT_EQ(code_at(1, 3), 'X');
    printf("\nY");  // 10: column 1 of the next row
    EXPECT_EQ(code_at(1, 4), 'Y');
    printf("%c", 7);  // 7: the bell, nothing written
    EXPECT_EQ(vb.bells(), 1);
    EXPECT_EQ(code_at(2, 4), ' ');
    at(0, 0);
    printf("\b");
    EXPECT_EQ(info().dwCursorPosition.X, 0) << "backspace stops at column 1";
    at(77, 0);
    printf("\t");
    EXPECT_EQ(info().dwCursorPosition.X, 79) << "a tab stops at the last column";
}

TEST_F(ConsoleBufferTest, ALineFeedOnTheLastRowScrolls) {
    at(0, 0);
    printf("gone");
    at(0, 1);
    printf("kept");
    at(3, 41);
    printf("\nnew");
    EXPECT_EQ(vb.row_text(1), "kept");
    EXPECT_EQ(vb.row_text(42), "new");
}

TEST_F(ConsoleBufferTest, FillsContinueOnTheNextRowAndStopAtTheBufferEnd) {
    DWORD n = 0;
    EXPECT_TRUE(FillConsoleOutputCharacterA(out, '#', 85, COORD{78, 2}, &n));
    EXPECT_EQ(n, 85u);
    EXPECT_EQ(vb.row_text(3), std::string(78, ' ') + "##");
    EXPECT_EQ(vb.row_text(4), std::string(80, '#'));
    EXPECT_EQ(vb.row_text(5), "###");
    EXPECT_TRUE(FillConsoleOutputAttribute(out, 0x4F, 1000, COORD{75, 41}, &n));
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(attribute_at(80, 42), 0x4F);
    EXPECT_EQ(code_at(80, 42), ' ') << "an attribute fill leaves the codes";
    EXPECT_FALSE(FillConsoleOutputCharacterA(out, '#', 3, COORD{0, 42}, &n));
    EXPECT_EQ(n, 0u);
}

TEST_F(ConsoleBufferTest, ScrollingMovesARectangleAndFillsWhatItUncovers) {
    for (int y = 0; y < 4; ++y) {
        at(0, y);
        printf("row%i", y);
    }
    const SMALL_RECT rect{0, 1, 3, 3};
    const CHAR_INFO fill{{.AsciiChar = '.'}, 0x12};
    EXPECT_TRUE(ScrollConsoleScreenBufferA(out, &rect, nullptr, COORD{0, 0}, &fill));
    EXPECT_EQ(vb.row_text(1), "row1");
    EXPECT_EQ(vb.row_text(3), "row3");
    EXPECT_EQ(vb.row_text(4), "....");
    EXPECT_EQ(attribute_at(1, 4), 0x12);
    // A rectangle wholly outside the buffer is refused.
    const SMALL_RECT outside{90, 0, 95, 3};
    EXPECT_FALSE(ScrollConsoleScreenBufferA(out, &outside, nullptr, COORD{0, 0}, &fill));
}

TEST_F(ConsoleBufferTest, ScrollingIntoTheEdgeClipsAtTheBuffer) {
    at(76, 0);
    printf("abcd");
    const SMALL_RECT rect{76, 0, 79, 0};
    const CHAR_INFO fill{{.AsciiChar = ' '}, 7};
    EXPECT_TRUE(ScrollConsoleScreenBufferA(out, &rect, nullptr, COORD{78, 0}, &fill));
    EXPECT_EQ(vb.row_codes(1, 77, 80), "  ab");
}

// The rows a reader would look at after each kind of write: exactly those
// written, never one the write left alone.
TEST_F(ConsoleBufferTest, AReaderLearnsWhichRowsEachWriteChanged) {
    const platform::ConsoleBuffer& console = platform::Runtime::instance().console();
    platform::ChangeTracker tracker;
    const auto changed_rows = [&] {
        std::string rows;
        for (int y = 0; y < 42; ++y)
            if (tracker.row_changed(console, y)) rows += std::to_string(y) + " ";
        tracker.took(console);
        return rows;
    };
    std::string every_row;
    for (int y = 0; y < 42; ++y) every_row += std::to_string(y) + " ";
    EXPECT_EQ(changed_rows(), every_row) << "a buffer never taken counts as wholly changed";
    EXPECT_EQ(changed_rows(), "");
    EXPECT_FALSE(tracker.changed(console));
    at(79, 3);
    printf("ab");  // the wrap carries the second code onto the next row
    EXPECT_EQ(changed_rows(), "3 4 ");
    at(79, 3);
    printf("ab");
    EXPECT_EQ(changed_rows(), "") << "the same codes written again change nothing";
    at(5, 9);
    EXPECT_EQ(changed_rows(), "") << "moving the cursor writes no cell";
    DWORD n = 0;
    FillConsoleOutputAttribute(out, 0x1F, 82, COORD{79, 10}, &n);
    EXPECT_EQ(changed_rows(), "10 11 12 ");
    const SMALL_RECT rect{0, 20, 9, 21};
    const CHAR_INFO fill{{.AsciiChar = ' '}, 7};
    ScrollConsoleScreenBufferA(out, &rect, nullptr, COORD{0, 30}, &fill);
    EXPECT_EQ(changed_rows(), "20 21 22 23 24 25 26 27 28 29 30 31 ");
    CHAR_INFO cell{{.AsciiChar = 'x'}, 7};
    SMALL_RECT region{3, 40, 3, 40};
    WriteConsoleOutputA(out, &cell, COORD{1, 1}, COORD{0, 0}, &region);
    EXPECT_EQ(changed_rows(), "40 ");
    const platform::ConsoleBuffer copy = console;
    EXPECT_TRUE(tracker.row_changed(copy, 0)) << "another buffer is not the one taken";
}

TEST_F(ConsoleBufferTest, BlockReadsAndWritesClipToTheBuffer) {
    at(78, 40);
    printf("pq");
    at(78, 41);
    printf("rs");
    CHAR_INFO block[3 * 3];
    for (auto& c : block) c = {{.AsciiChar = '?'}, 0xAB};
    SMALL_RECT region{78, 40, 80, 42};  // reaches one column and one row past the buffer
    EXPECT_TRUE(ReadConsoleOutputA(out, block, COORD{3, 3}, COORD{0, 0}, &region));
    EXPECT_EQ(region.Right, 79);
    EXPECT_EQ(region.Bottom, 41);
    EXPECT_EQ(block[0].Char.AsciiChar, 'p');
    EXPECT_EQ(block[4].Char.AsciiChar, 's');
    EXPECT_EQ(block[2].Char.AsciiChar, '?') << "cells outside the buffer are left as given";
    EXPECT_EQ(block[6].Attributes, 0xAB);

    for (auto& c : block) c = {{.AsciiChar = 'W'}, 0x70};
    region = {-1, -1, 1, 1};
    EXPECT_TRUE(WriteConsoleOutputA(out, block, COORD{3, 3}, COORD{0, 0}, &region));
    EXPECT_EQ(region.Left, 0);
    EXPECT_EQ(region.Top, 0);
    EXPECT_EQ(code_at(1, 1), 'W');
    EXPECT_EQ(code_at(2, 2), 'W');
    EXPECT_EQ(code_at(3, 3), ' ');
}

TEST_F(ConsoleBufferTest, CursorInfoRefusesSizesOutsideOneToAHundred) {
    CONSOLE_CURSOR_INFO ci{50, 0};
    EXPECT_TRUE(SetConsoleCursorInfo(out, &ci));
    for (DWORD size : {0u, 101u}) {
        CONSOLE_CURSOR_INFO bad{size, 1};
        EXPECT_FALSE(SetConsoleCursorInfo(out, &bad));
    }
    CONSOLE_CURSOR_INFO read{};
    EXPECT_TRUE(GetConsoleCursorInfo(out, &read));
    EXPECT_EQ(read.dwSize, 50u);
    EXPECT_EQ(read.bVisible, 0);
}

TEST_F(ConsoleBufferTest, OnlyTheOutputHandleReachesTheConsole) {
    EXPECT_FALSE(SetConsoleCursorPosition(GetStdHandle(STD_INPUT_HANDLE), COORD{1, 1}));
    EXPECT_EQ(GetStdHandle(12345), INVALID_HANDLE_VALUE);
    vb.set_console_available(false);
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SetConsoleCursorPosition(out, COORD{1, 1}));
}

TEST_F(ConsoleBufferTest, AlternateSpellingsOfTheSyntheticAltEnterAreNotAFullScreenRequest) {
    keybd_event(VK_MENU, 56, 0, 0);
    keybd_event(VK_RETURN, 28, 0, 0);
    keybd_event(VK_RETURN, 28, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_MENU, 56, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(vb.full_console_requests(), 1);
    keybd_event(VK_RETURN, 28, 0, 0);
    keybd_event(VK_MENU, 56, 0, 0);
    keybd_event(VK_RETURN, 28, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_MENU, 56, KEYEVENTF_KEYUP, 0);
    EXPECT_EQ(vb.full_console_requests(), 1);
    EXPECT_EQ(vb.synthesised_keys().size(), 8u);
    vb.key('k');
    EXPECT_EQ(_getch(), 'k') << "synthesised events never reach _getch";
}

}  // namespace
}  // namespace patrulha::testing
