// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/terminfo.h"

// Before <term.h>, whose macros would rename the backend's members.
// clang-format off
#include "platform/terminal/terminal_backend.h"
// clang-format on

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// <term.h> names a macro after every capability; these are field names here.
#undef eat_newline_glitch
#undef orig_pair
#undef bell
#undef carriage_return
#undef erase_chars
#undef cursor_address

namespace patrulha::platform {

namespace {

bool present(const char* value) {
    return value != nullptr && value != reinterpret_cast<const char*>(-1);
}

// Padding ("$<5>", "$<2*/>") is a delay that only tputs understands; written
// raw it would show as text. Terminals that need it are long gone.
std::string without_padding(const char* value) {
    if (!present(value)) return {};
    const std::string s = value;
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '$' && i + 1 < s.size() && s[i + 1] == '<') {
            const std::size_t end = s.find('>', i);
            if (end != std::string::npos) {
                i = end;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// A string capability of the current terminal, or "" when it has none.
std::string capability(const char* name) {
    return without_padding(tigetstr(name));
}

// A parameterised string capability expanded for `a` (and `b`), or "".
std::string expanded(const char* name, int a, int b = 0) {
    const char* templ = tigetstr(name);
    if (!present(templ)) return {};
    return without_padding(tiparm(templ, a, b));
}

bool flag(const char* name) {
    return tigetflag(name) > 0;
}

bool set_up(const char* term) {
    int status = 0;
    return setupterm(term, STDOUT_FILENO, &status) == OK;
}

// Why the description of `term` could not be read: the library answers only
// "not found", whether the file is missing or could not be opened at all.
std::string unreadable_reason(const char* term, int status, int error) {
    // Out of descriptors, every open fails, this one too.
    const int probe = ::dup(STDERR_FILENO);
    if (probe >= 0) {
        ::close(probe);
    } else if (errno == EMFILE || errno == ENFILE) {
        return std::string("cannot read the description of terminal type '") + term +
               "': " + std::strerror(errno);
    }
    if (error == ENOMEM)
        return std::string("cannot read the description of terminal type '") + term +
               "': " + std::strerror(error);
    if (status < 0) return "the terminal description database cannot be found";
    return std::string("unknown terminal type '") + term + "'";
}

}  // namespace

std::string terminal_unusable_reason(const char* term) {
    if (!term || !*term) return "TERM is not set, so the terminal cannot be driven";
    int status = 0;
    errno = 0;
    if (setupterm(term, STDOUT_FILENO, &status) != OK) {
        const int error = errno;
        return unreadable_reason(term, status, error);
    }
    const bool addressable = present(tigetstr("cup"));
    del_curterm(cur_term);
    if (!addressable)
        return std::string("terminal type '") + term +
               "' cannot move the cursor; the game needs one that can";
    return {};
}

bool terminal_known(const std::string& term) {
    TERMINAL* previous = cur_term;
    int status = 0;
    const bool known = setupterm(term.c_str(), STDOUT_FILENO, &status) == OK;
    if (known) del_curterm(cur_term);
    set_curterm(previous);
    return known;
}

std::string richer_term(const std::string& term, const std::function<const char*(const char*)>& env,
                        const std::function<bool(const std::string&)>& exists) {
    // Terminals that prove themselves by a variable of their own.
    struct Named {
        const char* term;
        const char* variable;
        const char* richer;
    };
    for (const Named& named : {Named{"screen", "STY", "screen-256color"},
                               Named{"mlterm", "MLTERM", "mlterm-256color"}}) {
        if (term != named.term) continue;
        const char* value = env(named.variable);
        return value && *value && exists(named.richer) ? named.richer : term;
    }
    if (term != "xterm" && term != "xterm-color") return term;
    bool proven = false;
    for (const char* name :
         {"XTERM_VERSION", "VTE_VERSION", "COLORTERM", "KITTY_WINDOW_ID", "KONSOLE_VERSION"}) {
        const char* value = env(name);
        if (value && *value) proven = true;
    }
    if (!proven) return term;
    for (const char* richer : {"xterm-256color", "xterm-16color"})
        if (exists(richer)) return richer;
    return term;
}

TerminalStrings load_terminal_strings(const std::string& term) {
    if (!set_up(term.c_str()))
        throw TerminalError("cannot load the description of terminal type '" + term + "'");
    TerminalStrings t;
    const int colours = tigetnum("colors");
    t.colours = colours > 0 ? colours : 0;
    t.back_colour_erase = flag("bce");
    t.auto_margins = flag("am");
    t.eat_newline_glitch = flag("xenl");
    t.move_in_attributes = flag("msgr");
    t.sgr0 = capability("sgr0");
    t.bold = capability("bold");
    t.reverse = capability("rev");
    t.orig_pair = capability("op");
    t.enter_acs = capability("smacs");
    t.exit_acs = capability("rmacs");
    t.enable_acs = capability("enacs");
    t.hide_cursor = capability("civis");
    t.show_cursor = capability("cnorm");
    t.strong_cursor = capability("cvvis");
    t.enter_ca = capability("smcup");
    t.exit_ca = capability("rmcup");
    t.keypad_on = capability("smkx");
    t.keypad_off = capability("rmkx");
    t.clear = capability("clear");
    t.bell = capability("bel");
    t.carriage_return = capability("cr");
    t.home = capability("home");
    t.right1 = capability("cuf1");
    t.left1 = capability("cub1");
    t.up1 = capability("cuu1");
    t.down1 = capability("cud1");
    for (int n = 1; n <= ConsoleBuffer::kWidth; ++n) {
        const auto i = static_cast<std::size_t>(n);
        t.right[i] = expanded("cuf", n);
        t.left[i] = expanded("cub", n);
        t.erase_chars[i] = expanded("ech", n);
    }
    for (int n = 1; n <= ConsoleBuffer::kHeight; ++n) {
        t.up[static_cast<std::size_t>(n)] = expanded("cuu", n);
        t.down[static_cast<std::size_t>(n)] = expanded("cud", n);
    }
    for (int x = 0; x < ConsoleBuffer::kWidth; ++x)
        t.column[static_cast<std::size_t>(x)] = expanded("hpa", x);
    for (int y = 0; y < ConsoleBuffer::kHeight; ++y)
        t.row[static_cast<std::size_t>(y)] = expanded("vpa", y);
    t.move_to.resize(kConsoleCells);
    for (int y = 0; y < ConsoleBuffer::kHeight; ++y)
        for (int x = 0; x < ConsoleBuffer::kWidth; ++x)
            t.move_to[static_cast<std::size_t>(y * ConsoleBuffer::kWidth + x)] =
                expanded("cup", y, x);
    t.cursor_address = capability("cup");

    // Colours in ANSI numbering. Old descriptions have only setf and setb,
    // which number them as the console does (blue 1, red 4).
    const bool ansi = present(tigetstr("setaf")) && present(tigetstr("setab"));
    const int usable = t.colours >= 16 ? 16 : t.colours >= 8 ? 8 : 0;
    for (int c = 0; c < usable; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int other = ansi_colour(c);  // the swap back
        t.foreground[i] = ansi ? expanded("setaf", c) : expanded("setf", other);
        t.background[i] = ansi ? expanded("setab", c) : expanded("setb", other);
    }

    const std::string pairs = capability("acsc");
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const auto key = static_cast<unsigned char>(pairs[i]);
        if (key < 128) t.acs[key] = pairs[i + 1];
    }
    return t;
}

std::string cursor_to(const std::string& cursor_address, int row, int column) {
    if (cursor_address.empty()) return {};
    return tiparm(cursor_address.c_str(), row, column);
}

}  // namespace patrulha::platform
