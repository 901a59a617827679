// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The process entry: reads the command line, then runs the game on the
// terminal, which is given back on every way out.
#include "game/estado.h"
#include "game/game.h"
#include "platform/command_line.h"
#include "platform/replay.h"
#include "platform/terminal/terminal_program.h"

namespace {

// The game's state for the replay's checkpoints.
patrulha::platform::GameSnapshot snapshot() {
    using namespace patrulha;
    return {pontos, vidas, nbombas, platform::hash_grid(&matriz_tela[0][0], sizeof matriz_tela)};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace patrulha::platform;
    set_game_snapshot(snapshot);
    Options options;
    if (const int status =
            answer_command_line(argc, argv, options, kRecordAndReplay | kCast | kSound);
        status >= 0)
        return status;
    return run_on_terminal(
        "patrulha", [] { return patrulha::main(); }, options);
}
