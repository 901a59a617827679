#include "platform/terminal/terminfo.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cstdlib>

namespace patrulha::platform {

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

}  // namespace patrulha::platform
