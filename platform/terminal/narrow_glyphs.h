// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// How the console's codes show on a terminal whose locale is not UTF-8:
// through the terminal's line-drawing set where it has the character,
// otherwise as the nearest ASCII character. Chosen so that every kind of
// occupant of the playfield stays distinguishable from every other (the
// three ships, the asteroid, the four enemies, the extra life, both shots)
// with or without the line-drawing set.
#pragma once

#include <cstdint>

namespace patrulha::platform {

struct NarrowGlyph {
    char ascii;         // printable ASCII, 32 to 126
    char line_drawing;  // the key of the line-drawing character (as in acsc), or 0
};

// The narrow stand-in for a console code, for every code 0 to 255.
NarrowGlyph narrow_glyph(std::uint8_t code);

}  // namespace patrulha::platform
