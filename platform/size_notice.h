// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What the game shows instead of its console while the window is smaller
// than 80 x 42: the size it needs, the size there is, how to get the room and
// how to quit, centred in the window. Every backend that can be too small
// shows the same words.
#pragma once

#include <string>
#include <vector>

namespace patrulha::platform {

struct NoticeLine {
    int x = 0;         // 0-based column in the window
    int y = 0;         // 0-based row in the window
    std::string text;  // plain ASCII, never wider than the window
};

// The notice for a window of `columns` x `rows` cells: the whole notice
// where it fits, a short form in a window too small for it, as much of that
// as fits in a tiny one, nothing in a window with no cells.
std::vector<NoticeLine> size_notice(int columns, int rows);

}  // namespace patrulha::platform
