// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A program of the page from start to end: runs the program's body on the
// page's console and tells the page when it has ended, and how.
#pragma once

#include <functional>

namespace patrulha::platform {

// Attaches the runtime to the browser backend and runs `body`. A game the
// page was given to replay (a file the player chose or dropped) is played
// back; any other is recorded, for the page to save. Once it has returned
// (or an error has ended it), the page shows the end screen with the error,
// the replay's verdict or the recording. Returns what `body` returned, 1
// after an error, 2 for a replay that cannot be read.
int run_on_web(const std::function<int()>& body);

}  // namespace patrulha::platform
