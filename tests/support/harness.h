// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Runs the real game on the virtual backend: scripted keys, forced random
// results, the virtual clock, and the console buffer to inspect.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "console/conio.h"
#include "game/game.h"
#include "platform/virtual/virtual_backend.h"

namespace patrulha::testing {

using platform::VirtualBackend;

// How a scripted run of main ended.
enum class RunEnd {
    Returned,     // main returned: the program ended
    ScriptEnded,  // the key script ran out while the program was still going
};

// A test with a fresh console, library state and virtual backend.
class ConsoleTest : public ::testing::Test {
protected:
    ConsoleTest() { reset_conio_state(); }

    // Runs the game's main until it returns or the key script runs out.
    RunEnd run_main();

    // The attribute of the screen cell at (x, y), 1-based.
    int attribute_at(int x, int y) const { return vb.cell(x, y).attribute; }
    // The code of the screen cell at (x, y), 1-based.
    int code_at(int x, int y) const { return vb.cell(x, y).code; }

    VirtualBackend vb;
};

}  // namespace patrulha::testing
