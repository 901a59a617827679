// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The gameplay functions that the game loop, its scans and the start of a
// game call. They work on the globals of game/estado.h.
#pragma once

namespace patrulha {

// ==== Score, lives, level and game over ====

// Adds `valor` points. For 5 (an enemy shot down) the explosion first plays
// at (matriz_col, matriz_lin). Every 250 points gathered in bomba_aux award
// one bomb (at most one per call, the counter keeping the excess over 150).
// Redraws the score at (60, 12) with "%i  " and the bombs at (60, 10) with
// "%i ", in YELLOW; the cursor is left after the bombs.
void marca_pontuacao(int valor);

// `valor` 0 only redraws the lives, 1 adds a life, anything else takes one:
// beep 100 Hz, empty (matriz_col, matriz_lin) and the ship's cell below it,
// blank the cursor's cell (the caller leaves the cursor on the hazard) and
// the ship's screen cell, and put the ship back at its start cell. Then the
// lives are drawn at (60, 8) with "%i " in YELLOW, and when they are exactly
// 0 the game-over prompt runs.
void marca_vidas(int valor);

// Draws the level name at (60, 6) in YELLOW.
void marca_nivel();

// The game-over prompt: asks "JOGAR NOVAMENTE? S/N" until the answer is S
// or N, and leaves 'c' (play again: back to the menu) or 'd' (end the
// program) in tecla.
void perdeu();

// ==== The ship ====

// The penalty for steering the ship into an occupied cell: the ship goes
// back to its start cell and one life is lost, with a 100 Hz beep; at 0
// lives the game-over prompt runs.
void centraliza_nave();

// ==== Enemies and spawning ====

// A column for a spawn, 1 to 42 (one draw).
int sorteia_coluna_inimigo();

// A row for a new enemy, 2 to 11 (one draw).
int sorteia_linha_inimigo();

// One draw in 400 puts an extra-life pickup in row 0 of a drawn column.
void sorteia_vida();

// Steps the enemy cell (*col_inimigo, *lin_inimigo) one cell in a direction
// drawn among those that keep it inside the enemies' zone (columns 0 to 42,
// rows 0 to LINHA_FUNDO_INIMIGOS). Re-draws until a direction is allowed;
// looks at nothing but the two values.
void verifica_linhaecol_inimigo(int* col_inimigo, int* lin_inimigo);

// ==== The special bomb ====

// Spends a bomb (none left: does nothing): 6 points, then the field flashes
// in random colours row by row and everything on it but the ship is gone.
void bomba();

}  // namespace patrulha
