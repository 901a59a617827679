// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/console_buffer.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace patrulha::platform {

namespace {

// One counter for every buffer, so that a stamp is newer than all before it.
std::atomic<std::uint64_t> stamps{0};

}  // namespace

void ConsoleBuffer::touch(int first, int last) {
    stamp_ = stamps.fetch_add(1, std::memory_order_relaxed) + 1;
    for (int y = std::max(first, 0); y <= std::min(last, kHeight - 1); ++y)
        row_stamps_[static_cast<std::size_t>(y)] = stamp_;
}

ConsoleBuffer::ConsoleBuffer(const ConsoleBuffer& other) {
    *this = other;
}

ConsoleBuffer& ConsoleBuffer::operator=(const ConsoleBuffer& other) {
    cells_ = other.cells_;
    cursor_ = other.cursor_;
    wrap_pending_ = other.wrap_pending_;
    attribute_ = other.attribute_;
    cursor_size_ = other.cursor_size_;
    cursor_visible_ = other.cursor_visible_;
    touch(0, kHeight - 1);
    return *this;
}

Rect Rect::intersect(const Rect& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
}

void ConsoleBuffer::reset() {
    cells_.fill(Cell{' ', kDefaultAttribute});
    cursor_ = {};
    wrap_pending_ = false;
    attribute_ = kDefaultAttribute;
    cursor_size_ = kDefaultCursorSize;
    cursor_visible_ = true;
    touch(0, kHeight - 1);
}

bool ConsoleBuffer::set_cursor_info(int size, bool visible) {
    if (size < 1 || size > 100) return false;
    cursor_size_ = size;
    cursor_visible_ = visible;
    return true;
}

void ConsoleBuffer::scroll_up() {
    std::copy(cells_.begin() + kWidth, cells_.end(), cells_.begin());
    std::fill(cells_.end() - kWidth, cells_.end(), Cell{' ', attribute_});
    touch(0, kHeight - 1);
}

void ConsoleBuffer::line_feed() {
    wrap_pending_ = false;
    cursor_.x = 0;
    if (cursor_.y == kHeight - 1) {
        scroll_up();
    } else {
        ++cursor_.y;
    }
}

void ConsoleBuffer::put(std::uint8_t code) {
    switch (code) {
        case 7: return;
        case 8:
            wrap_pending_ = false;
            if (cursor_.x > 0) --cursor_.x;
            return;
        case 9:
            wrap_pending_ = false;
            cursor_.x = std::min(kWidth - 1, (cursor_.x / 8 + 1) * 8);
            return;
        case 10: line_feed(); return;
        case 13:
            wrap_pending_ = false;
            cursor_.x = 0;
            return;
        default: break;
    }
    if (wrap_pending_) line_feed();
    set(cursor_, Cell{code, attribute_});
    if (cursor_.x == kWidth - 1) {
        wrap_pending_ = true;
    } else {
        ++cursor_.x;
    }
}

namespace {

// Cells from `start` to the buffer's end, at most `length` of them.
long run_length(Point start, long length) {
    const long remaining = static_cast<long>(ConsoleBuffer::kWidth) * ConsoleBuffer::kHeight -
                           (static_cast<long>(start.y) * ConsoleBuffer::kWidth + start.x);
    return std::clamp(length, 0L, remaining);
}

}  // namespace

int ConsoleBuffer::fill_codes(std::uint8_t code, long length, Point start) {
    if (!inside(start)) return 0;
    const long n = run_length(start, length);
    const auto first = cells_.begin() + static_cast<long>(index(start));
    std::for_each(first, first + n, [code](Cell& c) { c.code = code; });
    if (n > 0) touch(start.y, start.y + static_cast<int>((start.x + n - 1) / kWidth));
    return static_cast<int>(n);
}

int ConsoleBuffer::fill_attributes(std::uint16_t attribute, long length, Point start) {
    if (!inside(start)) return 0;
    const long n = run_length(start, length);
    const auto first = cells_.begin() + static_cast<long>(index(start));
    std::for_each(first, first + n, [attribute](Cell& c) { c.attribute = attribute; });
    if (n > 0) touch(start.y, start.y + static_cast<int>((start.x + n - 1) / kWidth));
    return static_cast<int>(n);
}

bool ConsoleBuffer::scroll(Rect source, std::optional<Rect> clip, Point destination, Cell fill) {
    const Rect clipped = source.intersect(bounds());
    if (clipped.empty()) return false;
    // The destination moves with whatever the buffer cut off the source.
    destination.x += clipped.left - source.left;
    destination.y += clipped.top - source.top;
    const Rect allowed = clip ? clip->intersect(bounds()) : bounds();

    std::vector<Cell> held;
    held.reserve(static_cast<std::size_t>(clipped.width() * clipped.height()));
    for (int y = clipped.top; y <= clipped.bottom; ++y)
        for (int x = clipped.left; x <= clipped.right; ++x) held.push_back(at({x, y}));

    for (int y = clipped.top; y <= clipped.bottom; ++y)
        for (int x = clipped.left; x <= clipped.right; ++x)
            if (allowed.contains({x, y})) cells_[index({x, y})] = fill;

    std::size_t i = 0;
    for (int y = 0; y < clipped.height(); ++y)
        for (int x = 0; x < clipped.width(); ++x, ++i) {
            const Point to{destination.x + x, destination.y + y};
            if (allowed.contains(to)) cells_[index(to)] = held[i];
        }
    // The rows the source covered and those it landed on.
    touch(std::min(clipped.top, destination.y),
          std::max(clipped.bottom, destination.y + clipped.height() - 1));
    return true;
}

}  // namespace patrulha::platform
