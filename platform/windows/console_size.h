// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What the game does with the Windows console's visible window: plays in a
// window of 80 x 42 or more; asks for 80 x 42 once, where the console host
// can give it; and otherwise shows the size notice until the window grows.
// No Windows header here: the rule is decided on plain values.
#pragma once

namespace patrulha::platform {

// The size of the console's visible window, in cells.
struct WindowSize {
    int columns = 0;
    int rows = 0;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

enum class ConsoleHost {
    // The classic console host with its window on the screen: a program
    // sets its buffer's and window's sizes, and the window follows.
    classic_window,
    // A pseudo-console (Windows Terminal and any terminal that hosts
    // console programs the same way), a console without a visible window,
    // wine's console on a terminal: the terminal owns the size. A program
    // that asks for another is told yes, and nothing on the screen changes.
    fixed,
};

enum class SizeStep {
    play,    // the window holds the game
    resize,  // ask the console for 80 x 42, then decide again
    notice,  // stand still behind the size notice
};

// The step for a visible window of `window` on `host`, where `resize_tried`
// says whether 80 x 42 was asked for already.
SizeStep size_step(WindowSize window, ConsoleHost host, bool resize_tried);

}  // namespace patrulha::platform
