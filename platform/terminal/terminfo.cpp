#include "platform/terminal/terminfo.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cstdlib>

namespace patrulha::platform {

namespace {

// A string capability of the terminal open now, or "" when it has none.
std::string capability(const char* name) {
    const char* value = tigetstr(const_cast<char*>(name));
    if (value == nullptr || value == reinterpret_cast<char*>(-1)) return {};
    return value;
}

// Padding ("$<5>", "$<2*/>") is a delay that only tputs understands; written
// raw it would show as text.
std::string without_padding(const std::string& s) {
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

}  // namespace

std::string terminal_unusable_reason() {
    const char* term = std::getenv("TERM");
    if (!term || !*term) return "TERM is not set, so the terminal cannot be driven";
    int status = 0;
    if (setupterm(term, STDOUT_FILENO, &status) != OK)
        return std::string("unknown terminal type '") + term + "'";
    const char* cup = tigetstr(const_cast<char*>("cup"));
    const bool addressable = cup != nullptr && cup != reinterpret_cast<char*>(-1);
    del_curterm(cur_term);
    if (!addressable)
        return std::string("terminal type '") + term +
               "' cannot move the cursor; the game needs one that can";
    return {};
}

std::string terminal_reset_string() {
    std::string reset;
    for (const char* name : {"sgr0", "op", "cnorm", "rmkx", "rmcup"})
        reset += without_padding(capability(name));
    return reset;
}

std::string line_drawing_keys() {
    const std::string pairs = capability("acsc");
    std::string keys;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) keys += pairs[i];
    return keys;
}

}  // namespace patrulha::platform
