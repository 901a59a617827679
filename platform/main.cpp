// The process entry: reads the command line, then runs the game on the
// terminal, which is given back on every way out.
#include <cstdio>
#include <cstring>

#include "game/game.h"
#include "platform/terminal/terminal_program.h"

#ifndef PATRULHA_VERSION
#define PATRULHA_VERSION "0.0.0"
#endif

namespace {

constexpr const char* kUsage =
    "usage: patrulha [--help | --version]\n"
    "\n"
    "Patrulha Estelar, a shooting game for the text terminal (80 x 42 or larger).\n"
    "\n"
    "Menu:  1-4 difficulty   5 options   Esc quit\n"
    "Game:  arrows move   X re-centre   Z fire   A special bomb\n"
    "       S pause   C back to the menu   D quit\n"
    "Ctrl-Z suspends; Ctrl-C quits at any time.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
            std::printf("patrulha %s\n", PATRULHA_VERSION);
            return 0;
        }
        std::fprintf(stderr, "patrulha: unknown argument '%s'\n", argv[1]);
        std::fputs(kUsage, stderr);
        return 2;
    }
    return patrulha::platform::run_on_terminal("patrulha", [] { return patrulha::main(); });
}
