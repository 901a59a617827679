#include "platform/terminal/terminal_program.h"

#include <clocale>
#include <cstdio>
#include <new>
#include <string>

#include "platform/program.h"
#include "platform/runtime.h"
#include "platform/terminal/signals.h"
#include "platform/terminal/terminal_backend.h"

namespace patrulha::platform {

namespace {

// Runs `body` on the terminal and gives the terminal back; the status.
int run_and_restore(const char* name, const std::function<int()>& body, const Options& options) {
    try {
        TerminalBackend terminal(options.sound);
        std::string failure;
        const int status = run_attached(terminal, body, failure);
        terminal.restore();
        Runtime::instance().detach();
        if (!failure.empty()) std::fprintf(stderr, "%s: %s\n", name, failure.c_str());
        return status;
    } catch (const TerminalError& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    } catch (const std::bad_alloc&) {
        // Taking the terminal over found no memory (the game itself reports
        // its own failures through run_attached).
        std::fprintf(stderr, "%s: not enough memory to set up the terminal\n", name);
        return 1;
    }
}

}  // namespace

int run_on_terminal(const char* name, const std::function<int()>& body, const Options& options) {
    std::setlocale(LC_ALL, "");
    if (const std::string failure = install_signal_handlers(); !failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", name, failure.c_str());
        return 1;
    }
    const int status = run_and_restore(name, body, options);
    // The terminal is back and the sound thread gone. A signal that asked
    // the program to end, even one that came while it was ending by itself,
    // now ends it the way the signal's default action would have.
    if (const int sig = pending_end_signal()) {
        std::fflush(nullptr);
        end_by_signal(sig);
        return 128 + sig;
    }
    return status;
}

}  // namespace patrulha::platform
