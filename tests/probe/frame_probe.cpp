// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A small program on the terminal backend with state that must survive
// suspends and resizes: a frame counter over a fixed coloured picture.
//
//   row 1            "quadro N": N frames so far, one every 50 ms
//   rows 2 to 41     the picture: at (x, y) the letter 'a' + (x + 2y) % 26
//                    in attribute (x + 7y) % 256
//   row 42           "fim" at column 1, '#' in the last cell (80, 42)
//
// Keys: 'r' makes every frame write row 2 anew, its first 60 cells in
// attribute 7, the letters one further each frame (about 1.4 KB a second
// in all, more than a 9,600-baud link takes); 'p' pauses until the next
// key (showing "pausa" on row 1); 'b'
// beeps at 1000 Hz for 100 ms; 'q' ends the program; 't' calls
// std::terminate; 'e' throws something that is not a std::exception; 'k'
// lets the game loop run into a null pointer; 'l' sticks in a loop that
// never reaches a pacing point again.
#include <exception>

#include "console/conio.h"
#include "platform/terminal/terminal_program.h"

namespace patrulha {

static void picture() {
    textattr(7);
    clrscr();
    for (int y = 2; y <= 41; ++y)
        for (int x = 1; x <= 80; ++x) {
            textattr((x + 7 * y) % 256);
            putchxy(x, y, static_cast<char>('a' + (x + 2 * y) % 26));
        }
    textattr(7);
    gotoxy(1, 42);
    _cputs("fim");
    DWORD written;
    FillConsoleOutputCharacterA(GetStdHandle(STD_OUTPUT_HANDLE), '#', 1, COORD{79, 41}, &written);
}

static volatile int* nowhere = nullptr;
static volatile unsigned stuck = 0;

static int frames() {
    picture();
    bool rolling = false;
    for (int n = 0;; ++n) {
        if (rolling) {
            char row[61];
            for (int x = 0; x < 60; ++x) row[x] = static_cast<char>('a' + (x + n) % 26);
            row[60] = '\0';
            textattr(7);
            gotoxy(1, 2);
            _cputs(row);
        }
        textattr(15);
        gotoxy(1, 1);
        printf("quadro %i      ", n);
        if (_kbhit()) {
            switch (_getch()) {
                case 'r': rolling = true; break;
                case 'p':
                    _cputs("pausa");
                    _getch();
                    break;
                case 'b': _beep(1000, 100); break;
                case 'q': return 0;
                case 't': std::terminate();
                case 'e': throw 42;
                case 'k': *nowhere = 1; break;
                case 'l':
                    for (;;) stuck = stuck + 1;
                default: break;
            }
        }
        _sleep(50);
    }
}

}  // namespace patrulha

int main() {
    return patrulha::platform::run_on_terminal("frame_probe", patrulha::frames);
}
