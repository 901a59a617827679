#include "platform/command_line.h"

#include <cstdio>
#include <cstring>

#ifndef PATRULHA_VERSION
#define PATRULHA_VERSION "0.0.0"
#endif

namespace patrulha::platform {

namespace {

constexpr const char* kUsage =
    "usage: patrulha [--help | --version]\n"
    "\n"
    "Patrulha Estelar, a shooting game for the text terminal (80 x 42 or larger).\n"
    "\n"
    "Menu:  1-4 difficulty   5 options   Esc quit\n"
    "Game:  arrows move   X re-centre   Z fire   A special bomb\n"
    "       S pause   C back to the menu   D quit\n"
#ifdef _WIN32
    "Ctrl-C quits at any time.\n";
#else
    "Ctrl-Z suspends; Ctrl-C quits at any time.\n";
#endif

// Writes `text` to standard output and makes sure it got there: a usage
// that could not be written is a failure, not a success.
int answer(const char* text) {
    const bool written = std::fputs(text, stdout) >= 0;
    const bool flushed = std::fflush(stdout) == 0;
    return written && flushed && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int answer_command_line(int argc, char** argv) {
    if (argc <= 1) return -1;
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "--version") == 0) {
        // The one argument it takes is right; anything after it is not.
        if (argc == 2) {
            if (first[2] == 'h') return answer(kUsage);
            return answer("patrulha " PATRULHA_VERSION "\n");
        }
        first = argv[2];
    }
    std::fprintf(stderr, "patrulha: unknown argument '%s'\n", first);
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace patrulha::platform
