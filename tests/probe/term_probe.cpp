// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A small program on the terminal backend, for the terminal conformance
// test: it shows every code and every colour pair through the console
// library, then echoes the codes of the keys it decodes until Ctrl-C.
//
//   rows 1 to 16     codes 16 * row .. 16 * row + 15 at columns 1, 3, .. 31
//                    (code 0 stays blank), in light grey on black
//   rows 18 to 33    background b on row 18 + b; foreground f at column
//                    1 + 2 * f, each cell the letter 'X'
//   row 35           "keys:"; the codes follow from row 36, "%i " each
#include "console/conio.h"
#include "platform/terminal/terminal_program.h"

namespace patrulha {

static void probe() {
    textattr(7);
    clrscr();
    for (int code = 1; code < 256; ++code) {
        const int x = 1 + 2 * (code % 16), y = 1 + code / 16;
        if (code == 7 || code == 8 || code == 9 || code == 10 || code == 13) {
            // Controls when written; placed as cells they show the font's symbol.
            DWORD written;
            FillConsoleOutputCharacterA(GetStdHandle(STD_OUTPUT_HANDLE), static_cast<CHAR>(code), 1,
                                        COORD{static_cast<SHORT>(x - 1), static_cast<SHORT>(y - 1)},
                                        &written);
        } else {
            putchxy(x, y, static_cast<char>(code));
        }
    }
    for (int bg = 0; bg < 16; ++bg)
        for (int fg = 0; fg < 16; ++fg) {
            gotoxy(1 + 2 * fg, 18 + bg);
            textattr(16 * bg + fg);
            _putch('X');
        }
    textattr(7);
    gotoxy(1, 35);
    _cputs("keys:");
    gotoxy(1, 36);
    for (;;) printf("%i ", _getch());
}

}  // namespace patrulha

int main() {
    return patrulha::platform::run_on_terminal("term_probe", [] {
        patrulha::probe();
        return 0;
    });
}
