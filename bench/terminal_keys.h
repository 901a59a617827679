// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What the terminal in use sends for its keys, from its terminfo entry.
// Kept apart because the terminfo header's macros clash with C++ names.
#pragma once

#include <string>

namespace patrulha::bench {

// The bytes of the key `capability` ("kcuu1" for cursor up), or `fallback`
// when the entry has none. Needs the terminal's entry loaded first
// (setupterm, as the terminal backend does when it starts).
std::string terminal_key(const char* capability, const char* fallback);

}  // namespace patrulha::bench
