// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "bench/lower_bound.h"

#include <algorithm>

#include "platform/cp850.h"

namespace patrulha::bench {

using platform::Cell;
using platform::ConsoleBuffer;

namespace {

constexpr int kWidth = ConsoleBuffer::kWidth;
constexpr int kHeight = ConsoleBuffer::kHeight;

int digits(int n) {
    int d = 1;
    while (n >= 10) {
        n /= 10;
        ++d;
    }
    return d;
}

// A blank shows only its background; the full block only its foreground.
bool shows_foreground(std::uint8_t code) {
    const char32_t c = platform::cp850_to_unicode(code);
    return c != U' ' && c != U'\u00A0';
}
bool shows_background(std::uint8_t code) {
    return platform::cp850_to_unicode(code) != U'\u2588';
}

bool same_look(const Cell& a, const Cell& b) {
    if (platform::cp850_to_unicode(a.code) != platform::cp850_to_unicode(b.code)) return false;
    if (shows_foreground(a.code) && (a.attribute & 15) != (b.attribute & 15)) return false;
    if (shows_background(a.code) && ((a.attribute >> 4) & 15) != ((b.attribute >> 4) & 15))
        return false;
    return true;
}

// Esc [ n X, with n left out when it is 1.
int relative_move(int n) {
    return 3 + (n > 1 ? digits(n) : 0);
}

}  // namespace

int glyph_bytes(std::uint8_t code) {
    const char32_t c = platform::cp850_to_unicode(code);
    if (c < 0x80) return 1;
    if (c < 0x800) return 2;
    if (c < 0x10000) return 3;
    return 4;
}

LowerBound::LowerBound() {
    for (auto& row : shown_)
        for (auto& cell : row) cell = Cell{};
}

std::int64_t LowerBound::next_screen(const ConsoleBuffer& next) {
    bool rows[kHeight];
    for (int y = 0; y < kHeight; ++y) {
        rows[y] = taken_.row_changed(next, y);
        if (rows[y])
            for (int x = 0; x < kWidth; ++x) next_[y][x] = next.at({x, y});
    }
    taken_.took(next);
    return cost(next_, rows, next.cursor_visible(), next.cursor());
}

int LowerBound::move_cost(int x, int y, const Cells& next) const {
    // Esc [ row ; col H, each left out when it is 1.
    const int absolute = 2 + (y > 0 ? digits(y + 1) : 0) + (x > 0 ? 1 + digits(x + 1) : 0) + 1;
    if (cursor_y_ < 0) return absolute;
    if (cursor_x_ == x && cursor_y_ == y) return 0;

    // Within a row: relative moves, Esc [ col G, carriage return,
    // backspaces, or writing over the unchanged cells in between when the
    // colours in force already suit them.
    auto horizontal = [&](int from) {
        if (from == x) return 0;
        int best = 3 + (x > 0 ? digits(x + 1) : 0);
        if (x == 0) best = 1;
        if (x > from) {
            best = std::min(best, relative_move(x - from));
            if (from >= 0 && y == cursor_y_) {
                int over = 0;
                for (int gx = from; gx < x && over < best; ++gx) {
                    const Cell& cell = next[y][gx];
                    if ((shows_foreground(cell.code) && (cell.attribute & 15) != fg_) ||
                        (shows_background(cell.code) && ((cell.attribute >> 4) & 15) != bg_)) {
                        over = best;
                        break;
                    }
                    over += glyph_bytes(cell.code);
                }
                best = std::min(best, over);
            }
        } else {
            best = std::min({best, relative_move(from - x), from - x});
        }
        return best;
    };

    if (cursor_x_ >= kWidth) {  // wrap pending
        if (x == 0 && y == cursor_y_ + 1) return 0;
        int vertical = 0;
        if (y > cursor_y_)
            vertical = std::min(y - cursor_y_, relative_move(y - cursor_y_));
        else if (y < cursor_y_)
            vertical = relative_move(cursor_y_ - y);
        return std::min(absolute, 1 + vertical + horizontal(0));
    }
    if (y == cursor_y_) return std::min(absolute, horizontal(cursor_x_));
    const int dy = y - cursor_y_;
    int vertical = dy > 0 ? std::min(dy, relative_move(dy)) : relative_move(-dy);
    vertical = std::min(vertical, 3 + (y > 0 ? digits(y + 1) : 0));  // Esc [ row d
    return std::min(absolute, vertical + horizontal(cursor_x_));
}

int LowerBound::colour_cost(int fg, int bg) const {
    // Esc [ params m: 3X or 9X for a foreground, 4X or 10X for a background.
    const bool set_fg = fg >= 0 && fg != fg_;
    const bool set_bg = bg >= 0 && bg != bg_;
    if (!set_fg && !set_bg) return 0;
    int params = 0;
    int count = 0;
    if (set_fg) {
        params += 2;
        ++count;
    }
    if (set_bg) {
        params += bg >= 8 ? 3 : 2;
        ++count;
    }
    return 3 + params + (count - 1);
}

std::int64_t LowerBound::next_cells(const Cells& next, bool cursor_visible,
                                    platform::Point cursor) {
    bool rows[kHeight];
    std::fill(std::begin(rows), std::end(rows), true);
    // Cells given this way may change anywhere: the next console is copied whole.
    taken_.forget();
    return cost(next, rows, cursor_visible, cursor);
}

std::int64_t LowerBound::cost(const Cells& next, const bool* rows, bool cursor_visible,
                              platform::Point cursor) {
    std::int64_t bytes = 0;
    changed_ = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth && rows[y]; ++x) {
            const Cell& cell = next[y][x];
            if (same_look(shown_[y][x], cell)) continue;
            ++changed_;
            const int fg = shows_foreground(cell.code) ? (cell.attribute & 15) : -1;
            const int bg = shows_background(cell.code) ? ((cell.attribute >> 4) & 15) : -1;
            bytes += move_cost(x, y, next) + colour_cost(fg, bg) + glyph_bytes(cell.code);
            if (fg >= 0) fg_ = fg;
            if (bg >= 0) bg_ = bg;
            cursor_x_ = x + 1;
            cursor_y_ = y;
            shown_[y][x] = cell;
        }
    if (cursor_visible && (cursor.x != cursor_x_ || cursor.y != cursor_y_)) {
        bytes += move_cost(cursor.x, cursor.y, next);
        cursor_x_ = cursor.x;
        cursor_y_ = cursor.y;
    }
    return bytes;
}

}  // namespace patrulha::bench
