// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A program of the terminal from start to end: takes the terminal over,
// runs the program's body on it, and gives the terminal back on every way
// out.
#pragma once

#include <functional>

#include "platform/command_line.h"

namespace patrulha::platform {

// Sets the locale from the environment, installs the signal handlers, takes
// the terminal over, attaches the runtime and runs `body`. Returns the exit
// status: what `body` returned; 1 when the terminal went away, when the
// terminal cannot be used or when an error ended the program (one line on
// standard error, after the terminal is back, beginning with `name`). When
// a signal ended the program (Ctrl-C, kill, hang-up), does not return: once
// the terminal is back, the process dies by that signal, so that the shell
// sees it (status 128 + the signal, and a loop of games stops there).
// `options` are those of the command line.
int run_on_terminal(const char* name, const std::function<int()>& body,
                    const Options& options = {});

}  // namespace patrulha::platform
