// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The process entry of patrulha.exe: reads the command line, then runs the
// game on the Windows console, which is given back on every way out.
#include "game/game.h"
#include "platform/command_line.h"
#include "platform/replay.h"
#include "platform/windows/windows_program.h"

int main(int argc, char** argv) {
    using namespace patrulha::platform;
    set_game_snapshot(patrulha::retrato_do_jogo);
    Options options;
    if (const int status = answer_command_line(argc, argv, options, kRecordAndReplay); status >= 0)
        return status;
    return run_on_console(
        "patrulha", L"Patrulha Estelar", [] { return patrulha::main(); }, {}, options);
}
