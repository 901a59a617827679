// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The whole screens of the game and the console's preparation. Each screen
// function positions, colours and prints its items; none of them clears the
// screen or reads a key: the caller clears first and reads afterwards.
#pragma once

namespace patrulha {

// Hides the console's text cursor (size 50, not visible).
void oculta_cursor();

// Prepares the console once at start-up, before anything is drawn: hides the
// cursor, then sends Alt+Enter (Alt down, Enter down, Enter up, Alt up) to
// switch the console to its full 80 x 42 size.
void espaco();

// Draws the fixed parts of the game screen: the green double frame, run
// around the screen one character at a time (2 ms apart, 15 ms after the
// top-left corner), the status panel's headings and labels, the key
// bindings, a pause of 600 ms, then the credits in yellow. Leaves YELLOW as
// the colour and the cursor after the last credit line.
void monta_tela_jogo();

// Draws the title screen from the cursor where it stands: the banner in a
// colour drawn with rand() (also the character its letters are made of),
// the green box around it in three passes, a pause of 50 ms, and the
// difficulty menu. Drawn on a cleared screen, the banner takes rows 3 to 8
// and 12 to 17 and the cursor ends at (1, 19) before the box is drawn.
// Leaves LIGHTRED as the colour.
void monta_menu_jogo();

// Draws the static texts of the options screen from the cursor at (1, 1),
// rows 7 to 29. Leaves LIGHTGRAY as the colour and the cursor at (61, 29).
void monta_menu_opcoes();

}  // namespace patrulha
