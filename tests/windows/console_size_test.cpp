// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The Windows console's size rule: play in a window that holds 80 x 42, ask
// for it once where the classic console host can give it, and otherwise
// stand still behind the size notice, never asking a pseudo-console.
#include "platform/windows/console_size.h"

#include <gtest/gtest.h>

namespace patrulha::platform {
namespace {

const char* name(SizeStep step) {
    switch (step) {
        case SizeStep::play: return "play";
        case SizeStep::resize: return "resize";
        case SizeStep::notice: return "notice";
    }
    return "?";
}

TEST(ConsoleSize, PlaysWhereTheWindowHoldsTheGameAsksOnceOnlyOfTheClassicHost) {
    constexpr ConsoleHost kClassic = ConsoleHost::classic_window;
    constexpr ConsoleHost kFixed = ConsoleHost::fixed;
    struct Case {
        WindowSize window;
        ConsoleHost host;
        bool tried;
        SizeStep expected;
    };
    const Case cases[] = {
        // Room enough, whoever hosts: the game plays, nothing is asked.
        {{80, 42}, kClassic, false, SizeStep::play},
        {{80, 42}, kFixed, false, SizeStep::play},
        {{100, 50}, kFixed, false, SizeStep::play},
        {{120, 42}, kClassic, true, SizeStep::play},
        // Short by one column or one row.
        {{79, 42}, kClassic, false, SizeStep::resize},
        {{80, 41}, kClassic, false, SizeStep::resize},
        {{79, 42}, kFixed, false, SizeStep::notice},
        {{80, 41}, kFixed, false, SizeStep::notice},
        // The sizes a player meets: cmd's 120 x 30, a terminal's 80 x 24;
        // wide but short is still too small.
        {{120, 30}, kClassic, false, SizeStep::resize},
        {{120, 30}, kClassic, true, SizeStep::notice},
        {{120, 30}, kFixed, false, SizeStep::notice},
        {{80, 24}, kFixed, true, SizeStep::notice},
        {{200, 30}, kFixed, false, SizeStep::notice},
        // A window that reports no cells at all.
        {{0, 0}, kClassic, true, SizeStep::notice},
    };
    for (const Case& c : cases) {
        const SizeStep got = size_step(c.window, c.host, c.tried);
        EXPECT_EQ(got, c.expected) << c.window.columns << " x " << c.window.rows << " on "
                                   << (c.host == kClassic ? "the classic host" : "a fixed host")
                                   << (c.tried ? ", asked already" : "") << ": " << name(got)
                                   << ", not " << name(c.expected);
    }
}

}  // namespace
}  // namespace patrulha::platform
