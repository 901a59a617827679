// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game's entry: the whole program, from start-up to the last key.
#pragma once

namespace patrulha {

// Runs the program; returns when the player ends it.
int main();

}  // namespace patrulha
