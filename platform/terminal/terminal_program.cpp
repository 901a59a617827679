// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/terminal_program.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <optional>
#include <string>

#include "platform/output_file.h"
#include "platform/program.h"
#include "platform/replay_session.h"
#include "platform/runtime.h"
#include "platform/terminal/asciicast.h"
#include "platform/terminal/cast_backend.h"
#include "platform/terminal/signals.h"
#include "platform/terminal/terminal_backend.h"
#include "platform/terminal/terminfo.h"

namespace patrulha::platform {

namespace {

// Once the backend is given back: the replay's end written, the runtime
// detached, the failure and the replay's verdict said under `name`; the
// status to exit with.
int conclude(const char* name, int status, const std::string& failure, ReplaySession& session) {
    std::string message;
    status = session.finish(status, message);
    Runtime::instance().detach();
    if (!failure.empty()) std::fprintf(stderr, "%s: %s\n", name, failure.c_str());
    if (!message.empty()) std::fprintf(stderr, "%s: %s\n", name, message.c_str());
    return status;
}

// Runs `body` on the terminal and gives the terminal back; the status.
int run_and_restore(const char* name, const std::function<int()>& body, ReplaySession& session,
                    Asciicast* cast, SoundChoice sound, bool& started) {
    try {
        TerminalBackend terminal(sound, cast);
        started = true;
        std::string failure;
        const int status = run_attached(terminal, session.wrap(body), failure);
        terminal.restore();
        return conclude(name, status, failure, session);
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

// A replay turned into a cast with no terminal and no waiting.
int run_into_cast(const char* name, const std::function<int()>& body, ReplaySession& session,
                  OutputFile& cast_file) {
    try {
        const std::string term = cast_term(std::getenv("TERM"));
        Asciicast cast(cast_file.get(), term, std::time(nullptr), false);
        CastBackend backend(term, cast);
        std::string failure;
        const int status = run_attached(backend, session.wrap(body), failure);
        backend.finish();
        return conclude(name, status, failure, session);
    } catch (const TerminalError& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    }
}

void terminal_size(int& columns, int& rows) {
    winsize size{};
    columns = ConsoleBuffer::kWidth;
    rows = ConsoleBuffer::kHeight;
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns = size.ws_col;
        rows = size.ws_row;
    }
}

}  // namespace

int run_on_terminal(const char* name, const std::function<int()>& body, const Options& options) {
    std::setlocale(LC_ALL, "");
    // Every file the options name is checked before the terminal is touched.
    int columns = 0, rows = 0;
    terminal_size(columns, rows);
    ReplaySession session;
    OutputFile cast_file;
    std::string error;
    if (!session.prepare(options, columns, rows, error) ||
        (!options.cast.empty() && !cast_file.open(options.cast, error))) {
        std::fprintf(stderr, "%s: %s\n", name, error.c_str());
        return 2;
    }
    if (session.replaying() && cast_file.is_open()) {
        if (!cast_file.start()) {
            std::fprintf(stderr, "%s: %s: cannot be written\n", name, options.cast.c_str());
            return 2;
        }
        const int status = run_into_cast(name, body, session, cast_file);
        if (!cast_file.close()) {
            std::fprintf(stderr, "%s: %s: could not be written whole\n", name,
                         options.cast.c_str());
            return 1;
        }
        return status;
    }
    if (const std::string failure = install_signal_handlers(); !failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", name, failure.c_str());
        return 1;
    }
    std::optional<Asciicast> cast;
    if (cast_file.is_open()) {
        // The terminal's own checks first, so that a terminal the game cannot
        // use leaves no cast behind.
        const char* term = std::getenv("TERM");
        if (::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO) &&
            terminal_unusable_reason(term).empty() && cast_file.start())
            cast.emplace(cast_file.get(), cast_term(term), std::time(nullptr), true);
    }
    bool started = false;
    const int status =
        run_and_restore(name, body, session, cast ? &*cast : nullptr, options.sound, started);
    if (started && cast)
        cast_file.close();
    else
        cast_file.abandon();
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
