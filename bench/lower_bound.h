// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The fewest bytes any renderer would have to send a terminal to turn one
// screen into the next: every cell whose look changed gets its glyph in
// UTF-8, reached from the previous one by the cheapest cursor movement and
// colour change of the common ANSI repertoire. Cells are visited row by row;
// the cursor and colour carry over from one screen to the next.
#pragma once

#include <cstdint>

#include "platform/console_buffer.h"

namespace patrulha::bench {

class LowerBound {
public:
    // Bytes needed to go from the screen last given (a blank screen in the
    // default attribute, at first) to `next`.
    std::int64_t next_screen(const platform::ConsoleBuffer& next);

    // The same for a whole screen of cells; exposed for tests.
    using Cells = platform::Cell[platform::ConsoleBuffer::kHeight][platform::ConsoleBuffer::kWidth];
    std::int64_t next_cells(const Cells& next, bool cursor_visible, platform::Point cursor);

    // Cells whose look changed in the last screen given.
    int changed_cells() const { return changed_; }

    LowerBound();

private:
    // `next_cells` over the rows `rows` marks, the others known unchanged.
    std::int64_t cost(const Cells& next, const bool* rows, bool cursor_visible,
                      platform::Point cursor);
    int move_cost(int x, int y, const Cells& next) const;
    int colour_cost(int fg, int bg) const;

    Cells shown_{};
    Cells next_{};  // the screen being costed
    // What of the console `next_` holds: only the rows written since are
    // copied and costed.
    platform::ChangeTracker taken_;
    // Where the next glyph written would land; x is kWidth while a wrap is
    // pending, -1 when unknown.
    int cursor_x_ = -1;
    int cursor_y_ = -1;
    int fg_ = -1;  // -1: unknown
    int bg_ = -1;
    int changed_ = 0;
};

// Bytes of `code`'s glyph in UTF-8.
int glyph_bytes(std::uint8_t code);

}  // namespace patrulha::bench
