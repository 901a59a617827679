// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "console/conio.h"
#include "screens/telas.h"

namespace patrulha {

void oculta_cursor() {
    CONSOLE_CURSOR_INFO cur;
    cur.dwSize = 50;
    cur.bVisible = 0;
    SetConsoleCursorInfo(GetStdHandle(STD_OUTPUT_HANDLE), &cur);
}

void espaco() {
    oculta_cursor();
    // Alt+Enter asks the console for its full size; the platform answers it by
    // giving the game its 80 x 42 console where the terminal allows.
    keybd_event(VK_MENU, 0x38, 0, 0);
    keybd_event(VK_RETURN, 0x1C, 0, 0);
    keybd_event(VK_RETURN, 0x1C, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_MENU, 0x38, KEYEVENTF_KEYUP, 0);
}

}  // namespace patrulha
