// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The conio-style console library: positioned, coloured text output over
// the console calls of console/win32.h, and the runtime services of
// console/services.h. Game and screen code include this header alone.
//
// Positions are 1-based, column first, relative to the window origin
// (__CONIO_LEFT, __CONIO_TOP) as last refreshed: position (x, y) is the
// buffer cell (__CONIO_LEFT + x - 1, __CONIO_TOP + y - 1), each part cut to
// 16 bits. No operation checks a position; the console refuses a cell
// outside its buffer and the cursor then stays.
//
// Colours are never masked: textcolor(137) on a black background gives the
// attribute 137, light blue on dark grey.
#pragma once

#include "console/services.h"
#include "console/win32.h"

namespace patrulha {

enum COLORS {
    BLACK = 0,
    BLUE = 1,
    GREEN = 2,
    CYAN = 3,
    RED = 4,
    MAGENTA = 5,
    BROWN = 6,
    LIGHTGRAY = 7,
    DARKGRAY = 8,
    LIGHTBLUE = 9,
    LIGHTGREEN = 10,
    LIGHTCYAN = 11,
    LIGHTRED = 12,
    LIGHTMAGENTA = 13,
    YELLOW = 14,
    WHITE = 15,
};

// Cursor types for _setcursortype.
constexpr int _NOCURSOR = 0;
constexpr int _SOLIDCURSOR = 100;
constexpr int _NORMALCURSOR = 20;

struct text_info {
    unsigned char curx;          // cursor column, 1-based, relative to the window
    unsigned char cury;          // cursor row, 1-based, relative to the window
    unsigned short attribute;    // the console's current attribute
    unsigned short normattr;     // the attribute normvideo restores
    unsigned char screenwidth;   // visible window width in columns
    unsigned char screenheight;  // visible window height in rows
};

// The library's state, shared by every operation.
extern text_info __text_info;
extern int __FOREGROUND;  // the foreground last set through the library, unmasked
extern int __BACKGROUND;  // the background last set through the library
extern int __CONIO_LEFT;  // buffer column of the window's left edge, as last refreshed
extern int __CONIO_TOP;   // buffer row of the window's top edge, as last refreshed

// Puts the library state back to its start-up values. A program never needs
// this; tests that run main more than once in a process do.
void reset_conio_state();

// Re-reads cursor, attribute and window from the console into __text_info
// and the window origin. Returns false, changing nothing, when the console
// cannot be queried.
bool refresh_text_info();

// ==== Operations the game uses ====

// Places the cursor at (x, y) with the origin as last refreshed.
void gotoxy(int x, int y);

// Sets the foreground colour, unmasked: attribute colour + 16 x __BACKGROUND.
void textcolor(int colour);

// Blanks the visible window in the library's colours (not the console's
// current attribute) and puts the cursor at (1, 1).
void clrscr();

// Writes spaces from the cursor to the window's right edge, keeping the
// cells' attributes and the cursor.
void clreol();

// ==== The rest of the library ====

void textbackground(int colour);
void textattr(int attribute);
void normvideo();
void highvideo();
void lowvideo();
int wherex();
int wherey();

// Type 0 hides the cursor; any other type shows it, `type` percent high.
void _setcursortype(int type);

void putchxy(int x, int y, char character);
void cputsxy(int x, int y, char* text);
void gettextinfo(text_info* info);

// Takes the console's current attribute as the normal one.
void inittextinfo();

// ==== Blocks of screen cells, lines and password input ====
//
// A block is the rectangle of window positions from (left, top) to (right,
// bottom), both corners included, kept as (right - left + 1) x (bottom - top
// + 1) cells in row order, left to right within a row; the caller provides
// the array. A rectangle with right < left or bottom < top copies nothing.
// The part of a rectangle outside the console buffer is clipped: on reading,
// those cells of the block keep what the caller put there; on writing, they
// are ignored. When no temporary storage can be had, nothing happens.

// One screen cell: its code and its attribute.
struct char_info {
    char letter;
    unsigned short attr;
};

// Copies the screen rectangle into `block`.
void _conio_gettext(int left, int top, int right, int bottom, char_info* block);

// Writes `block` onto the screen rectangle.
void puttext(int left, int top, int right, int bottom, const char_info* block);

// Copies the rectangle so that its top-left corner lands on (new_left,
// new_top). The whole source is read before anything is written, so source
// and destination may overlap in any direction; the source keeps its cells
// where the two do not overlap. Destination cells whose source lies outside
// the buffer keep their contents.
void movetext(int left, int top, int right, int bottom, int new_left, int new_top);

// Deletes the cursor's row of the window: the rows below move up one and the
// window's last row becomes blank in the library's colours. The cursor stays.
void delline();

// Inserts a blank row, in the library's colours, at the cursor's row of the
// window: the rows from it down move one lower and the window's last row is
// lost. The cursor stays.
void insline();

// Shows `prompt`, then reads keys without echo until Enter, showing a star
// for each character kept. Byte 0 of `buffer` is the most characters to keep
// (a signed 8-bit value: 0 or less keeps none); Backspace takes the last one
// back. Every code but 8 (Backspace) and 13 (Enter) is a character, Esc and
// both codes of a cursor key included. Byte 1 receives the count, the
// characters follow from byte 2, ended by a NUL; `buffer` needs the maximum
// plus 3 bytes. Returns the text, at byte 2.
char* getpass(const char* prompt, char* buffer);

}  // namespace patrulha
