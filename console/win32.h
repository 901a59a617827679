// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The console calls the console library makes, with their types and
// constants, over the in-memory console screen buffer.
//
// Cells are 0-based buffer coordinates. The buffer is 80 columns by 42 rows
// and the visible window is the whole of it. Each call but GetStdHandle is
// one round trip to the console and is charged to the pacing clock.
#pragma once

#include <cstdint>

namespace patrulha {

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using SHORT = std::int16_t;
using CHAR = char;
using WCHAR = char16_t;
using ULONG_PTR = std::uintptr_t;
using HANDLE = void*;

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(-1);

constexpr DWORD KEYEVENTF_KEYUP = 2;
constexpr BYTE VK_RETURN = 0x0D;
constexpr BYTE VK_MENU = 0x12;

struct COORD {
    SHORT X;
    SHORT Y;
};

struct SMALL_RECT {
    SHORT Left;
    SHORT Top;
    SHORT Right;
    SHORT Bottom;
};

struct CONSOLE_SCREEN_BUFFER_INFO {
    COORD dwSize;
    COORD dwCursorPosition;
    WORD wAttributes;
    SMALL_RECT srWindow;
    COORD dwMaximumWindowSize;
};

struct CONSOLE_CURSOR_INFO {
    DWORD dwSize;  // height in percent of the cell, 1 to 100
    BOOL bVisible;
};

struct CHAR_INFO {
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } Char;
    WORD Attributes;
};

// The handle of standard output (-11) or input (-10); INVALID_HANDLE_VALUE
// for anything else, or when no console is attached.
HANDLE GetStdHandle(DWORD which);

// Cursor cell, current attribute and window. While a wrap is pending after a
// code written into the last column, the cursor reads as that column.
BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info);

// Refused, cursor unmoved, for a cell outside the buffer.
BOOL SetConsoleCursorPosition(HANDLE console, COORD position);

BOOL SetConsoleTextAttribute(HANDLE console, WORD attribute);

// Refused for a size outside 1 to 100.
BOOL SetConsoleCursorInfo(HANDLE console, const CONSOLE_CURSOR_INFO* info);
BOOL GetConsoleCursorInfo(HANDLE console, CONSOLE_CURSOR_INFO* info);

// A run of `length` cells from `start`, row after row, stopping at the
// buffer's end. `written` (may be null) receives the count filled.
BOOL FillConsoleOutputCharacterA(HANDLE console, CHAR character, DWORD length, COORD start,
                                 DWORD* written);
BOOL FillConsoleOutputAttribute(HANDLE console, WORD attribute, DWORD length, COORD start,
                                DWORD* written);

// Moves the cells of `scroll` (clipped to the buffer) so that its top-left
// lands on `destination`; the cells of `scroll` that the move uncovers get
// `fill`. With a `clip` rectangle, no cell outside it changes.
BOOL ScrollConsoleScreenBufferA(HANDLE console, const SMALL_RECT* scroll, const SMALL_RECT* clip,
                                COORD destination, const CHAR_INFO* fill);

// Copy the cells of `region` to or from the row-major block `cells` of
// `size`, whose cell `origin` matches the region's top-left. The region is
// clipped to the buffer and to the block and is updated to what was copied;
// block cells outside it are not touched.
BOOL ReadConsoleOutputA(HANDLE console, CHAR_INFO* cells, COORD size, COORD origin,
                        SMALL_RECT* region);
BOOL WriteConsoleOutputA(HANDLE console, const CHAR_INFO* cells, COORD size, COORD origin,
                         SMALL_RECT* region);

// Puts one synthesised key event into the keyboard input: `flags` 0 for a
// press, KEYEVENTF_KEYUP for a release. Synthesised events never reach
// _getch; the sequence Alt down, Enter down, Enter up, Alt up asks the
// platform for the game's full 80 x 42 console.
void keybd_event(BYTE virtual_key, BYTE scan_code, DWORD flags, ULONG_PTR extra);

}  // namespace patrulha
