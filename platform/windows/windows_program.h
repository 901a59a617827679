// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A program of the Windows console from start to end: takes the console
// over, runs the program's body on it, and gives the console back on every
// way out.
#pragma once

#include <functional>

#include "platform/command_line.h"
#include "platform/windows/windows_backend.h"

namespace patrulha::platform {

// Takes the console over with the window titled `title`, attaches the
// runtime and runs `body`. Returns the exit status: what `body` returned;
// 130 after Ctrl-C or Ctrl-Break, 129 when the window was closed; 1 when the
// console cannot be used, went away or an error ended the program (one line
// on standard error, after the console is back, beginning with `name`).
// Where the program is alone on its console (started from Explorer, whose
// console closes with it), that line waits for a key before the end.
// `view`, where given, is how big the backend takes the window to be.
// `options` are those of the command line: --record and --replay, whose
// files are checked before the console is touched (status 2 and one line
// when one cannot be used).
int run_on_console(const char* name, const wchar_t* title, const std::function<int()>& body,
                   WindowView view = {}, const Options& options = {});

}  // namespace patrulha::platform
