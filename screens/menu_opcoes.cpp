// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "console/conio.h"
#include "screens/telas.h"

namespace patrulha {

void monta_menu_opcoes() {
    // Nothing is positioned: each text's leading line breaks and blanks place
    // it, counting from (1, 1) where the cleared screen leaves the cursor.
    textcolor(WHITE);
    printf("\n\n\n\n\n\n                                    OP%cOES", 128);
    printf("\n\n\n\n                                 ESC - VOLTAR");
    textcolor(LIGHTGREEN);
    printf("\n\n\n\n                           Escolha o desenho da nave:");
    textcolor(LIGHTGRAY);
    printf("\n\n                              1- %c     2- %c     3- %c  ", 5, 6, 190);
    textcolor(LIGHTGREEN);
    printf("\n\n\n\n                             Escolha a Cor da Nave:");
    textcolor(LIGHTGRAY);
    printf("\n\n                      4 - Amarelo   5 - Verde   6 - Vermelho");
    textcolor(LIGHTGREEN);
    printf("\n\n\n\n                             Escolha a Cor do Tiro:");
    textcolor(LIGHTGRAY);
    printf("\n\n                      7 - Amarelo   8 - Verde   9 - Vermelho");
}

}  // namespace patrulha
