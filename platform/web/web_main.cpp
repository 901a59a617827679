// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The page's entry: runs the game on the page's console, recording it or
// replaying the game the page was given.
#include "game/game.h"
#include "platform/command_line.h"
#include "platform/replay.h"
#include "platform/web/web_program.h"

int main(int argc, char** argv) {
    patrulha::platform::set_game_snapshot(patrulha::retrato_do_jogo);
    patrulha::platform::Options options;
    if (const int status = patrulha::platform::answer_command_line(argc, argv, options, 0);
        status >= 0)
        return status;
    return patrulha::platform::run_on_web([] { return patrulha::main(); });
}
