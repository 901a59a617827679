// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The terminal backend in a pseudo-terminal child (PtyChild), telling the
// test every code it decodes: the one child the pty tests of the backend's
// input run. Only the terminal tests include it.
#pragma once

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/terminal/terminal_backend.h"

namespace patrulha::testing {

// Ends what a test types; no test decodes to it.
inline constexpr char kSentinel = '#';

// A PtyChild body: runs the terminal backend, with `term` and a UTF-8
// locale, on the child's terminal and writes to `report_fd`, one a line,
// "ready" once the backend is up, each code it decodes, and "batch" after
// each read; it ends when it decodes the sentinel (or writes "error ...").
// `before_reading` runs between "ready" and the first read.
[[noreturn]] inline void report_decoded_keys(int report_fd, const char* term = "xterm-256color",
                                             const std::function<void()>& before_reading = {}) {
    ::setenv("TERM", term, 1);
    ::setenv("LANG", "C.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_CTYPE");
    std::setlocale(LC_ALL, "");
    FILE* out = ::fdopen(report_fd, "w");
    std::setvbuf(out, nullptr, _IOLBF, 0);
    try {
        platform::TerminalBackend terminal;
        std::fputs("ready\n", out);
        if (before_reading) before_reading();
        std::deque<int> keys;
        for (;;) {
            terminal.read_keys(keys, true);
            for (; !keys.empty(); keys.pop_front()) {
                std::fprintf(out, "%d\n", keys.front());
                if (keys.front() == kSentinel) {
                    terminal.restore();
                    std::fflush(out);
                    ::_exit(0);
                }
            }
            std::fputs("batch\n", out);
        }
    } catch (const std::exception& error) {
        std::fprintf(out, "error %s\n", error.what());
    } catch (...) {
        std::fputs("error\n", out);
    }
    std::fflush(out);
    ::_exit(2);
}

// Whether the report holds `line` as a whole line.
inline bool has_line(const std::string& report, const std::string& line) {
    return ("\n" + report).find("\n" + line + "\n") != std::string::npos;
}

// The codes reported before the sentinel.
inline std::vector<int> reported_codes(const std::string& report) {
    std::vector<int> codes;
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line.find_first_not_of("0123456789") != std::string::npos) continue;
        const int code = std::atoi(line.c_str());
        if (code == kSentinel) break;
        codes.push_back(code);
    }
    return codes;
}

}  // namespace patrulha::testing
