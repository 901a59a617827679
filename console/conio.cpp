// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The console library over the console calls. Every console call is made
// on the output handle fetched anew just before it, and nothing is
// buffered: each operation has taken effect when it returns.
#include "console/conio.h"

namespace patrulha {

text_info __text_info = {1, 1, 7, 7, 80, 25};
int __FOREGROUND = LIGHTGRAY;
int __BACKGROUND = BLACK;
int __CONIO_LEFT = 0;
int __CONIO_TOP = 0;

namespace {

HANDLE output() {
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

WORD library_attribute() {
    return static_cast<WORD>(__FOREGROUND + 16 * __BACKGROUND);
}

COORD buffer_cell(int x, int y) {
    return {static_cast<SHORT>(__CONIO_LEFT + x - 1), static_cast<SHORT>(__CONIO_TOP + y - 1)};
}

}  // namespace

void reset_conio_state() {
    __text_info = {1, 1, 7, 7, 80, 25};
    __FOREGROUND = LIGHTGRAY;
    __BACKGROUND = BLACK;
    __CONIO_LEFT = 0;
    __CONIO_TOP = 0;
}

bool refresh_text_info() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output(), &info)) return false;
    __CONIO_LEFT = info.srWindow.Left;
    __CONIO_TOP = info.srWindow.Top;
    __text_info.curx = static_cast<unsigned char>(info.dwCursorPosition.X - __CONIO_LEFT + 1);
    __text_info.cury = static_cast<unsigned char>(info.dwCursorPosition.Y - __CONIO_TOP + 1);
    __text_info.attribute = info.wAttributes;
    __text_info.screenwidth =
        static_cast<unsigned char>(info.srWindow.Right - info.srWindow.Left + 1);
    __text_info.screenheight =
        static_cast<unsigned char>(info.srWindow.Bottom - info.srWindow.Top + 1);
    return true;
}

void gotoxy(int x, int y) {
    SetConsoleCursorPosition(output(), buffer_cell(x, y));
}

void textcolor(int colour) {
    __FOREGROUND = colour;
    SetConsoleTextAttribute(output(), library_attribute());
}

void textbackground(int colour) {
    __BACKGROUND = colour;
    SetConsoleTextAttribute(output(), library_attribute());
}

void textattr(int attribute) {
    __FOREGROUND = attribute & 15;
    __BACKGROUND = attribute >> 4;
    SetConsoleTextAttribute(output(), static_cast<WORD>(attribute));
}

void normvideo() {
    textattr(__text_info.normattr);
}

void highvideo() {
    if (__FOREGROUND > 7) return;
    __FOREGROUND += 8;
    SetConsoleTextAttribute(output(), library_attribute());
}

void lowvideo() {
    if (__FOREGROUND <= 7) return;
    __FOREGROUND -= 8;
    SetConsoleTextAttribute(output(), library_attribute());
}

void clrscr() {
    // A console that cannot be queried is left alone: nothing is filled
    // from a window we do not know.
    if (!refresh_text_info()) return;
    const WORD fill = library_attribute();
    DWORD written;
    for (int row = 0; row < __text_info.screenheight; ++row) {
        const COORD start{static_cast<SHORT>(__CONIO_LEFT), static_cast<SHORT>(__CONIO_TOP + row)};
        FillConsoleOutputAttribute(output(), fill, __text_info.screenwidth, start, &written);
        FillConsoleOutputCharacterA(output(), ' ', __text_info.screenwidth, start, &written);
    }
    SetConsoleCursorPosition(output(), buffer_cell(1, 1));
}

void clreol() {
    if (!refresh_text_info()) return;
    const int count = __text_info.screenwidth - __text_info.curx + 1;
    // A cursor right of the window's last column leaves nothing to clear.
    if (count <= 0) return;
    const COORD cell = buffer_cell(__text_info.curx, __text_info.cury);
    DWORD written;
    FillConsoleOutputCharacterA(output(), ' ', static_cast<DWORD>(count), cell, &written);
    SetConsoleCursorPosition(output(), cell);
}

int wherex() {
    refresh_text_info();
    return __text_info.curx;
}

int wherey() {
    refresh_text_info();
    return __text_info.cury;
}

void _setcursortype(int type) {
    CONSOLE_CURSOR_INFO info;
    if (type == _NOCURSOR) {
        info.dwSize = 100;
        info.bVisible = 0;
    } else {
        info.dwSize = static_cast<DWORD>(type);
        info.bVisible = 1;
    }
    SetConsoleCursorInfo(output(), &info);
}

void putchxy(int x, int y, char character) {
    SetConsoleCursorPosition(output(), buffer_cell(x, y));
    _putch(static_cast<unsigned char>(character));
}

void cputsxy(int x, int y, char* text) {
    SetConsoleCursorPosition(output(), buffer_cell(x, y));
    _cputs(text);
}

void gettextinfo(text_info* info) {
    refresh_text_info();
    *info = __text_info;
}

void inittextinfo() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output(), &info)) return;
    __text_info.normattr = info.wAttributes;
}

}  // namespace patrulha
