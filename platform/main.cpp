// The process entry: reads the command line, then runs the game on the
// terminal, which is given back on every way out.
#include "game/game.h"
#include "platform/command_line.h"
#include "platform/terminal/terminal_program.h"

int main(int argc, char** argv) {
    if (const int status = patrulha::platform::answer_command_line(argc, argv); status >= 0)
        return status;
    return patrulha::platform::run_on_terminal("patrulha", [] { return patrulha::main(); });
}
