#include "platform/terminal/terminal_backend.h"

#include <curses.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>
#include <langinfo.h>

#include "platform/cp850.h"
#include "platform/terminal/narrow_glyphs.h"
#include "platform/terminal/terminfo.h"

namespace patrulha::platform {

// ==== Signals ====

void TerminalBackend::check_signals() {
    drain_signal_wakes();
    if (const int sig = pending_end_signal()) throw Interrupted{sig};
    if (take_suspend_request()) suspend();
    if (take_continued()) resume_screen();
    if (take_resized()) {
        update_size();
        if (too_small())
            show_size_notice();
        else
            repaint();
    }
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

std::int64_t monotonic_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

}  // namespace

TerminalBackend::TerminalBackend() : screen_(std::make_unique<Screen>()) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO))
        throw TerminalError("needs an interactive terminal on standard input and output");
    if (const std::string reason = terminal_unusable_reason(); !reason.empty())
        throw TerminalError(reason);
    const char* term = std::getenv("TERM");
    ::tcgetattr(STDIN_FILENO, &saved_modes_);

    utf8_ = locale_is_utf8();
    // The window's real size wins over LINES and COLUMNS left in the
    // environment by a shell that has since been resized.
    use_env(TRUE);
    use_tioctl(TRUE);
    screen_->screen = newterm(term, stdout, stdin);
    if (!screen_->screen) throw TerminalError(std::string("cannot open terminal '") + term + "'");
    set_term(screen_->screen);
    active_ = true;
    try {
        arm_emergency_reset(terminal_reset_string(), STDOUT_FILENO, STDIN_FILENO, saved_modes_);
        line_drawing_keys_ = line_drawing_keys();

        cbreak();  // Ctrl-C, Ctrl-Z and Ctrl-\ still send their signals
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
            colour_mode_ =
                (COLORS >= 16 && COLOR_PAIRS > 256) ? ColourMode::Full : ColourMode::Eight;
        } else {
            colour_mode_ = ColourMode::None;
        }
        erase();
    } catch (...) {
        restore();
        throw;
    }
}

TerminalBackend::~TerminalBackend() { restore(); }

void TerminalBackend::restore() {
    if (!active_) return;
    active_ = false;
    sound_.silence();
    curs_set(1);
    endwin();
    delscreen(screen_->screen);
    screen_->screen = nullptr;
    std::fflush(stdout);
    disarm_emergency_reset();
}

// ==== Suspend, resume and the window's size ====

void TerminalBackend::suspend() {
    const std::int64_t stopped_at = monotonic_us();
    sound_.silence();
    endwin();
    std::fflush(stdout);
    // Given back the ordinary way: a crash while stopped has nothing to undo.
    disarm_emergency_reset();
    stop_process();
    arm_emergency_reset(terminal_reset_string(), STDOUT_FILENO, STDIN_FILENO, saved_modes_);
    take_continued();
    resume_screen();
    standstill_us_ += monotonic_us() - stopped_at;
}

void TerminalBackend::resume_screen() {
    // After a stop the shell may have changed the modes and written over
    // the screen: the program's modes go back and every cell is sent again.
    reset_prog_mode();
    update_size();
    if (too_small())
        show_size_notice();
    else
        repaint();
}

void TerminalBackend::update_size() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0)
        resize_term(size.ws_row, size.ws_col);
}

bool TerminalBackend::too_small() const {
    return LINES < ConsoleBuffer::kHeight || COLS < ConsoleBuffer::kWidth;
}

void TerminalBackend::show_size_notice() {
    const std::string needed =
        std::to_string(ConsoleBuffer::kWidth) + " x " + std::to_string(ConsoleBuffer::kHeight);
    const std::string current = std::to_string(COLS) + " x " + std::to_string(LINES);
    std::vector<std::string> lines = {"Terminal pequeno demais", "precisa: " + needed,
                                      "atual: " + current};
    // A tiny window gets the two sizes alone, as much of them as fits.
    if (LINES < 3 || COLS < static_cast<int>(lines[0].size()))
        lines = {"min " + std::to_string(ConsoleBuffer::kWidth) + "x" +
                     std::to_string(ConsoleBuffer::kHeight),
                 "tem " + std::to_string(COLS) + "x" + std::to_string(LINES)};
    const int count = static_cast<int>(lines.size());
    erase();
    clearok(curscr, TRUE);
    const int top = std::max(0, (LINES - count) / 2);
    for (int i = 0; i < count && top + i < LINES; ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        const int left = std::max(0, (COLS - static_cast<int>(line.size())) / 2);
        mvaddnstr(top + i, left, line.c_str(), COLS - left);
    }
    curs_set(0);
    cursor_mode_ = 0;
    wnoutrefresh(stdscr);
    doupdate();
}

void TerminalBackend::stand_still_while_small() {
    if (!too_small()) return;
    const std::int64_t since = monotonic_us();
    show_size_notice();
    while (too_small()) {
        wait_for_input_or_signal(-1);
        check_signals();
        // Once the window has grown back (and been repainted), what follows
        // is typed at the game again and must be kept.
        if (!too_small()) break;
        // Keys typed at the notice are not meant for a game the player
        // cannot see.
        drain_input();
        decoder_.codes().clear();
    }
    standstill_us_ += monotonic_us() - since;
}

void TerminalBackend::repaint() {
    erase();
    clearok(curscr, TRUE);
    for (int y = 0; y < ConsoleBuffer::kHeight; ++y)
        for (int x = 0; x < ConsoleBuffer::kWidth; ++x)
            draw_cell(x, y, front_[static_cast<std::size_t>(y * ConsoleBuffer::kWidth + x)]);
    cursor_mode_ = -1;
    place_cursor();
    wnoutrefresh(stdscr);
    doupdate();
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
    if (!utf8_) {
        // Without UTF-8 only ASCII reaches the terminal intact; the line
        // drawing set, where the terminal has the character, looks closer.
        const NarrowGlyph glyph = narrow_glyph(cell.code);
        if (glyph.line_drawing != 0 &&
            line_drawing_keys_.find(glyph.line_drawing) != std::string::npos) {
            text[0] = static_cast<wchar_t>(glyph.line_drawing);
            extra |= A_ALTCHARSET;
        } else {
            text[0] = static_cast<wchar_t>(glyph.ascii);
        }
    }
    cchar_t c;
    setcchar(&c, text, static_cast<attr_t>(extra), pair, nullptr);
    mvadd_wch(y, x, &c);
}

void TerminalBackend::place_cursor() {
    const bool visible = shown_cursor_visible_ && shown_cursor_.x < COLS && shown_cursor_.y < LINES;
    const int mode = visible ? (shown_cursor_size_ >= 50 ? 2 : 1) : 0;
    if (mode != cursor_mode_) {
        curs_set(mode);
        cursor_mode_ = mode;
    }
    if (visible) move(shown_cursor_.y, shown_cursor_.x);
}

void TerminalBackend::present(const ConsoleBuffer& console) {
    check_signals();
    check_input_alive();
    stand_still_while_small();
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

    shown_cursor_ = console.cursor();
    shown_cursor_visible_ = console.cursor_visible();
    shown_cursor_size_ = console.cursor_size();
    place_cursor();
    wnoutrefresh(stdscr);
    doupdate();
}

// ==== Time ====

std::int64_t TerminalBackend::now_us() { return monotonic_us() - standstill_us_; }

void TerminalBackend::sleep_us(std::int64_t us) {
    std::int64_t until = monotonic_us() + us;
    for (;;) {
        const timespec ts{static_cast<time_t>(until / 1'000'000),
                          static_cast<long>(until % 1'000'000) * 1000};
        if (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != EINTR) return;
        // A suspend inside moves the end on by its length.
        const std::int64_t before = standstill_us_;
        check_signals();
        until += standstill_us_ - before;
    }
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

void TerminalBackend::wait_for_input_or_signal(int timeout_ms) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signal_wake_fd(), POLLIN, 0}};
    const int ready = ::poll(fds, signal_wake_fd() >= 0 ? 2 : 1, timeout_ms);
    if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) throw TerminalGone{};
    if (ready > 0 && (fds[0].revents & POLLIN)) check_input_alive();
}

void TerminalBackend::check_input_alive() {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (::poll(&fd, 1, 0) <= 0) return;
    if (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) throw TerminalGone{};
    int available = 0;
    if ((fd.revents & POLLIN) && ::ioctl(STDIN_FILENO, FIONREAD, &available) == 0 &&
        available == 0) {
        // Readable with nothing to read: the end of input. What the terminal
        // library has buffered already still counts.
        drain_input();
        if (decoder_.codes().empty()) throw TerminalGone{};
    }
}

void TerminalBackend::read_keys(std::deque<int>& keys, bool wait) {
    for (;;) {
        check_signals();
        check_input_alive();
        stand_still_while_small();
        drain_input();
        auto& decoded = decoder_.codes();
        while (!decoded.empty()) {
            keys.push_back(decoded.front());
            decoded.pop_front();
        }
        if (!keys.empty() || !wait) return;

        // Sleep until the terminal or a signal has something for us; wake
        // now and then only while a partial escape sequence may go stale.
        wait_for_input_or_signal(decoder_.pending() ? static_cast<int>(KeyDecoder::kStaleSequenceMs)
                                                    : -1);
    }
}

// ==== Sound and the console's size ====

void TerminalBackend::beep(unsigned frequency, unsigned duration_ms) {
    sound_.play(frequency, duration_ms);
}

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
