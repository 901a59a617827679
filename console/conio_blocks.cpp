// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The block, line and password operations of the console library, over the
// console calls and the library state that console/conio.cpp keeps. Each
// refreshes the state before it computes a position, and each console call
// is made on the output handle fetched anew.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "console/conio.h"

namespace patrulha {

namespace {

HANDLE output() {
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

WORD library_attribute() {
    return static_cast<WORD>(__FOREGROUND + 16 * __BACKGROUND);
}

// ==== Rectangles of buffer cells ====

// A rectangle of buffer cells, both corners included, in arithmetic wide
// enough that no rectangle a caller can give overflows.
struct Area {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = -1;
    std::int64_t bottom = -1;

    bool empty() const { return right < left || bottom < top; }
    std::int64_t width() const { return right - left + 1; }
    std::int64_t height() const { return bottom - top + 1; }
    Area intersect(const Area& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    Area moved(std::int64_t dx, std::int64_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
};

// The buffer cells under the window positions (left, top) to (right,
// bottom), with the origin as last refreshed.
Area buffer_area(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    return {__CONIO_LEFT + left - 1, __CONIO_TOP + top - 1, __CONIO_LEFT + right - 1,
            __CONIO_TOP + bottom - 1};
}

// The cells a console call can name, and whose count along one side still
// fits its 16-bit block size. The buffer lies well inside, so cutting a
// rectangle to this loses nothing that could be copied; it keeps caller's
// positions far outside the buffer from wrapping round onto it.
constexpr Area kAddressable{0, 0, 32766, 32766};

SMALL_RECT small_rect(const Area& a) {
    return {static_cast<SHORT>(a.left), static_cast<SHORT>(a.top), static_cast<SHORT>(a.right),
            static_cast<SHORT>(a.bottom)};
}

Area area_of(const SMALL_RECT& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

// The index in a block laid over `area` of the buffer cell (x, y).
std::size_t block_index(const Area& area, std::int64_t x, std::int64_t y) {
    return static_cast<std::size_t>((y - area.top) * area.width() + (x - area.left));
}

// Temporary console cells, or null when the memory cannot be had.
std::unique_ptr<CHAR_INFO[]> console_cells(const Area& part) {
    return std::unique_ptr<CHAR_INFO[]>(
        new (std::nothrow) CHAR_INFO[static_cast<std::size_t>(part.width() * part.height())]);
}

// Copies the buffer cells of `area` into `block`, laid over `area` in row
// order. Returns the buffer cells actually copied (empty when none); the
// block's other cells are not touched.
Area read_area(const Area& area, char_info* block) {
    const Area part = area.intersect(kAddressable);
    if (part.empty()) return {};
    const auto cells = console_cells(part);
    if (!cells) return {};
    SMALL_RECT region = small_rect(part);
    // The console clips the region to its buffer and says which cells it
    // copied; the rest of the temporary array holds nothing and must not be
    // passed on, so the answer is looked at here.
    if (!ReadConsoleOutputA(
            output(), cells.get(),
            COORD{static_cast<SHORT>(part.width()), static_cast<SHORT>(part.height())}, COORD{0, 0},
            &region))
        return {};
    const Area copied = area_of(region).intersect(part);
    for (std::int64_t y = copied.top; y <= copied.bottom; ++y)
        for (std::int64_t x = copied.left; x <= copied.right; ++x) {
            const CHAR_INFO& cell = cells[block_index(part, x, y)];
            char_info& out = block[block_index(area, x, y)];
            out.letter = cell.Char.AsciiChar;
            out.attr = cell.Attributes;
        }
    return copied;
}

// Writes the cells of `block`, laid over `area` in row order, onto the
// buffer cells of `area` that also lie in `only`; cells outside the buffer
// are dropped by the console.
void write_area(const Area& area, const char_info* block, const Area& only) {
    const Area part = area.intersect(only).intersect(kAddressable);
    if (part.empty()) return;
    const auto cells = console_cells(part);
    if (!cells) return;
    for (std::int64_t y = part.top; y <= part.bottom; ++y)
        for (std::int64_t x = part.left; x <= part.right; ++x) {
            const char_info& in = block[block_index(area, x, y)];
            CHAR_INFO& cell = cells[block_index(part, x, y)];
            cell.Char.UnicodeChar = 0;
            cell.Char.AsciiChar = in.letter;
            cell.Attributes = in.attr;
        }
    SMALL_RECT region = small_rect(part);
    WriteConsoleOutputA(output(), cells.get(),
                        COORD{static_cast<SHORT>(part.width()), static_cast<SHORT>(part.height())},
                        COORD{0, 0}, &region);
}

// Moves the window's rows from the cursor's row to the last one by `rows`
// (-1 up, +1 down), the full width of the window, filling the row this
// uncovers with spaces in the library's colours; the cursor stays.
void shift_rows_from_cursor(int rows) {
    // A console that cannot be queried is left alone: no row is moved on a
    // window we do not know.
    if (!refresh_text_info()) return;
    const int left = __CONIO_LEFT;
    const int right = __CONIO_LEFT + __text_info.screenwidth - 1;
    const int first = __CONIO_TOP + __text_info.cury - 1;  // the cursor's row
    const int last = __CONIO_TOP + __text_info.screenheight - 1;
    // The rows are moved within themselves as their own clip rectangle: the
    // row pushed past either end falls away and the uncovered one is filled.
    // Moving only the rows that survive, with no clip, would give an empty
    // rectangle with the cursor on the last row, and that row would keep its
    // text instead of being blanked.
    const SMALL_RECT band{static_cast<SHORT>(left), static_cast<SHORT>(first),
                          static_cast<SHORT>(right), static_cast<SHORT>(last)};
    CHAR_INFO fill;
    fill.Char.UnicodeChar = 0;
    fill.Char.AsciiChar = ' ';
    fill.Attributes = library_attribute();
    ScrollConsoleScreenBufferA(output(), &band, &band,
                               COORD{static_cast<SHORT>(left), static_cast<SHORT>(first + rows)},
                               &fill);
    SetConsoleCursorPosition(
        output(),
        COORD{static_cast<SHORT>(__CONIO_LEFT + __text_info.curx - 1), static_cast<SHORT>(first)});
}

}  // namespace

// ==== Blocks ====

void _conio_gettext(int left, int top, int right, int bottom, char_info* block) {
    if (!block || !refresh_text_info()) return;
    read_area(buffer_area(left, top, right, bottom), block);
}

void puttext(int left, int top, int right, int bottom, const char_info* block) {
    if (!block || !refresh_text_info()) return;
    const Area area = buffer_area(left, top, right, bottom);
    write_area(area, block, area);
}

void movetext(int left, int top, int right, int bottom, int new_left, int new_top) {
    const std::int64_t width = std::int64_t{right} - left + 1;
    const std::int64_t height = std::int64_t{bottom} - top + 1;
    if (width <= 0 || height <= 0) return;
    constexpr std::int64_t kMostCells = PTRDIFF_MAX / static_cast<std::int64_t>(sizeof(char_info));
    if (width > kMostCells / height) return;
    const std::unique_ptr<char_info[]> holding(
        new (std::nothrow) char_info[static_cast<std::size_t>(width * height)]);
    if (!holding) return;

    if (!refresh_text_info()) return;
    const Area source = buffer_area(left, top, right, bottom);
    const Area copied = read_area(source, holding.get());
    if (copied.empty()) return;

    if (!refresh_text_info()) return;
    const Area target = buffer_area(new_left, new_top, std::int64_t{new_left} + width - 1,
                                    std::int64_t{new_top} + height - 1);
    // Only the cells that were read are written: the holding cells of a
    // source outside the buffer hold nothing, and their destination keeps
    // what it shows.
    write_area(target, holding.get(),
               copied.moved(target.left - source.left, target.top - source.top));
}

// ==== Lines ====

void delline() {
    shift_rows_from_cursor(-1);
}

void insline() {
    shift_rows_from_cursor(+1);
}

// ==== Password input ====

char* getpass(const char* prompt, char* buffer) {
    const int maximum = static_cast<signed char>(buffer[0]);
    if (prompt) _cputs(prompt);
    refresh_text_info();
    // Stars and erasing spaces go to their computed places, whatever the
    // cursor did in between.
    const int start_x = __text_info.curx;
    const int start_y = __text_info.cury;
    int count = 0;
    for (;;) {
        const int key = _getch();
        if (key == 13) break;
        if (key == 8) {
            if (count > 0) {
                --count;
                gotoxy(start_x + count, start_y);
                _putch(' ');
            }
            gotoxy(start_x + count, start_y);
        } else if (count < maximum) {
            gotoxy(start_x + count, start_y);
            _putch('*');
            buffer[2 + count] = static_cast<char>(key);
            ++count;
        }
    }
    buffer[1] = static_cast<char>(count);
    buffer[2 + count] = '\0';
    return buffer + 2;
}

}  // namespace patrulha
