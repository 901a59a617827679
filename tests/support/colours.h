// What a terminal should show for a console attribute: the tests' own
// account of the colours, worked out from the colour bits rather than taken
// from the game's table, so that a wrong entry there shows up here.
#pragma once

#include <cstdint>

namespace patrulha::testing {

// A colour the terminal was not told: its default.
inline constexpr int kDefaultColour = -1;

// The terminal's palette number of a console colour. The console's bits are
// blue 1, green 2, red 4; a terminal's are red 1, green 2, blue 4: the blue
// and red bits trade places. Bit 8, brightness, is the same for both.
constexpr int terminal_colour(int console_colour) {
    return (console_colour & 1) << 2 | (console_colour & 2) | (console_colour & 4) >> 2 |
           (console_colour & 8);
}

// How a cell of a console attribute looks on a terminal of `colours`
// colours (16 or more, 8, or none).
struct ExpectedLook {
    int fg = kDefaultColour;
    int bg = kDefaultColour;
    bool bold = false;
    bool reverse = false;
};

// With 16 colours every colour is itself; with 8 a bright foreground is the
// dark one in bold and a bright background its dark twin; without colours a
// bright foreground is bold and any background but black reverse video.
constexpr ExpectedLook expected_look(std::uint16_t attribute, int colours) {
    const int fg = attribute & 15, bg = attribute >> 4 & 15;
    ExpectedLook look;
    if (colours >= 16) {
        look.fg = terminal_colour(fg);
        look.bg = terminal_colour(bg);
    } else if (colours >= 8) {
        look.fg = terminal_colour(fg & 7);
        look.bg = terminal_colour(bg & 7);
        look.bold = (fg & 8) != 0;
    } else {
        look.bold = (fg & 8) != 0;
        look.reverse = bg != 0;
    }
    return look;
}

}  // namespace patrulha::testing
