// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What a terminal should show for a console attribute, worked out from the
// colour bits rather than taken from the game's table, so that a wrong entry
// there shows up here.
#pragma once

#include <cstdint>

namespace patrulha::testing {

// A colour the terminal was not told: its default.
inline constexpr int kDefaultColour = -1;

// The terminal's palette number of a console colour: the console's bits are
// blue 1, green 2, red 4, a terminal's red 1, green 2, blue 4; bright is 8.
constexpr int terminal_colour(int c) {
    return (c & 1) << 2 | (c & 2) | (c & 4) >> 2 | (c & 8);
}

struct ExpectedLook {
    int fg = kDefaultColour, bg = kDefaultColour;
    bool bold = false, reverse = false;
};

// How a cell looks on a terminal of `colours` colours: with 16 or more every
// colour is itself; with 8 a bright foreground is the dark one in bold and a
// bright background its dark twin; without colours a bright foreground is
// bold and any background but black reverse video.
constexpr ExpectedLook expected_look(std::uint16_t attribute, int colours) {
    const int fg = attribute & 15, bg = attribute >> 4 & 15;
    if (colours >= 16) return {terminal_colour(fg), terminal_colour(bg), false, false};
    if (colours >= 8)
        return {terminal_colour(fg & 7), terminal_colour(bg & 7), (fg & 8) != 0, false};
    return {kDefaultColour, kDefaultColour, (fg & 8) != 0, bg != 0};
}

}  // namespace patrulha::testing
