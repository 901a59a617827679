// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "console/conio.h"
#include "screens/telas.h"

namespace patrulha {

namespace {

// The frame's pace: the pause after each of its characters, so that the
// frame visibly runs around the screen.
const int velocidade = 2;

void moldura(int col, int lin, int codigo, int pausa) {
    gotoxy(col, lin);
    printf("%c", codigo);
    _sleep(pausa);
}

}  // namespace

void monta_tela_jogo() {
    int cont;

    // ==== The frame: clockwise from the top-left, closing there; then the
    // divider downwards and the panel divider to the right ====
    textcolor(GREEN);
    for (cont = 2; cont <= 79; cont++) moldura(cont, 1, 205, velocidade);
    moldura(45, 1, 203, velocidade);
    moldura(80, 1, 187, velocidade);
    for (cont = 2; cont <= 41; cont++) moldura(80, cont, 186, velocidade);
    moldura(80, 42, 188, velocidade);
    for (cont = 79; cont >= 2; cont--) moldura(cont, 42, 205, velocidade);
    moldura(1, 42, 200, velocidade);
    for (cont = 41; cont >= 2; cont--) moldura(1, cont, 186, velocidade);
    moldura(1, 1, 201, 15);
    for (cont = 2; cont <= 41; cont++) moldura(45, cont, 186, velocidade);
    moldura(45, 42, 202, velocidade);
    moldura(45, 15, 204, velocidade);
    for (cont = 46; cont <= 79; cont++) moldura(cont, 15, 205, velocidade);
    moldura(80, 15, 185, velocidade);

    // ==== The status panel ====
    // 137 is light blue on the dark grey background: the colour reaches into
    // the background bits on purpose.
    gotoxy(52, 3);
    textcolor(137);
    printf(" STATUS ");
    gotoxy(49, 6);
    textcolor(LIGHTRED);
    printf(" NIVEL:");
    gotoxy(49, 8);
    printf(" VIDAS:");
    gotoxy(49, 10);
    printf(" ESPECIAIS:");
    gotoxy(49, 12);
    printf(" PONTOS:");

    // ==== The key bindings; the trailing blanks are part of each line ====
    gotoxy(52, 18);
    textcolor(137);
    printf(" CONTROLES ");
    textcolor(LIGHTRED);
    gotoxy(49, 20);
    printf(" %c  %c  %c  %c - MOVIMENTOS ", 27, 26, 24, 25);
    gotoxy(49, 22);
    printf(" %c - CENTRALIZA A NAVE   ", 88);
    gotoxy(49, 24);
    printf(" %c - TIRO                ", 90);
    gotoxy(49, 26);
    printf(" %c - ESPECIAIS               ", 65);
    gotoxy(49, 28);
    printf(" %c - PAUSA / DESPAUSA    ", 83);
    gotoxy(49, 30);
    printf(" %c - MENU PRINCIPAL      ", 67);
    gotoxy(49, 32);
    printf(" %c - KILL GAME           ", 68);

    // The bindings stay alone on screen a moment before the credits come.
    _sleep(600);

    // ==== Credits ====
    textcolor(YELLOW);
    gotoxy(49, 36);
    printf(" PATRULHA ESTELAR ");
    gotoxy(46, 38);
    printf("Feito pela equipe Patrulha Estelar");
    gotoxy(49, 40);
    printf("Obrigado por jogar, piloto");
}

}  // namespace patrulha
