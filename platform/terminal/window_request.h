// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Asking the terminal for a larger window: to which terminals the game may
// send the resize request, and reading what a terminal answers when asked.
// Pure: the backend does the writing and reading.
#pragma once

#include <functional>
#include <string>

namespace patrulha::platform {

// How far a terminal can be trusted with the resize request.
enum class ResizeTrust {
    Never,        // unknown, or known to take the request wrongly
    AfterAsking,  // honours it only where allowed, and then answers a size report
    Send,         // honours it and reports the new size truthfully
};

// The trust for a terminal that calls itself `term`, with the environment
// read through `env`. Only the terminals that prove themselves get the
// request: VTE terminals (VTE_VERSION) grow and report the truth; xterm
// (XTERM_VERSION) grows only with its window operations allowed, which its
// answer to a size report tells. Never Konsole (KONSOLE_VERSION), which
// reports the size asked for on the terminal while its window stays as it
// was, nor a multiplexer (TMUX, STY, a TERM of screen or tmux), which would
// take the request for its own window or pass it to nobody, nor a terminal
// that does not say what it is.
ResizeTrust resize_trust(const std::string& term,
                         const std::function<const char*(const char*)>& env);

// The request for a window of `rows` x `columns`.
std::string resize_request(int rows, int columns);

// What the terminal is asked before the request: its text area's size, then
// its device attributes, which every terminal answers, so that the second
// answer says the first will not come.
inline constexpr const char* kSizeQuestion = "\033[18t\033[c";

// What came back from the terminal after kSizeQuestion.
struct TerminalAnswers {
    bool size_reported = false;    // the text area's size came
    bool attributes_came = false;  // the device attributes came: nothing more will
    std::string rest;              // everything else: keys typed meanwhile
};

// Sorts the bytes read so far after kSizeQuestion into its answers and the
// rest. A sequence cut short at the end counts as the rest.
TerminalAnswers sort_answers(const std::string& bytes);

}  // namespace patrulha::platform
