// Turns the console buffer into what an ANSI terminal of 80 x 42 needs to
// show it: only the cells that changed since the last update, the colours
// set only where they change, the cursor placed, shaped and shown or hidden
// as the console has it. Knows nothing of the browser, so that the same
// text can be checked anywhere.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/console_buffer.h"

namespace patrulha::platform {

class XtermWriter {
public:
    // Appends to `out` what brings the terminal from what the last update
    // left on it to `console`. The first update (and the first after
    // `forget`) writes every cell.
    void update(const ConsoleBuffer& console, std::string& out);

    // The terminal's contents are unknown: the next update writes them all.
    void forget();

private:
    void move_to(Point p, std::string& out);
    void set_colours(std::uint16_t attribute, std::string& out);

    std::array<Cell, ConsoleBuffer::kWidth * ConsoleBuffer::kHeight> shown_{};
    bool everything_ = true;
    // What the terminal is left with after the last update; -1 for unknown.
    int attribute_ = -1;
    Point cursor_{-1, -1};
    int cursor_shape_ = -1;
    int cursor_visible_ = -1;
};

}  // namespace patrulha::platform
