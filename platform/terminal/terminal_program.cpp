#include "platform/terminal/terminal_program.h"

#include <clocale>
#include <cstdio>
#include <string>

#include "platform/program.h"
#include "platform/runtime.h"
#include "platform/terminal/signals.h"
#include "platform/terminal/terminal_backend.h"

namespace patrulha::platform {

namespace {

// Runs `body` on the terminal and gives the terminal back; the status.
int run_and_restore(const char* name, const std::function<int()>& body) {
    try {
        TerminalBackend terminal;
        std::string failure;
        const int status = run_attached(terminal, body, failure);
        terminal.restore();
        Runtime::instance().detach();
        if (!failure.empty()) std::fprintf(stderr, "%s: %s\n", name, failure.c_str());
        return status;
    } catch (const TerminalError& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    }
}

}  // namespace

int run_on_terminal(const char* name, const std::function<int()>& body) {
    std::setlocale(LC_ALL, "");
    install_signal_handlers();
    const int status = run_and_restore(name, body);
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
