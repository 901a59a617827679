// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Code page 850 as the console font shows it: codes 1 to 31 and 127 as the
// font's symbols, 32 to 126 as ASCII, 128 to 255 as code page 850.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace patrulha::platform {

// The Unicode character a console code shows. Code 0 shows as a blank.
char32_t cp850_to_unicode(std::uint8_t code);

// The code of a typed character: ASCII as itself, the characters of codes
// 128 to 255 as their code, anything else nothing. The symbols of codes 1 to
// 31 are not typed characters and give nothing.
std::optional<std::uint8_t> unicode_to_cp850(char32_t character);

// Appends `c` to `out` in UTF-8.
void append_utf8(std::string& out, char32_t c);

}  // namespace patrulha::platform
