// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The runtime services that the game, the screens and the console library
// call: keyboard, sound, delay, text output and random numbers, under the
// names the game calls them by.
//
// Everything here lives in namespace patrulha, so that code inside that
// namespace calling printf, rand or time unqualified reaches these and never
// the C library's. The implementations are in platform/ and work on the
// in-memory console screen buffer; the process's standard output is never
// written by them.
#pragma once

#include <cstdint>
#include <ctime>

namespace patrulha {

// Waits for a key and returns its code, without echo. A two-code key (a
// cursor key, an F-key) takes two calls: 0 or 224 first, then its code.
int _getch();

// Non-zero while a key code is waiting; consumes nothing. True between the
// two codes of a two-code key.
int _kbhit();

// Sounds a tone of `frequency` hertz and returns when its `duration`
// milliseconds are over.
void _beep(unsigned frequency, unsigned duration);

// Returns after `milliseconds`; 0 returns at once.
void _sleep(unsigned long milliseconds);

// GCC and clang check printf's arguments against its format; other
// compilers (Visual Studio's) have no such attribute and check nothing.
#if defined(__GNUC__) || defined(__clang__)
#define PATRULHA_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define PATRULHA_PRINTF_FORMAT
#endif

// Formats into the console at the cursor, in the current attribute, moving
// the cursor on. Understands the conversions of the C library's printf; "%c"
// writes one code, 0 to 255. Codes 7, 8, 9, 10 and 13 act as controls.
int printf(const char* format, ...) PATRULHA_PRINTF_FORMAT;

// Writes one code at the cursor, as printf("%c") does; returns the code.
int _putch(int code);

// Writes a NUL-terminated text at the cursor; returns 0.
int _cputs(const char* text);

// A pseudo-random number from 0 to 32767.
int rand();
void srand(unsigned seed);

// The current calendar time in seconds; also stored through `out` when it
// is not null.
std::time_t time(std::time_t* out);

// Copies a NUL-terminated text, terminator included; returns `destination`.
char* strcpy(char* destination, const char* source);

}  // namespace patrulha
