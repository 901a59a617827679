// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
#include "platform/terminal/cast_backend.h"

#include "platform/terminal/terminfo.h"

namespace patrulha::platform {

std::string cast_term(const char* term) {
    if (term && *term && terminal_known(term)) return term;
    return "xterm-256color";
}

CastBackend::CastBackend(const std::string& term, Asciicast& cast)
    : writer_(load_terminal_strings(term), true), cast_(cast) {
    writer_.forget();
    const TerminalStrings& t = writer_.strings();
    cast_.output(0, t.clear + t.hide_cursor);
}

void CastBackend::present(const ConsoleBuffer& console) {
    cast_.output(now_us_, writer_.present(console));
}

void CastBackend::bell() {
    cast_.output(now_us_, writer_.strings().bell);
}

void CastBackend::finish() {
    cast_.output(now_us_, writer_.plain() + writer_.strings().show_cursor);
}

}  // namespace patrulha::platform
