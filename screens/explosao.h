// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The explosion of an enemy shot down.
#pragma once

namespace patrulha {

// Flashes a white nine-part star centred on the playfield cell
// (matriz_col, matriz_lin), beeps 1000 Hz for 100 ms and blanks the star
// again. Only the screen changes; the grid is not touched. Leaves the colour
// WHITE and the cursor after the last blank.
void explosao(int matriz_col, int matriz_lin);

}  // namespace patrulha
