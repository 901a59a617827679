// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Console preparation: the hidden cursor and the synthesised Alt+Enter that
// asks the platform for the full console, and that never reaches the keys.
#include "screens/telas.h"
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

using EspacoTest = ConsoleTest;
using platform::SynthesisedKey;

CONSOLE_CURSOR_INFO cursor_now() {
    CONSOLE_CURSOR_INFO info{};
    GetConsoleCursorInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    return info;
}

TEST_F(EspacoTest, OcultaCursorHidesItWithSizeFifty) {
    ASSERT_NE(cursor_now().bVisible, 0) << "visible to begin with";
    oculta_cursor();
    EXPECT_EQ(cursor_now().bVisible, 0);
    EXPECT_EQ(cursor_now().dwSize, 50u);
    EXPECT_TRUE(vb.synthesised_keys().empty());
    EXPECT_EQ(vb.full_console_requests(), 0);
}

TEST_F(EspacoTest, HidesTheCursorThenSendsAltEnterAndAsksForTheFullConsole) {
    vb.key('q');
    espaco();
    EXPECT_EQ(cursor_now().bVisible, 0);
    const std::vector<SynthesisedKey> alt_enter = {
        {0x12, 56, 0}, {0x0D, 28, 0}, {0x0D, 28, KEYEVENTF_KEYUP}, {0x12, 56, KEYEVENTF_KEYUP}};
    EXPECT_EQ(vb.synthesised_keys(), alt_enter);
    EXPECT_EQ(vb.full_console_requests(), 1);
    EXPECT_EQ(_getch(), 'q') << "the synthesised keys are not typed keys";
}

TEST_F(EspacoTest, TheCursorStaysHiddenThroughTheScreens) {
    espaco();
    clrscr();
    monta_tela_jogo();
    gotoxy(10, 10);
    printf("x");
    clreol();
    clrscr();
    EXPECT_EQ(cursor_now().bVisible, 0);
}

}  // namespace
}  // namespace patrulha::testing
