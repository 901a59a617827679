// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The special bomb: clears the field but for the ship, with a flash.
#include "console/conio.h"
#include "game/estado.h"
#include "game/jogo.h"

namespace patrulha {

namespace {

constexpr int PASSES_CLARAO = 6;
constexpr int PASSES_REPINTURA = 4;
constexpr unsigned long PAUSA_CLARAO_MS = 200;

// A flash colour is taken as a whole attribute: its high bits are the row's
// background (0 to 14; below 16 the row stays black).
constexpr int CORES_CLARAO = 240;

}  // namespace

void bomba() {
    if (nbombas <= 0) return;
    nbombas -= 1;
    marca_pontuacao(6);

    // The flash: each row in one random colour; the first pass empties the
    // grid. The ship's cell is never printed, so it stays in its colour.
    for (int cont = 0; cont < PASSES_CLARAO; ++cont) {
        for (matriz_lin = 0; matriz_lin < LINHAS_CAMPO; ++matriz_lin) {
            textcolor(rand() % CORES_CLARAO);
            for (matriz_col = 0; matriz_col < COLUNAS_CAMPO; ++matriz_col) {
                if (matriz_tela[matriz_col][matriz_lin] != nave) {
                    matriz_tela[matriz_col][matriz_lin] = 0;
                    gotoxy(matriz_col + 2, matriz_lin + 2);
                    printf(" ");
                }
            }
        }
        _sleep(PAUSA_CLARAO_MS);
    }

    // Back to a black field, with no pause between the passes.
    for (int cont = 0; cont < PASSES_REPINTURA; ++cont) {
        for (matriz_lin = 0; matriz_lin < LINHAS_CAMPO; ++matriz_lin) {
            for (matriz_col = 0; matriz_col < COLUNAS_CAMPO; ++matriz_col) {
                if (matriz_tela[matriz_col][matriz_lin] != nave) {
                    gotoxy(matriz_col + 2, matriz_lin + 2);
                    textcolor(LIGHTGREEN);
                    printf(" ");
                }
            }
        }
    }
}

}  // namespace patrulha
