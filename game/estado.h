// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The state of a game: the playfield grid, the glyph of each kind of
// occupant, the counters shown in the status panel, and the difficulty
// presets. Plain globals, valid for the whole run; the game loop, the
// gameplay functions and the screens read and write them directly.
#pragma once

namespace patrulha {

// ==== The playfield ====

constexpr int COLUNAS_CAMPO = 43;  // columns 0 to 42
constexpr int LINHAS_CAMPO = 40;   // rows 0 to 39

// Where the ship starts each game and goes back to after a hit or a
// re-centring: the middle column, two rows above the bottom.
constexpr int COL_INICIO_NAVE = 21;
constexpr int LIN_INICIO_NAVE = 37;

// The last row of the enemies' zone (rows 0 to this one). Every rule that
// keeps an enemy inside its zone uses it, so that no enemy can leave at a
// side edge or drift below the zone.
constexpr int LINHA_FUNDO_INIMIGOS = 15;

// The grid, column first: 0 for an empty cell, otherwise the glyph code of
// its one occupant. Cell (column, row) shows at screen (column + 2, row + 2).
extern unsigned char matriz_tela[COLUNAS_CAMPO][LINHAS_CAMPO];

// ==== Glyphs: which code marks which occupant ====
// All distinct and non-zero: a cell's kind is known only from its code.

extern int nave;       // the player's ship
extern int asteroide;  // an asteroid
extern int inimigo1;   // the four kinds of enemy
extern int inimigo2;
extern int inimigo3;
extern int inimigo4;
extern int nave_vida;  // an extra-life pickup

// ==== Counters ====

extern int pontos;     // score
extern int vidas;      // lives left; the game ends when it reaches 0
extern int nbombas;    // special bombs left
extern int bomba_aux;  // points gathered towards the next bonus bomb
extern int col_nave;   // the ship's cell
extern int lin_nave;
extern int tecla;  // the last key read, 200 after a pause, or the prompt's 'c'/'d'
// The cell that the running scan is visiting: the explosion is centred on
// it and a hit by a falling object clears it and the cell below.
extern int matriz_col;
extern int matriz_lin;
extern char nivel[30];  // the difficulty's name, shown in the panel

// ==== Difficulty presets ====

// One difficulty: what main copies into its game-loop settings (and into
// vidas and nivel) when the level is taken.
struct nivel_dificuldade {
    const char* nome;         // copied into nivel
    int velocidade_nave;      // ms, the ship's pause in each frame
    int velocidade_inimigo;   // an enemy moves when rand() % this is 0
    int quant_inimigos;       // divisor of the enemy spawn draw
    int quant_tiros_inimigo;  // divisor of an enemy's fire draw
    int quant_asteroides;     // divisor of the asteroid spawn draw
    int vidas;                // lives at the start of a game
};

// The four levels, easiest first: "FACIL", "SECUNDARIO", "NORMAL",
// "AVANCADO".
extern nivel_dificuldade niveis[4];

}  // namespace patrulha
