// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Enemy moves and the draws of the spawning step.
#include "console/conio.h"
#include "game/estado.h"
#include "game/jogo.h"

namespace patrulha {

namespace {

// Draws a direction code 1 to `sobre` until it is none of `excluidos`.
template <int N>
int sorteia_direcao(int sobre, const int (&excluidos)[N]) {
    for (;;) {
        const int direcao = rand() % sobre + 1;
        bool permitida = true;
        for (const int e : excluidos) permitida = permitida && direcao != e;
        if (permitida) return direcao;
    }
}

int sorteia_direcao(int sobre) {
    return rand() % sobre + 1;
}

}  // namespace

int sorteia_coluna_inimigo() {
    return rand() % 42 + 1;
}

int sorteia_linha_inimigo() {
    return rand() % 10 + 2;
}

void sorteia_vida() {
    int aux = rand() % 400 + 1;
    if (aux == 10) {
        aux = sorteia_coluna_inimigo();
        matriz_tela[aux][0] = static_cast<unsigned char>(nave_vida);
    }
}

void verifica_linhaecol_inimigo(int* col_inimigo, int* lin_inimigo) {
    constexpr int ultima_col = COLUNAS_CAMPO - 1;
    constexpr int fundo = LINHA_FUNDO_INIMIGOS;
    const int c = *col_inimigo;
    const int l = *lin_inimigo;

    // Direction codes: 1 down, 2 right, 3 up, 4 left, 5 down-right,
    // 6 up-left, 7 down-left, 8 up-right. A draw over fewer than 8 cannot
    // give the codes above it. The bottom-right corner leaves out the
    // inward diagonal too, so enemies there only go up or left.
    int direcao;
    if (c == 0 && l == 0) {
        direcao = sorteia_direcao(5, {3, 4});
    } else if (c == ultima_col && l == 0) {
        direcao = sorteia_direcao(7, {2, 3, 5, 6});
    } else if (c == 0 && l == fundo) {
        direcao = sorteia_direcao(8, {1, 4, 5, 6, 7});
    } else if (c == ultima_col && l == fundo) {
        direcao = sorteia_direcao(6, {1, 2, 5, 6});
    } else if (l == 0) {
        direcao = sorteia_direcao(7, {3, 6});
    } else if (l == fundo) {
        direcao = sorteia_direcao(8, {1, 5, 7});
    } else if (c == 0) {
        direcao = sorteia_direcao(8, {4, 6, 7});
    } else if (c == ultima_col) {
        direcao = sorteia_direcao(7, {2, 5});
    } else {
        direcao = sorteia_direcao(8);
    }

    static constexpr int passo_col[9] = {0, 0, 1, 0, -1, 1, -1, -1, 1};
    static constexpr int passo_lin[9] = {0, 1, 0, -1, 0, 1, -1, 1, -1};
    *col_inimigo += passo_col[direcao];
    *lin_inimigo += passo_lin[direcao];
}

}  // namespace patrulha
