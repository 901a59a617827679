// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Score, lives, level and the game-over prompt: the values of the status
// panel and the bookkeeping behind them.
#include "console/conio.h"
#include "game/estado.h"
#include "game/jogo.h"
#include "screens/explosao.h"

namespace patrulha {

namespace {

// A bomb is awarded when the bonus counter passes 249, and only 100 are
// taken off it: after the first bomb the next ones come about every 100
// points, not every 250.
constexpr int LIMITE_BONUS = 249;
constexpr int DESCONTO_BONUS = 100;

}  // namespace

void marca_pontuacao(int valor) {
    if (valor == 5) explosao(matriz_col, matriz_lin);
    pontos += valor;
    bomba_aux += valor;
    if (bomba_aux > LIMITE_BONUS) {
        bomba_aux -= DESCONTO_BONUS;
        nbombas += 1;
    }
    gotoxy(60, 12);
    textcolor(YELLOW);
    printf("%i  ", pontos);
    gotoxy(60, 10);
    printf("%i ", nbombas);
}

void marca_vidas(int valor) {
    if (valor == 1) {
        vidas += 1;
    } else if (valor != 0) {
        vidas -= 1;
        _beep(100, 100);
        matriz_tela[matriz_col][matriz_lin] = 0;
        matriz_tela[matriz_col][matriz_lin + 1] = 0;
        printf(" ");  // the hazard: the caller left the cursor on it
        gotoxy(matriz_col + 2, matriz_lin + 3);
        printf(" ");
        col_nave = COL_INICIO_NAVE;
        lin_nave = LIN_INICIO_NAVE;
        matriz_tela[col_nave][lin_nave] = static_cast<unsigned char>(nave);
    }
    gotoxy(60, 8);
    textcolor(YELLOW);
    printf("%i ", vidas);
    // Exactly 0: a second life lost in the frame that already asked shows
    // -1 and asks no more.
    if (vidas == 0) perdeu();
}

void marca_nivel() {
    textcolor(YELLOW);
    gotoxy(60, 6);
    printf("%s", nivel);
}

void perdeu() {
    for (;;) {
        gotoxy(20, 20);
        textcolor(WHITE);
        printf("    GAME OVER");
        gotoxy(20, 22);
        printf("JOGAR NOVAMENTE? S/N");
        tecla = _getch();
        if (tecla == 'N' || tecla == 'n') {
            tecla = 'd';
            return;
        }
        if (tecla == 'S' || tecla == 's') {
            tecla = 'c';
            return;
        }
        // Any other key: blank the prompt and ask again. The blanks are
        // shorter than the texts; the redraw covers the rest.
        gotoxy(20, 20);
        printf("         ");
        gotoxy(20, 22);
        printf("                   ");
    }
}

}  // namespace patrulha
