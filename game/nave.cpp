// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The ship's penalty move.
#include "console/conio.h"
#include "game/estado.h"
#include "game/jogo.h"

namespace patrulha {

void centraliza_nave() {
    matriz_tela[col_nave][lin_nave] = 0;
    gotoxy(col_nave + 2, lin_nave + 2);
    printf(" ");
    col_nave = COL_INICIO_NAVE;
    lin_nave = LIN_INICIO_NAVE;
    matriz_tela[col_nave][lin_nave] = static_cast<unsigned char>(nave);
    vidas -= 1;
    gotoxy(60, 8);
    textcolor(YELLOW);
    printf("%i ", vidas);
    gotoxy(col_nave + 2, lin_nave + 2);
    _beep(100, 100);
    if (vidas == 0) perdeu();
}

}  // namespace patrulha
