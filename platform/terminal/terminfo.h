// Questions to the terminal description, kept apart because <term.h>
// defines a macro for every capability name (bell, cursor_visible, ...).
#pragma once

#include <string>

namespace patrulha::platform {

// Why the terminal named by TERM cannot run the game, or "" when it can:
// TERM set, known, and able to move the cursor.
std::string terminal_unusable_reason();

// For the terminal the terminal library has open: the control strings that
// leave every mode the game turns on (attributes and colours, hidden
// cursor, keypad mode, the alternate screen), padding removed, for writing
// in one go when the program cannot unwind.
std::string terminal_reset_string();

// For the terminal the terminal library has open: the characters of its
// line-drawing set (the keys of its acsc capability, 'q' for a horizontal
// line, 'a' for a checker board...). Empty when it has none.
std::string line_drawing_keys();

}  // namespace patrulha::platform
