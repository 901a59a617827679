// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "bench/terminal_keys.h"

#include <curses.h>
#include <term.h>

namespace patrulha::bench {

std::string terminal_key(const char* capability, const char* fallback) {
    const char* s = tigetstr(capability);
    if (s == nullptr || s == reinterpret_cast<const char*>(-1)) return fallback;
    return s;
}

}  // namespace patrulha::bench
