// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Questions to the terminal description, kept apart because <term.h>
// defines a macro for every capability name (bell, cursor_visible, ...).
#pragma once

#include <functional>
#include <string>

#include "platform/terminal/screen_writer.h"

namespace patrulha::platform {

// Why the terminal named `term` cannot run the game, or "" when it can:
// named, known, and able to move the cursor. Where its description cannot
// be read for want of file descriptors or memory, says that rather than
// calling the terminal unknown.
std::string terminal_unusable_reason(const char* term);

// The description to use for a terminal that calls itself `term`: `term`
// itself, or the richer description of the same terminal when the
// environment (read through `env`) proves the terminal does more than its
// TERM says and `exists` accepts the richer name. A real xterm as Debian
// ships it says TERM=xterm (8 colours) and sets XTERM_VERSION; VTE
// terminals set VTE_VERSION, kitty KITTY_WINDOW_ID, konsole
// KONSOLE_VERSION, and many set COLORTERM; all of them show 256 colours.
// GNU screen says TERM=screen and sets STY; mlterm says TERM=mlterm and sets
// MLTERM; both show 256 colours too.
std::string richer_term(const std::string& term, const std::function<const char*(const char*)>& env,
                        const std::function<bool(const std::string&)>& exists);

// Whether the system has a description named `term`.
bool terminal_known(const std::string& term);

// Loads the description named `term` and returns its strings, padding
// removed. Leaves it the terminal library's current terminal, so that its
// key strings can be asked for. Throws TerminalError when it is unknown.
TerminalStrings load_terminal_strings(const std::string& term);

// The bytes that move the cursor to `row`, `column` (0-based, anywhere in a
// window of any size) by `cursor_address`, the description's cup.
std::string cursor_to(const std::string& cursor_address, int row, int column);

}  // namespace patrulha::platform
