// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "screens/explosao.h"

#include "console/conio.h"

namespace patrulha {

namespace {

// Draws the star's nine parts, each where its condition lets it, as their
// glyphs or (apagar) as blanks. The left-hand and upper parts stop one cell
// short of the field's edge, the right-hand ones at the last column; the
// lower ones need no test, since a shot never hits below row 38.
void desenha_estrela(int c, int r, bool apagar) {
    const int x = c + 2;
    const int y = r + 2;
    const auto parte = [apagar](int px, int py, int glifo) {
        gotoxy(px, py);
        if (apagar) {
            printf(" ");
        } else {
            printf("%c", glifo);
        }
    };
    parte(x, y, '*');
    if (c <= 41) parte(x + 1, y, '-');
    if (c >= 2) parte(x - 1, y, '-');
    if (r >= 2) parte(x, y - 1, '|');
    parte(x, y + 1, '|');
    if (c >= 2 && r >= 2) parte(x - 1, y - 1, 92);
    if (c <= 41 && r >= 2) parte(x + 1, y - 1, '/');
    if (c >= 2) parte(x - 1, y + 1, '/');
    if (c <= 41) parte(x + 1, y + 1, 92);
}

}  // namespace

void explosao(int matriz_col, int matriz_lin) {
    textcolor(WHITE);
    desenha_estrela(matriz_col, matriz_lin, false);
    _sleep(50);
    _beep(1000, 100);
    desenha_estrela(matriz_col, matriz_lin, true);
}

}  // namespace patrulha
