// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include <cstddef>

#include "console/conio.h"
#include "screens/telas.h"

namespace patrulha {

namespace {

// The banner's letters, one text per row; '#' marks a letter cell, which is
// drawn with the banner's character. The first band spells PATRULHA in
// columns 11 to 60, the second ESTELAR in columns 18 to 54.
const char* const faixa_patrulha[6] = {
    "          ####    ##   ##### ####  #    # #     #   #   ##  ",
    "          #   #  #  #    #   #   # #    # #     #   #  #  # ",
    "          #   # #    #   #   #   # #    # #     #   # #    #",
    "          ####  ######   #   ####  #    # #     ##### ######",
    "          #     #    #   #   #  #  #    # #     #   # #    #",
    "          #     #    #   #   #   #  ####  ##### #   # #    #",
};

const char* const faixa_estelar[6] = {
    "                 ####  ### ##### #### #     ###  #### ",
    "                 #    #      #   #    #    #   # #   #",
    "                 ###  #      #   ###  #    #   # #   #",
    "                 #     ##    #   #    #    ##### #### ",
    "                 #       #   #   #    #    #   # #  # ",
    "                 #### ###    #   #### #### #   # #   #",
};

// One output of the banner: `antes` line breaks, a row of letters made of
// `letra`, then the text `depois`.
void linha_banner(int antes, const char* linha, int letra, const char* depois) {
    char texto[96];
    std::size_t n = 0;
    for (int i = 0; i < antes; i++) texto[n++] = '\n';
    for (const char* c = linha; *c != '\0'; c++)
        texto[n++] = *c == '#' ? static_cast<char>(letra) : ' ';
    for (const char* c = depois; *c != '\0'; c++) texto[n++] = *c;
    texto[n] = '\0';
    printf("%s", texto);
}

}  // namespace

void monta_menu_jogo() {
    int intro, velocidade1, velocidade2, cont, cont1;

    velocidade1 = 0;
    velocidade2 = 0;

    // The banner's colour is also the character its letters are made of.
    intro = rand() % 6;
    if (intro == 0) intro = 14;
    textcolor(intro);

    // ==== The banner, written from the cursor and laid out by line breaks ====
    for (cont = 0; cont < 6; cont++) {
        linha_banner(cont == 0 ? 2 : 1, faixa_patrulha[cont], intro, cont == 5 ? "\n\n\n " : "");
        _sleep(velocidade1);
    }
    for (cont = 0; cont < 6; cont++) {
        linha_banner(1, faixa_estelar[cont], intro, cont == 5 ? "\n\n" : "");
        if (cont < 5) _sleep(velocidade1);
    }

    // ==== The box, three times over: black, blue, then green to stay ====
    for (cont = 0; cont <= 2; cont++) {
        textcolor(cont);
        for (cont1 = 10; cont1 <= 64; cont1++) {
            gotoxy(cont1, 1);
            printf("%c", 205);
            _sleep(velocidade2);
        }
        gotoxy(65, 1);
        printf("%c", 187);
        for (cont1 = 2; cont1 <= 18; cont1++) {
            gotoxy(65, cont1);
            printf("%c", 186);
            _sleep(velocidade2);
        }
        gotoxy(65, 19);
        printf("%c", 188);
        for (cont1 = 64; cont1 >= 10; cont1--) {
            gotoxy(cont1, 19);
            printf("%c", 205);
            _sleep(velocidade2);
        }
        gotoxy(9, 19);
        printf("%c", 200);
        for (cont1 = 18; cont1 >= 2; cont1--) {
            gotoxy(9, cont1);
            printf("%c", 186);
            _sleep(velocidade2);
        }
        gotoxy(9, 1);
        printf("%c", 201);
    }

    _sleep(50);

    // ==== The difficulty menu; every blank places a column ====
    gotoxy(20, 22);
    textcolor(WHITE);
    printf("  ESCOLHA NIVEL DE DIFICULDADE");
    printf("\n\n\n             1 - FACIL          3 - NORMAL");
    textcolor(WHITE);
    printf("\n\n\n             2 - SECUNDARIO     4 - AVAN%cADO", 128);
    gotoxy(50, 25);
    textcolor(LIGHTRED);
    printf("ESC para sair");
    gotoxy(50, 28);
    printf("5 - PERSONALIZAR");
}

}  // namespace patrulha
