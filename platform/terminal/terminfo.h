// Questions to the terminal description, kept apart because <term.h>
// defines a macro for every capability name (bell, cursor_visible, ...).
#pragma once

#include <string>

namespace patrulha::platform {

// Why the terminal named by TERM cannot run the game, or "" when it can:
// TERM set, known, and able to move the cursor.
std::string terminal_unusable_reason();

}  // namespace patrulha::platform
