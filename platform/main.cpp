// The process entry: reads the command line, then runs the game on the
// terminal, which is given back on every way out.
#include "game/game.h"
#include "platform/command_line.h"
#include "platform/terminal/terminal_program.h"

int main(int argc, char** argv) {
    using namespace patrulha::platform;
    Options options;
    if (const int status =
            answer_command_line(argc, argv, options, kRecordAndReplay | kCast | kSound);
        status >= 0)
        return status;
    return run_on_terminal(
        "patrulha", [] { return patrulha::main(); }, options);
}
