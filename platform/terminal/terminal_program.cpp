#include "platform/terminal/terminal_program.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>

#include "platform/runtime.h"
#include "platform/terminal/signals.h"
#include "platform/terminal/terminal_backend.h"

namespace patrulha::platform {

namespace {

// Runs `body` on the terminal and gives the terminal back; the status.
int run_and_restore(const char* name, const std::function<int()>& body) {
    try {
        TerminalBackend terminal;
        Runtime::instance().attach(terminal);
        int status = 0;
        const char* failure = nullptr;
        std::string message;
        try {
            status = body();
        } catch (const Interrupted& interrupted) {
            status = 128 + interrupted.signal;
        } catch (const TerminalGone&) {
            status = 1;
        } catch (const std::exception& error) {
            message = error.what();
            failure = message.c_str();
            status = 1;
        } catch (...) {
            failure = "unexpected error";
            status = 1;
        }
        terminal.restore();
        Runtime::instance().detach();
        if (failure) std::fprintf(stderr, "%s: %s\n", name, failure);
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
