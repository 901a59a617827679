// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The program: start-up, the menu loop with the options screen, the
// hand-over to a game, and the game loop with its frames and the player's
// commands.
#include "console/conio.h"
#include "game/estado.h"
#include "game/game.h"
#include "game/jogo.h"
#include "screens/telas.h"

namespace patrulha {

namespace {

// Key codes of the game's commands. A cursor key's second code steers the
// ship, so the letters H, P, K and M do too.
constexpr int TECLA_CIMA = 72;
constexpr int TECLA_BAIXO = 80;
constexpr int TECLA_ESQUERDA = 75;
constexpr int TECLA_DIREITA = 77;

// After a pause tecla holds this code, which no command uses, so that the
// key that ended the pause is not taken as a command as well.
constexpr int TECLA_DEPOIS_DA_PAUSA = 200;

constexpr int TECLA_ESC = 27;

// Whether the menu draws its title screen on a pass that follows the key
// `opcao`: on the first pass (0), and after a game or the options screen.
// The code 0 also comes here, as the first code of some extended keys
// after the invalid-option message.
bool redesenha_titulo(int opcao) {
    return opcao == 0 || (opcao >= '1' && opcao <= '5');
}

// The player's shots in flight are capped: a shot is fired while five or
// fewer are counted, so six can fly at once.
constexpr int MAXIMO_TIROS_CONTADOS = 5;

}  // namespace

int main() {
    // ==== Game-loop settings: values of main for the whole run ====
    int velocidade_nave = 0;
    int velocidade_inimigo = 1;
    int quant_tiros_inimigo = 1;
    int quant_inimigos = 1;
    int quant_asteroides = 1;
    int cor_nave = WHITE;
    int cor_tiro = LIGHTBLUE;
    int cor_tiro_inimigo = YELLOW;
    int tiro = 127;
    int tiro_inimigo = 111;

    // ==== Working values of the game loop ====
    int quant_tiros = 0;    // the player's shots counted when firing
    int cont = 0;           // 1 once the key that ends a pause has been read
    int atira_inimigo = 0;  // an enemy's fire draw
    int move_inimigo = 0;   // an enemy's move draw
    int col_inimigo = 0;    // the cell of an enemy moving, or of a new one
    int lin_inimigo = 0;
    int coloca_inimigo = 0;  // the frame's enemy spawn draw
    int col_asteroide = 0;   // the centre of a new asteroid cluster
    int lin_asteroide = 0;
    int cont_asteroide = 0;
    int direcao_asteroide = 0;

    // ==== Values of the menu ====
    int opcao = 0;        // the last key read at the menu, 0 before the first
    int inicia_jogo = 0;  // 1 once a difficulty has been taken, until its game starts

    // ==== Start-up ====
    tecla = 0;
    // The console is prepared before anything is drawn.
    espaco();
    nave = 5;
    cor_nave = WHITE;
    cor_tiro = LIGHTBLUE;
    tiro = 127;
    asteroide = 219;
    inimigo1 = 31;
    inimigo2 = 4;
    inimigo3 = 2;
    inimigo4 = 15;
    tiro_inimigo = 111;
    cor_tiro_inimigo = YELLOW;
    nave_vida = 3;
    srand(static_cast<unsigned>(time(nullptr)));

    // Takes difficulty `n` (0 to 3) into the settings, the lives and the
    // level name.
    const auto escolhe_nivel = [&](int n) {
        const nivel_dificuldade& escolhido = niveis[n];
        velocidade_nave = escolhido.velocidade_nave;
        velocidade_inimigo = escolhido.velocidade_inimigo;
        quant_inimigos = escolhido.quant_inimigos;
        quant_tiros_inimigo = escolhido.quant_tiros_inimigo;
        quant_asteroides = escolhido.quant_asteroides;
        vidas = escolhido.vidas;
        strcpy(nivel, escolhido.nome);
    };

    // The hand-over to a game: a clear console, the ship's start cell, the
    // counters of a new game and the panel's values. Lives and level are
    // those of the difficulty taken.
    const auto passagem_ao_jogo = [&] {
        inicia_jogo = 0;
        clrscr();
        monta_tela_jogo();
        col_nave = COL_INICIO_NAVE;
        lin_nave = LIN_INICIO_NAVE;
        bomba_aux = 0;
        nbombas = 10;
        pontos = 0;
        marca_vidas(0);
        marca_pontuacao(0);
        marca_nivel();
    };

    // ==== One frame ====

    // A player's shot in cell (matriz_col, matriz_lin): it hits what stands
    // right above it, or climbs one row. Its image trails the cell by one
    // row, so each move blanks the row below.
    const auto visita_tiro = [&] {
        const int c = matriz_col;
        const int r = matriz_lin;
        unsigned char& celula = matriz_tela[c][r];
        unsigned char* const acima = r > 0 ? &matriz_tela[c][r - 1] : nullptr;
        const bool inimigo = acima && (*acima == inimigo1 || *acima == inimigo2 ||
                                       *acima == inimigo3 || *acima == inimigo4);
        if (acima && (inimigo || *acima == asteroide || *acima == tiro_inimigo)) {
            if (*acima == asteroide) {
                marca_pontuacao(2);
            } else if (*acima == tiro_inimigo) {
                marca_pontuacao(0);
            } else {
                marca_pontuacao(5);
            }
            gotoxy(c + 2, r + 2);
            printf("%c", celula);
            celula = 0;
            *acima = 0;
            gotoxy(c + 2, r + 2);
            printf(" ");
            gotoxy(c + 2, r + 3);
            printf(" ");
            gotoxy(c + 2, r + 1);
            printf(" ");
            return;
        }
        textcolor(cor_tiro);
        printf("%c", celula);
        celula = 0;
        if (r == 0) {
            // Leaving the field: shown in the top row for the ship's pause.
            gotoxy(c + 2, 2);
            _sleep(static_cast<unsigned long>(velocidade_nave));
            printf(" ");
        } else {
            *acima = static_cast<unsigned char>(tiro);
        }
        gotoxy(c + 2, r + 3);
        printf(" ");
    };

    // An enemy in cell (matriz_col, matriz_lin), drawn in its kind's colour.
    // Two draws at every visit: it may drop a shot into the cell below (the
    // falling scan moves and draws it this frame), then it may step. An
    // enemy that steps right or down is visited again in this scan.
    const auto visita_inimigo = [&](int cor, int resto_tiro) {
        const int c = matriz_col;
        const int r = matriz_lin;
        const unsigned char glifo = matriz_tela[c][r];
        textcolor(cor);
        printf("%c", glifo);
        atira_inimigo = rand() % quant_tiros_inimigo;
        if (atira_inimigo == resto_tiro) {
            matriz_tela[c][r + 1] = static_cast<unsigned char>(tiro_inimigo);
        }
        move_inimigo = rand() % velocidade_inimigo;
        if (move_inimigo == 0) {
            matriz_tela[c][r] = 0;
            col_inimigo = c;
            lin_inimigo = r;
            verifica_linhaecol_inimigo(&col_inimigo, &lin_inimigo);
            matriz_tela[col_inimigo][lin_inimigo] = glifo;
            gotoxy(c + 2, r + 2);
            printf(" ");
        }
    };

    // Rows top-down: the ship, the player's shots (which move up, into rows
    // already passed) and the enemies. The cursor visits every cell.
    const auto varredura_principal = [&] {
        for (matriz_lin = 0; matriz_lin < LINHAS_CAMPO; ++matriz_lin) {
            for (matriz_col = 0; matriz_col < COLUNAS_CAMPO; ++matriz_col) {
                const unsigned char& celula = matriz_tela[matriz_col][matriz_lin];
                gotoxy(matriz_col + 2, matriz_lin + 2);
                if (celula == nave) {
                    textcolor(cor_nave);
                    printf("%c", celula);
                    // The frame's pace: the one fixed delay of a frame.
                    _sleep(static_cast<unsigned long>(velocidade_nave));
                }
                if (celula == tiro) visita_tiro();
                if (celula == inimigo1) visita_inimigo(LIGHTRED, 1);
                if (celula == inimigo2) visita_inimigo(LIGHTBLUE, 7);
                if (celula == inimigo3) visita_inimigo(LIGHTCYAN, 7);
                if (celula == inimigo4) visita_inimigo(LIGHTMAGENTA, 7);
            }
        }
    };

    // The falling objects test only the cell right below them; the bottom
    // row has none, and what falls from it is gone.
    const auto abaixo = [&]() -> int {
        return matriz_lin < LINHAS_CAMPO - 1 ? matriz_tela[matriz_col][matriz_lin + 1] : 0;
    };
    // Moves the visited cell's object (already emptied) into the cell below
    // and draws it there, in `cor` when one is given.
    const auto cai_para_baixo = [&](int glifo, int cor = -1) {
        if (matriz_lin < LINHAS_CAMPO - 1) {
            matriz_tela[matriz_col][matriz_lin + 1] = static_cast<unsigned char>(glifo);
            gotoxy(matriz_col + 2, matriz_lin + 3);
            if (cor >= 0) textcolor(cor);
            printf("%c", glifo);
        }
    };

    // Enemy shots and pickups fall one row, bottom-up, so that what falls
    // lands in a row already passed. The cursor visits every cell.
    const auto varredura_queda = [&] {
        for (matriz_lin = LINHAS_CAMPO - 1; matriz_lin >= 0; --matriz_lin) {
            for (matriz_col = COLUNAS_CAMPO - 1; matriz_col >= 0; --matriz_col) {
                unsigned char& celula = matriz_tela[matriz_col][matriz_lin];
                gotoxy(matriz_col + 2, matriz_lin + 2);
                if (celula == tiro_inimigo) {
                    const int embaixo = abaixo();
                    if (embaixo == nave) {
                        // Clears the shot and the ship; the cursor is on the shot.
                        marca_vidas(2);
                    } else if (embaixo == inimigo1 || embaixo == inimigo2 || embaixo == inimigo3 ||
                               embaixo == inimigo4 || embaixo == asteroide) {
                        // Spent on what stands below, which is unharmed.
                        printf(" ");
                        celula = 0;
                    } else {
                        textcolor(cor_tiro_inimigo);
                        printf(" ");
                        celula = 0;
                        cai_para_baixo(tiro_inimigo);
                    }
                }
                if (celula == nave_vida) {
                    if (abaixo() == nave) {
                        marca_vidas(1);
                        gotoxy(matriz_col + 2, matriz_lin + 2);
                        printf(" ");
                        celula = 0;
                    } else {
                        gotoxy(matriz_col + 2, matriz_lin + 2);
                        printf(" ");
                        celula = 0;
                        cai_para_baixo(nave_vida, LIGHTRED);
                    }
                }
            }
        }
    };

    // On one frame in six the asteroids fall one row, bottom-up.
    const auto varredura_asteroides = [&] {
        if (rand() % 6 != 1) return;
        for (matriz_lin = LINHAS_CAMPO - 1; matriz_lin >= 0; --matriz_lin) {
            for (matriz_col = COLUNAS_CAMPO - 1; matriz_col >= 0; --matriz_col) {
                unsigned char& celula = matriz_tela[matriz_col][matriz_lin];
                gotoxy(matriz_col + 2, matriz_lin + 2);
                if (celula != asteroide) continue;
                if (abaixo() == nave) {
                    marca_vidas(2);
                } else {
                    textcolor(BROWN);
                    printf(" ");
                    celula = 0;
                    cai_para_baixo(asteroide);
                }
            }
        }
    };

    // New things for later frames, written into the grid whatever the cells
    // hold: maybe a pickup in the top row, maybe one enemy in the upper
    // field, maybe an asteroid cluster around a centre in row 1. The draws
    // come in this order every frame.
    const auto sorteios_do_quadro = [&] {
        sorteia_vida();

        coloca_inimigo = rand() % quant_inimigos;
        int novo = 0;
        if (coloca_inimigo == 2) novo = inimigo1;
        if (coloca_inimigo == 12) novo = inimigo2;
        if (coloca_inimigo == 22) novo = inimigo3;
        if (coloca_inimigo == 20) novo = inimigo4;
        if (novo != 0) {
            col_inimigo = sorteia_coluna_inimigo();
            lin_inimigo = sorteia_linha_inimigo();
            matriz_tela[col_inimigo][lin_inimigo] = static_cast<unsigned char>(novo);
        }

        if (rand() % quant_asteroides == 1) {
            col_asteroide = rand() % 38 + 2;
            lin_asteroide = 1;
            const auto pedra = static_cast<unsigned char>(asteroide);
            matriz_tela[col_asteroide][lin_asteroide] = pedra;
            // Nine draws among five neighbours: a repeated direction writes
            // its cell again, so a cluster has two to six cells.
            for (cont_asteroide = 0; cont_asteroide < 9; ++cont_asteroide) {
                direcao_asteroide = rand() % 5 + 1;
                switch (direcao_asteroide) {
                    case 1: matriz_tela[col_asteroide][lin_asteroide - 1] = pedra; break;
                    case 2: matriz_tela[col_asteroide][lin_asteroide + 1] = pedra; break;
                    case 3: matriz_tela[col_asteroide + 1][lin_asteroide] = pedra; break;
                    case 4: matriz_tela[col_asteroide - 1][lin_asteroide] = pedra; break;
                    case 5: matriz_tela[col_asteroide + 1][lin_asteroide + 1] = pedra; break;
                }
            }
        }
    };

    const auto quadro = [&] {
        varredura_principal();
        varredura_queda();
        varredura_asteroides();
        sorteios_do_quadro();
    };

    // ==== The player's commands ====

    // The ship moves to (col, lin) from its cell, which is emptied whatever
    // it holds by now; it is drawn there by the next frame.
    const auto move_nave = [&](int col, int lin) {
        gotoxy(col_nave + 2, lin_nave + 2);
        printf(" ");
        matriz_tela[col_nave][lin_nave] = 0;
        col_nave = col;
        lin_nave = lin;
        matriz_tela[col_nave][lin_nave] = static_cast<unsigned char>(nave);
    };

    // Down, left and right into an occupied cell are blocked and cost a
    // life; up is never blocked (see the up key).
    const auto tenta_mover_nave = [&](int col, int lin) {
        if (matriz_tela[col][lin] != 0) {
            centraliza_nave();
        } else {
            move_nave(col, lin);
        }
    };

    // Fires when five or fewer of the player's shots are in the grid and the
    // ship is below the top row; otherwise nothing, not even a sound.
    const auto dispara = [&] {
        quant_tiros = 0;
        for (matriz_lin = 0; matriz_lin < LINHAS_CAMPO; ++matriz_lin) {
            for (matriz_col = 0; matriz_col < COLUNAS_CAMPO; ++matriz_col) {
                if (matriz_tela[matriz_col][matriz_lin] == tiro) ++quant_tiros;
            }
        }
        if (quant_tiros <= MAXIMO_TIROS_CONTADOS && lin_nave > 0) {
            _beep(700, 15);
            matriz_tela[col_nave][lin_nave - 1] = static_cast<unsigned char>(tiro);
        }
    };

    // ==== A game ====

    // Plays one game from an empty field until the player leaves or answers
    // the game-over prompt; hands back through tecla ('d' or 'D': end the
    // program) with the console cleared.
    const auto jogo = [&] {
        for (matriz_lin = 0; matriz_lin < LINHAS_CAMPO; ++matriz_lin) {
            for (matriz_col = 0; matriz_col < COLUNAS_CAMPO; ++matriz_col) {
                matriz_tela[matriz_col][matriz_lin] = 0;
            }
        }
        matriz_tela[col_nave][lin_nave] = static_cast<unsigned char>(nave);
        tecla = 0;

        while (tecla != 'D' && tecla != 'd' && tecla != 'c') {
            // Frames run while no key waits; the prompt of a lost game,
            // which runs inside a frame, ends them through tecla.
            while (!_kbhit()) {
                quadro();
                if (tecla == 'd' || tecla == 'c') break;
            }
            if (tecla == 'd' || tecla == 'c') break;

            // One key, one command; the tests follow the order of the
            // bindings, and each sees tecla as the previous left it.
            tecla = _getch();
            if (tecla == TECLA_CIMA && lin_nave > 0) {
                // Up takes the cell above whatever holds it.
                move_nave(col_nave, lin_nave - 1);
            }
            if (tecla == TECLA_BAIXO && lin_nave < LINHAS_CAMPO - 1) {
                tenta_mover_nave(col_nave, lin_nave + 1);
            }
            if (tecla == TECLA_ESQUERDA && col_nave > 0) {
                tenta_mover_nave(col_nave - 1, lin_nave);
            }
            if (tecla == TECLA_DIREITA && col_nave < COLUNAS_CAMPO - 1) {
                tenta_mover_nave(col_nave + 1, lin_nave);
            }
            if (tecla == 'X' || tecla == 'x') {
                _sleep(static_cast<unsigned long>(velocidade_nave));
                move_nave(COL_INICIO_NAVE, LIN_INICIO_NAVE);
            }
            if (tecla == 'S' || tecla == 's') {
                // Paused: every key but S is read and dropped.
                cont = 0;
                while (cont == 0) {
                    const int pausa = _getch();
                    if (pausa == 'S' || pausa == 's') cont = 1;
                }
                tecla = TECLA_DEPOIS_DA_PAUSA;
            }
            if (tecla == 'C' || tecla == 'c') break;
            if (tecla == 'Z' || tecla == 'z') dispara();
            if (tecla == 'A' || tecla == 'a') bomba();
        }
        clrscr();
    };

    // ==== The options screen ====

    // The ship's glyph and the colours of ship and shot, with a preview: the
    // ship at (65, 22) and a shot flying up column 65. A key is looked for
    // only between flights, so a flight always runs to its end. Leaves on
    // ESC with the console cleared.
    const auto tela_opcoes = [&] {
        clrscr();
        monta_menu_opcoes();
        do {
            gotoxy(65, 22);
            textcolor(cor_nave);
            printf("%c", nave);
            while (!_kbhit()) {
                gotoxy(65, 21);
                printf("%c", 94);
                for (int linha = 21; linha >= 4; linha--) {
                    gotoxy(65, linha);
                    textcolor(cor_tiro);
                    printf("%c", 94);
                    _sleep(40);
                    gotoxy(65, linha);
                    printf(" ");
                }
            }
            cont = _getch();
            switch (cont) {
                case '1': nave = 5; break;
                case '2': nave = 6; break;
                case '3': nave = 190; break;
                case '4': cor_nave = YELLOW; break;
                case '5': cor_nave = LIGHTGREEN; break;
                case '6': cor_nave = LIGHTRED; break;
                case '7': cor_tiro = YELLOW; break;
                case '8': cor_tiro = LIGHTGREEN; break;
                case '9': cor_tiro = LIGHTRED; break;
                default: break;
            }
        } while (cont != TECLA_ESC);
        clrscr();
    };

    // The answer to a menu key outside '1' to '5' and ESC: a message on row
    // 40 until any key, which is no choice. Leaves that key in opcao for the
    // menu's loop test.
    const auto opcao_invalida = [&] {
        gotoxy(40, 40);
        printf("Op%c%co Inv%clida !!!", 135, 198, 160);
        opcao = _getch();
        gotoxy(40, 40);
        clreol();
        // A key that brings the title screen back gets a clear screen
        // first: the banner is written from the cursor, which stands on row
        // 40 now, and would run off the bottom and scroll the console.
        if (redesenha_titulo(opcao)) clrscr();
    };

    // ==== The menu loop ====
    // The title screen is drawn on the first pass, after a game and after
    // the options screen, but not after an invalid key. A game hands back
    // through tecla: 'd' or 'D' ends the program, anything else returns
    // here.
    do {
        if (redesenha_titulo(opcao)) monta_menu_jogo();
        textcolor(WHITE);
        opcao = _getch();
        if (opcao >= '1' && opcao <= '4') {
            escolhe_nivel(opcao - '1');
            inicia_jogo = 1;
        } else if (opcao == '5') {
            tela_opcoes();
        } else if (opcao != TECLA_ESC) {
            opcao_invalida();
        }
        if (inicia_jogo == 1) {
            passagem_ao_jogo();
            jogo();
        }
    } while (opcao != TECLA_ESC && tecla != 'd' && tecla != 'D');
    return 0;
}

}  // namespace patrulha
