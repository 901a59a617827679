// The process entry: reads the command line, takes over the terminal, runs
// the game on it, and gives the terminal back on every way out.
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>

#include "game/game.h"
#include "platform/runtime.h"
#include "platform/terminal/terminal_backend.h"

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
    "       S pause   C back to the menu   D quit\n";

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

    std::setlocale(LC_ALL, "");
    using namespace patrulha::platform;
    install_signal_handlers();
    try {
        TerminalBackend terminal;
        Runtime::instance().attach(terminal);
        int status = 0;
        try {
            patrulha::main();
        } catch (const Interrupted& interrupted) {
            status = 128 + interrupted.signal;
        } catch (const TerminalGone&) {
            status = 1;
        } catch (const std::exception& error) {
            terminal.restore();
            std::fprintf(stderr, "patrulha: %s\n", error.what());
            status = 1;
        }
        terminal.restore();
        Runtime::instance().detach();
        return status;
    } catch (const TerminalError& error) {
        std::fprintf(stderr, "patrulha: %s\n", error.what());
        return 1;
    }
}
