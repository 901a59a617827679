#include "platform/terminal/terminal_program.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>

#include "platform/runtime.h"
#include "platform/terminal/terminal_backend.h"

namespace patrulha::platform {

int run_on_terminal(const char* name, const std::function<int()>& body) {
    std::setlocale(LC_ALL, "");
    install_signal_handlers();
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

}  // namespace patrulha::platform
