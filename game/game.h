// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game's entry: the whole program, from start-up to the last key.
#pragma once

#include "platform/replay.h"

namespace patrulha {

// Runs the program; returns when the player ends it.
int main();

// The game's state as a replay's checkpoints compare it: score, lives,
// bombs and the playfield's hash.
platform::GameSnapshot retrato_do_jogo();

}  // namespace patrulha
