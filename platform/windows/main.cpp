// The process entry of patrulha.exe: reads the command line, then runs the
// game on the Windows console, which is given back on every way out.
#include "game/game.h"
#include "platform/command_line.h"
#include "platform/windows/windows_program.h"

int main(int argc, char** argv) {
    using namespace patrulha::platform;
    Options options;
    if (const int status = answer_command_line(argc, argv, options, 0); status >= 0) return status;
    return run_on_console("patrulha", L"Patrulha Estelar", [] { return patrulha::main(); });
}
