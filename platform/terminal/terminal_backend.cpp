#include "platform/terminal/terminal_backend.h"

#include <curses.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <langinfo.h>

#include "platform/cp850.h"
#include "platform/terminal/terminfo.h"

namespace patrulha::platform {

// ==== Signals ====

namespace {

volatile std::sig_atomic_t pending_signal = 0;
int signal_pipe[2] = {-1, -1};

extern "C" void on_signal(int sig) {
    pending_signal = sig;
    if (signal_pipe[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(signal_pipe[1], &byte, 1);
        errno = saved;
    }
}

}  // namespace

void install_signal_handlers() {
    if (signal_pipe[0] < 0 && ::pipe(signal_pipe) == 0) {
        for (const int fd : signal_pipe) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: waits wake up and look at the flag
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &action, nullptr);
}

void TerminalBackend::check_signals() {
    if (signal_pipe[0] >= 0) {
        char sink[64];
        while (::read(signal_pipe[0], sink, sizeof sink) > 0) {
        }
    }
    if (const int sig = pending_signal) throw Interrupted{sig};
}

// ==== Opening and restoring ====

struct TerminalBackend::Screen {
    SCREEN* screen = nullptr;
};

namespace {

// Console colour numbers (blue is 1, red is 4) to ANSI ones (red is 1).
constexpr short kAnsi[8] = {COLOR_BLACK, COLOR_BLUE,    COLOR_GREEN,  COLOR_CYAN,
                            COLOR_RED,   COLOR_MAGENTA, COLOR_YELLOW, COLOR_WHITE};

bool locale_is_utf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

}  // namespace

TerminalBackend::TerminalBackend() : screen_(std::make_unique<Screen>()) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO))
        throw TerminalError("needs an interactive terminal on standard input and output");
    if (const std::string reason = terminal_unusable_reason(); !reason.empty())
        throw TerminalError(reason);
    const char* term = std::getenv("TERM");

    utf8_ = locale_is_utf8();
    screen_->screen = newterm(term, stdout, stdin);
    if (!screen_->screen) throw TerminalError(std::string("cannot open terminal '") + term + "'");
    set_term(screen_->screen);
    active_ = true;

    cbreak();  // Ctrl-C still sends SIGINT
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    intrflush(stdscr, FALSE);
    typeahead(-1);
    set_escdelay(25);
    leaveok(stdscr, FALSE);

    if (has_colors()) {
        start_color();
        colour_mode_ = (COLORS >= 16 && COLOR_PAIRS > 256) ? ColourMode::Full : ColourMode::Eight;
    } else {
        colour_mode_ = ColourMode::None;
    }
    erase();
}

TerminalBackend::~TerminalBackend() { restore(); }

void TerminalBackend::restore() {
    if (!active_) return;
    active_ = false;
    curs_set(1);
    endwin();
    delscreen(screen_->screen);
    screen_->screen = nullptr;
    std::fflush(stdout);
}

// ==== Presenting ====

short TerminalBackend::pair_for(std::uint16_t attribute, unsigned& extra) {
    const int fg = attribute & 15, bg = (attribute >> 4) & 15;
    extra = 0;
    switch (colour_mode_) {
    case ColourMode::None:
        if (bg != 0) extra |= A_REVERSE;
        if (fg & 8) extra |= A_BOLD;
        return 0;
    case ColourMode::Eight: {
        // Bright foregrounds by bold; bright backgrounds by their dark twin.
        if (fg & 8) extra |= A_BOLD;
        const int pair = 1 + (fg & 7) + 16 * (bg & 7);
        if (!pair_ready_[pair]) {
            init_pair(static_cast<short>(pair), kAnsi[fg & 7], kAnsi[bg & 7]);
            pair_ready_[pair] = true;
        }
        return static_cast<short>(pair);
    }
    case ColourMode::Full: {
        const int pair = 1 + fg + 16 * bg;
        if (!pair_ready_[pair]) {
            init_pair(static_cast<short>(pair), static_cast<short>(kAnsi[fg & 7] + (fg & 8)),
                      static_cast<short>(kAnsi[bg & 7] + (bg & 8)));
            pair_ready_[pair] = true;
        }
        return static_cast<short>(pair);
    }
    }
    return 0;
}

void TerminalBackend::draw_cell(int x, int y, const Cell& cell) {
    unsigned extra = 0;
    const short pair = pair_for(cell.attribute, extra);
    wchar_t text[2] = {static_cast<wchar_t>(cp850_to_unicode(cell.code)), L'\0'};
    if (!utf8_ && text[0] > 126) text[0] = L'?';
    cchar_t c;
    setcchar(&c, text, static_cast<attr_t>(extra), pair, nullptr);
    mvadd_wch(y, x, &c);
}

void TerminalBackend::present(const ConsoleBuffer& console) {
    check_signals();
    const int rows = std::min(LINES, ConsoleBuffer::kHeight);
    const int cols = std::min(COLS, ConsoleBuffer::kWidth);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            const Cell& cell = console.at({x, y});
            Cell& shown = front_[static_cast<std::size_t>(y * ConsoleBuffer::kWidth + x)];
            if (!redraw_all_ && shown == cell) continue;
            draw_cell(x, y, cell);
            shown = cell;
        }
    redraw_all_ = false;

    const Point cursor = console.cursor();
    const bool visible = console.cursor_visible() && cursor.x < COLS && cursor.y < LINES;
    const int mode = visible ? (console.cursor_size() >= 50 ? 2 : 1) : 0;
    if (mode != cursor_mode_) {
        curs_set(mode);
        cursor_mode_ = mode;
    }
    if (visible) move(cursor.y, cursor.x);
    wnoutrefresh(stdscr);
    doupdate();
}

// ==== Time ====

std::int64_t TerminalBackend::now_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

void TerminalBackend::sleep_us(std::int64_t us) {
    const std::int64_t until = now_us() + us;
    timespec ts{static_cast<time_t>(until / 1'000'000), static_cast<long>(until % 1'000'000) * 1000};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR)
        check_signals();
}

std::time_t TerminalBackend::wall_time() { return std::time(nullptr); }

// ==== Keys ====

namespace {

NamedKey named_key(int key) {
    switch (key) {
    case KEY_UP: return NamedKey::Up;
    case KEY_DOWN: return NamedKey::Down;
    case KEY_LEFT: return NamedKey::Left;
    case KEY_RIGHT: return NamedKey::Right;
    case KEY_HOME: case KEY_FIND: case KEY_A1: return NamedKey::Home;
    case KEY_END: case KEY_SELECT: case KEY_C1: return NamedKey::End;
    case KEY_PPAGE: case KEY_A3: return NamedKey::PageUp;
    case KEY_NPAGE: case KEY_C3: return NamedKey::PageDown;
    case KEY_IC: return NamedKey::Insert;
    case KEY_DC: return NamedKey::Delete;
    case KEY_ENTER: return NamedKey::Enter;
    case KEY_BACKSPACE: return NamedKey::Backspace;
    default: break;
    }
    if (key >= KEY_F(1) && key <= KEY_F(12))
        return static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + key - KEY_F(1));
    return NamedKey::Other;
}

std::int64_t now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

}  // namespace

void TerminalBackend::drain_input() {
    wint_t c = 0;
    for (;;) {
        const int kind = wget_wch(stdscr, &c);
        if (kind == ERR) break;
        if (kind == KEY_CODE_YES) {
            if (c == KEY_RESIZE) {
                erase();
                redraw_all_ = true;
                continue;
            }
            decoder_.feed_key(named_key(static_cast<int>(c)), now_ms());
        } else {
            decoder_.feed_char(static_cast<char32_t>(c), now_ms());
        }
    }
    decoder_.end_burst(now_ms());
}

void TerminalBackend::read_keys(std::deque<int>& keys, bool wait) {
    for (;;) {
        check_signals();
        drain_input();
        auto& decoded = decoder_.codes();
        while (!decoded.empty()) {
            keys.push_back(decoded.front());
            decoded.pop_front();
        }
        if (!keys.empty() || !wait) return;

        // Sleep until the terminal or a signal has something for us; wake
        // now and then only while a partial escape sequence may go stale.
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signal_pipe[0], POLLIN, 0}};
        const int timeout = decoder_.pending() ? static_cast<int>(KeyDecoder::kStaleSequenceMs) : -1;
        const int ready = ::poll(fds, signal_pipe[0] >= 0 ? 2 : 1, timeout);
        if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) throw TerminalGone{};
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            int available = 0;
            if (::ioctl(STDIN_FILENO, FIONREAD, &available) == 0 && available == 0) {
                // Readable with nothing to read: the end of input.
                drain_input();
                if (decoder_.codes().empty()) throw TerminalGone{};
            }
        }
    }
}

// ==== Sound and the console's size ====

void TerminalBackend::beep(unsigned, unsigned) {}

void TerminalBackend::bell() { ::beep(); }

void TerminalBackend::request_full_console() {
    if (LINES >= ConsoleBuffer::kHeight && COLS >= ConsoleBuffer::kWidth) return;
    // Only xterm and its kin honour the window operation that resizes; a
    // multiplexer in between would pass it to nobody.
    const char* term = std::getenv("TERM");
    if (!term || std::strncmp(term, "xterm", 5) != 0 || std::getenv("TMUX")) return;
    std::fputs("\033[8;42;80t", stdout);
    std::fflush(stdout);
}

}  // namespace patrulha::platform
