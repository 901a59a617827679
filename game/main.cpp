// The program: start-up, the hand-over to a game, and the game loop with its
// frames and the player's commands.
#include "console/conio.h"
#include "game/estado.h"
#include "game/game.h"
#include "game/jogo.h"

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

// The player's shots in flight are capped: a shot is fired while five or
// fewer are counted, so six can fly at once.
constexpr int MAXIMO_TIROS_CONTADOS = 5;

}  // namespace

int main() {
    // ==== Game-loop settings: values of main for the whole run ====
    int velocidade_nave = 0;
    [[maybe_unused]] int velocidade_inimigo = 1;
    [[maybe_unused]] int quant_tiros_inimigo = 1;
    [[maybe_unused]] int quant_inimigos = 1;
    [[maybe_unused]] int quant_asteroides = 1;
    int cor_nave = WHITE;
    int cor_tiro = LIGHTBLUE;
    [[maybe_unused]] int cor_tiro_inimigo = YELLOW;
    int tiro = 127;
    int tiro_inimigo = 111;

    // ==== Working values of the game loop ====
    int quant_tiros = 0;  // the player's shots counted when firing
    int cont = 0;         // 1 once the key that ends a pause has been read

    // ==== Start-up ====
    tecla = 0;
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
        clrscr();
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
            }
        }
    };

    // Enemy shots and pickups falling, bottom-up, so that what falls lands
    // in a row already passed. The cursor visits every cell.
    const auto varredura_queda = [&] {
        for (matriz_lin = LINHAS_CAMPO - 1; matriz_lin >= 0; --matriz_lin) {
            for (matriz_col = COLUNAS_CAMPO - 1; matriz_col >= 0; --matriz_col) {
                gotoxy(matriz_col + 2, matriz_lin + 2);
            }
        }
    };

    // The one-in-six draw that lets asteroids fall this frame (none yet).
    const auto varredura_asteroides = [&] {};

    // New pickups, enemies and asteroid clusters, written into the grid
    // (none yet).
    const auto sorteios_do_quadro = [&] {};

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

    // Until the difficulty menu exists, every game is played at the first
    // level: C or a game over answered S start the next one, D or N end
    // the program.
    do {
        escolhe_nivel(0);
        passagem_ao_jogo();
        jogo();
    } while (tecla != 'd' && tecla != 'D');
    return 0;
}

}  // namespace patrulha
