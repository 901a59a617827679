// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "game/estado.h"

namespace patrulha {

unsigned char matriz_tela[COLUNAS_CAMPO][LINHAS_CAMPO];

int nave;
int asteroide;
int inimigo1;
int inimigo2;
int inimigo3;
int inimigo4;
int nave_vida;

int pontos;
int vidas;
int nbombas;
int bomba_aux;
int col_nave;
int lin_nave;
int tecla;
int matriz_col;
int matriz_lin;
char nivel[30];

nivel_dificuldade niveis[4] = {
    {"FACIL", 1, 25, 225, 100, 225, 4},
    {"SECUNDARIO", 1, 20, 200, 90, 200, 4},
    {"NORMAL", 1, 15, 175, 80, 175, 4},
    {"AVANCADO", 0, 5, 100, 50, 220, 3},
};

}  // namespace patrulha
