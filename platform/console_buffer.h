// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The in-memory console screen buffer: 80 x 42 cells of an 8-bit code and a
// 16-bit attribute, a cursor and a current attribute, with the semantics of
// a Windows console whose window is the whole buffer, and the terminal's
// pending wrap at the right edge. It knows which rows were written since a
// reader last took them (ChangeTracker), so that presenting a frame looks
// at the rows the frame changed and no others.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace patrulha::platform {

struct Cell {
    std::uint8_t code = ' ';
    std::uint16_t attribute = 7;
    friend bool operator==(const Cell&, const Cell&) = default;
};

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Both corners included; empty when right < left or bottom < top.
struct Rect {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    bool empty() const { return right < left || bottom < top; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    bool contains(Point p) const {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    Rect intersect(const Rect& other) const;
};

// The colour a terminal numbers `colour` by: the console counts blue 1 and
// red 4, a terminal red 1 and blue 4, the bright ones 8 above either way.
// The swap is its own inverse.
constexpr int ansi_colour(int colour) {
    constexpr int kSwapped[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return kSwapped[colour & 7] + (colour & 8);
}

class ConsoleBuffer {
public:
    static constexpr int kWidth = 80;
    static constexpr int kHeight = 42;
    static constexpr std::uint16_t kDefaultAttribute = 7;
    static constexpr int kDefaultCursorSize = 25;

    ConsoleBuffer() { reset(); }
    // A copy counts as wholly written: no reader has taken it yet.
    ConsoleBuffer(const ConsoleBuffer& other);
    ConsoleBuffer& operator=(const ConsoleBuffer& other);

    // Blank cells in the default attribute, cursor at (0, 0), visible.
    void reset();

    static Rect bounds() { return {0, 0, kWidth - 1, kHeight - 1}; }
    static bool inside(Point p) { return bounds().contains(p); }

    const Cell& at(Point p) const { return cells_[index(p)]; }
    // A cell written as it stood changes nothing for a reader: the game
    // prints its ship and its enemies anew every frame, most of them where
    // they were.
    void set(Point p, Cell cell) {
        Cell& here = cells_[index(p)];
        if (here == cell) return;
        here = cell;
        touch(p.y, p.y);
    }

    // The cursor cell; while a wrap is pending it is the last column.
    Point cursor() const { return cursor_; }
    bool wrap_pending() const { return wrap_pending_; }
    // Refused (false, cursor unmoved) outside the buffer. Clears a pending wrap.
    bool set_cursor(Point p) {
        if (!inside(p)) return false;
        cursor_ = p;
        wrap_pending_ = false;
        return true;
    }

    std::uint16_t attribute() const { return attribute_; }
    void set_attribute(std::uint16_t a) { attribute_ = a; }

    int cursor_size() const { return cursor_size_; }
    bool cursor_visible() const { return cursor_visible_; }
    // Refused for a size outside 1 to 100.
    bool set_cursor_info(int size, bool visible);

    // Writes one code at the cursor in the current attribute and advances.
    // 8, 9, 10 and 13 move the cursor; 7 (the bell) is the caller's to ring
    // and changes nothing here; every other code is a glyph. A glyph written
    // into the last column leaves the wrap pending: the cursor moves to the
    // next row only when the next glyph comes, and the buffer scrolls only
    // when a glyph is written past its last cell.
    void put(std::uint8_t code);

    // Runs of `length` cells from `start`, row after row, stopping at the
    // buffer's end. Return the number of cells filled; 0 when `start` lies
    // outside the buffer.
    int fill_codes(std::uint8_t code, long length, Point start);
    int fill_attributes(std::uint16_t attribute, long length, Point start);

    // Moves the cells of `source` (clipped to the buffer) so that its
    // top-left lands on `destination`; uncovered source cells get `fill`.
    // Nothing outside `clip`, when given, changes. False when the source
    // lies wholly outside the buffer.
    bool scroll(Rect source, std::optional<Rect> clip, Point destination, Cell fill);

    // Scrolls the whole buffer up one row; the new bottom row is blank in
    // the current attribute.
    void scroll_up();

    // Every write that changes cells stamps the rows it touched with a
    // stamp newer than any before it, in this buffer or another. The
    // newest stamp of the buffer, and of row `y`.
    std::uint64_t stamp() const { return stamp_; }
    std::uint64_t row_stamp(int y) const { return row_stamps_[static_cast<std::size_t>(y)]; }

private:
    static std::size_t index(Point p) {
        return static_cast<std::size_t>(p.y) * kWidth + static_cast<std::size_t>(p.x);
    }
    void line_feed();
    // Rows `first` to `last` were written.
    void touch(int first, int last);

    std::array<Cell, kWidth * kHeight> cells_{};
    std::array<std::uint64_t, kHeight> row_stamps_{};
    std::uint64_t stamp_ = 0;
    Point cursor_{};
    bool wrap_pending_ = false;
    std::uint16_t attribute_ = kDefaultAttribute;
    int cursor_size_ = kDefaultCursorSize;
    bool cursor_visible_ = true;
};

// What a reader of a console buffer (a writer that shows it) has taken of
// it so far, to know which rows may have changed since.
class ChangeTracker {
public:
    // Whether any cell of `console`, or of its row `y`, may differ from what
    // was taken last. Every row may, for a buffer other than the one taken.
    bool changed(const ConsoleBuffer& console) const {
        return source_ != &console || console.stamp() > taken_;
    }
    bool row_changed(const ConsoleBuffer& console, int y) const {
        return source_ != &console || console.row_stamp(y) > taken_;
    }

    // Everything `console` holds now has been taken.
    void took(const ConsoleBuffer& console) {
        source_ = &console;
        taken_ = console.stamp();
    }

    // Nothing is known to have been taken: every row counts as changed.
    void forget() { source_ = nullptr; }

private:
    const ConsoleBuffer* source_ = nullptr;
    std::uint64_t taken_ = 0;
};

}  // namespace patrulha::platform
