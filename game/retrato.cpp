// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "game/estado.h"
#include "game/game.h"

namespace patrulha {

platform::GameSnapshot retrato_do_jogo() {
    return {pontos, vidas, nbombas, platform::hash_grid(&matriz_tela[0][0], sizeof matriz_tela)};
}

}  // namespace patrulha
