// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The runtime services of console/services.h, over the platform runtime.
#include "console/services.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/runtime.h"

namespace patrulha {

using platform::Runtime;

int _getch() {
    return Runtime::instance().getch();
}

int _kbhit() {
    return Runtime::instance().kbhit() ? 1 : 0;
}

void _beep(unsigned frequency, unsigned duration) {
    Runtime::instance().beep(frequency, duration);
}

void _sleep(unsigned long milliseconds) {
    Runtime::instance().sleep(milliseconds);
}

int printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    // Most of what the game prints is one glyph ("%c") or a fixed text,
    // dozens of times a frame: those need no formatting.
    if (format[0] == '%' && format[1] == 'c' && format[2] == '\0') {
        const char code = static_cast<char>(va_arg(args, int));
        va_end(args);
        Runtime::instance().write({&code, 1});
        return 1;
    }
    if (std::strchr(format, '%') == nullptr) {
        va_end(args);
        const std::string_view text(format);
        Runtime::instance().write(text);
        return static_cast<int>(text.size());
    }
    char small[512];
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return length;
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        va_end(again);
        Runtime::instance().write({small, static_cast<std::size_t>(length)});
        return length;
    }
    std::string large(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(large.data(), large.size(), format, again);
    va_end(again);
    Runtime::instance().write({large.data(), static_cast<std::size_t>(length)});
    return length;
}

int _putch(int code) {
    const char c = static_cast<char>(code);
    Runtime::instance().write({&c, 1});
    return code;
}

int _cputs(const char* text) {
    Runtime::instance().write(text);
    return 0;
}

int rand() {
    return Runtime::instance().random().next();
}

void srand(unsigned seed) {
    Runtime::instance().random().seed(seed);
}

std::time_t time(std::time_t* out) {
    const std::time_t now = Runtime::instance().wall_time();
    if (out) *out = now;
    return now;
}

char* strcpy(char* destination, const char* source) {
    return std::strcpy(destination, source);
}

}  // namespace patrulha
