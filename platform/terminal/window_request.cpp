// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/window_request.h"

namespace patrulha::platform {

ResizeTrust resize_trust(const std::string& term,
                         const std::function<const char*(const char*)>& env) {
    const auto set = [&](const char* name) {
        const char* value = env(name);
        return value && *value;
    };
    if (set("TMUX") || set("STY") || term.rfind("screen", 0) == 0 || term.rfind("tmux", 0) == 0)
        return ResizeTrust::Never;
    // Variables pass on to the terminals started from a terminal: any sign
    // of Konsole counts against, and xterm's say is asked for even with a
    // VTE's variable beside it.
    if (set("KONSOLE_VERSION")) return ResizeTrust::Never;
    if (set("XTERM_VERSION")) return ResizeTrust::AfterAsking;
    if (set("VTE_VERSION")) return ResizeTrust::Send;
    return ResizeTrust::Never;
}

std::string resize_request(int rows, int columns) {
    return "\033[8;" + std::to_string(rows) + ";" + std::to_string(columns) + "t";
}

namespace {

bool digits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

TerminalAnswers sort_answers(const std::string& bytes) {
    TerminalAnswers answers;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes.compare(i, 2, "\033[") != 0) {
            answers.rest += bytes[i++];
            continue;
        }
        // A control sequence: parameters, then a final byte from @ to ~.
        std::size_t end = i + 2;
        while (end < bytes.size() && (bytes[end] < 0x40 || bytes[end] > 0x7e)) ++end;
        if (end == bytes.size()) {
            answers.rest += bytes.substr(i);
            break;
        }
        const std::string parameters = bytes.substr(i + 2, end - i - 2);
        const char final = bytes[end];
        if (final == 't' && parameters.rfind("8;", 0) == 0) {
            const std::string size = parameters.substr(2);
            const auto semicolon = size.find(';');
            if (semicolon != std::string::npos && digits(size.substr(0, semicolon)) &&
                digits(size.substr(semicolon + 1)))
                answers.size_reported = true;
            else
                answers.rest += bytes.substr(i, end + 1 - i);
        } else if (final == 'c' && parameters.rfind('?', 0) == 0) {
            answers.attributes_came = true;
        } else {
            answers.rest += bytes.substr(i, end + 1 - i);
        }
        i = end + 1;
    }
    return answers;
}

}  // namespace patrulha::platform
