// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/windows/windows_backend.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <iterator>
#include <string>
#include <utility>

#include "platform/cp850.h"
#include "platform/size_notice.h"
#include "platform/windows/console_keys.h"

namespace patrulha::platform {

namespace {

static_assert(console_key::kUp == VK_UP && console_key::kF10 == VK_F10 &&
              console_key::kEscape == VK_ESCAPE && console_key::kMenu == VK_MENU);
static_assert(console_key::kLeftAlt == LEFT_ALT_PRESSED &&
              console_key::kRightAlt == RIGHT_ALT_PRESSED &&
              console_key::kLeftCtrl == LEFT_CTRL_PRESSED &&
              console_key::kRightCtrl == RIGHT_CTRL_PRESSED);

constexpr SHORT kWidth = ConsoleBuffer::kWidth;
constexpr SHORT kHeight = ConsoleBuffer::kHeight;

// ==== Console control events ====
//
// The control handler runs on a thread of its own: it only records the end
// asked for and wakes the game's thread, which ends the program through the
// ordinary restore at its next pacing point or key wait.

std::atomic<int> end_status{0};
HANDLE wake_event = nullptr;      // set when an end is asked for
HANDLE restored_event = nullptr;  // set once the console is given back

// The exit status of each end: 130 for Ctrl-C and Ctrl-Break, 129 for a
// closed window, as the terminal build reports SIGINT and SIGHUP.
BOOL WINAPI on_control_event(DWORD type) {
    int status = 0;
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT: status = 130; break;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT: status = 129; break;
        default: return FALSE;
    }
    int none = 0;
    // A second Ctrl-C while the first is still unanswered (the game stuck)
    // goes to the default handler, which ends the process at once.
    if (!end_status.compare_exchange_strong(none, status)) return FALSE;
    SetEvent(wake_event);
    if (status == 129) {
        // Windows ends the process as soon as this returns: give the game's
        // thread the time to put the console back first.
        WaitForSingleObject(restored_event, 4000);
    }
    return TRUE;
}

}  // namespace

// ==== Opening and restoring ====

struct WindowsBackend::Saved {
    HANDLE input = INVALID_HANDLE_VALUE;
    HANDLE output = INVALID_HANDLE_VALUE;
    HANDLE screen = INVALID_HANDLE_VALUE;  // the game's own screen buffer
    DWORD input_mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO output_info{};
    CONSOLE_CURSOR_INFO cursor{};
    bool cursor_known = false;
    std::wstring title;  // empty where the console told none
    bool timer_period_set = false;
    bool handler_installed = false;
    LARGE_INTEGER frequency{};
};

namespace {

// The classic console host shows its window; a pseudo-console's window is
// a hidden stand-in, and wine's console on a terminal has none to show.
ConsoleHost console_host() {
    const HWND window = GetConsoleWindow();
    return window && IsWindowVisible(window) ? ConsoleHost::classic_window : ConsoleHost::fixed;
}

}  // namespace

WindowsBackend::WindowsBackend(const wchar_t* title, WindowView view)
    : saved_(std::make_unique<Saved>()), view_(std::move(view)) {
    Saved& s = *saved_;
    s.input = GetStdHandle(STD_INPUT_HANDLE);
    s.output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD output_mode = 0;
    if (!GetConsoleMode(s.input, &s.input_mode) || !GetConsoleMode(s.output, &output_mode) ||
        !GetConsoleScreenBufferInfo(s.output, &s.output_info))
        throw ConsoleError("needs a console window on standard input and output");
    s.cursor_known = GetConsoleCursorInfo(s.output, &s.cursor) != 0;
    std::wstring buffer(1024, L'\0');
    buffer.resize(GetConsoleTitleW(buffer.data(), static_cast<DWORD>(buffer.size())));
    s.title = buffer;
    QueryPerformanceFrequency(&s.frequency);
    host_ = console_host();

    s.screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (s.screen == INVALID_HANDLE_VALUE)
        throw ConsoleError("cannot create a console screen buffer");
    active_ = true;
    try {
        if (!SetConsoleActiveScreenBuffer(s.screen))
            throw ConsoleError("cannot show a console screen buffer of its own");
        settle_size();
        // Keys one at a time, no echo; Ctrl-C as a control event; size
        // changes as events; no quick edit, whose selection would freeze
        // the game on a click.
        if (!SetConsoleMode(s.input,
                            ENABLE_PROCESSED_INPUT | ENABLE_WINDOW_INPUT | ENABLE_EXTENDED_FLAGS))
            throw ConsoleError("cannot set the console's input mode");
        // A title that cannot be given back is not changed.
        if (!s.title.empty()) SetConsoleTitleW(title);
        s.timer_period_set = timeBeginPeriod(1) == TIMERR_NOERROR;

        end_status = 0;
        if (!wake_event) wake_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!restored_event) restored_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!wake_event || !restored_event) throw ConsoleError("cannot create an event");
        ResetEvent(wake_event);
        ResetEvent(restored_event);
        s.handler_installed = SetConsoleCtrlHandler(on_control_event, TRUE) != 0;
        // Last, so that a sound driver's complaints on standard error come
        // before the first screen (which covers them) and never when the
        // console is refused.
        tone_ = std::make_unique<WaveTone>();
        cover_screen();
    } catch (...) {
        restore();
        throw;
    }
}

WindowsBackend::~WindowsBackend() {
    restore();
}

void WindowsBackend::restore() {
    if (!active_) return;
    active_ = false;
    Saved& s = *saved_;
    if (tone_) tone_->silence();
    blank_game_screen();
    SetConsoleActiveScreenBuffer(s.output);
    CloseHandle(s.screen);
    s.screen = INVALID_HANDLE_VALUE;
    // Some consoles share one window among the buffers: where the game set
    // its sizes, the player's get theirs back too.
    CONSOLE_SCREEN_BUFFER_INFO now{};
    const SMALL_RECT& was = s.output_info.srWindow;
    if (sizes_changed_ && GetConsoleScreenBufferInfo(s.output, &now) &&
        (now.dwSize.X != s.output_info.dwSize.X || now.dwSize.Y != s.output_info.dwSize.Y ||
         now.srWindow.Right - now.srWindow.Left != was.Right - was.Left ||
         now.srWindow.Bottom - now.srWindow.Top != was.Bottom - was.Top)) {
        // The window must fit the buffer at every step: the one that fits
        // both sizes first.
        const SMALL_RECT small{0, 0,
                               static_cast<SHORT>(std::min<int>(
                                   now.srWindow.Right - now.srWindow.Left, was.Right - was.Left)),
                               static_cast<SHORT>(std::min<int>(
                                   now.srWindow.Bottom - now.srWindow.Top, was.Bottom - was.Top))};
        SetConsoleWindowInfo(s.output, TRUE, &small);
        SetConsoleScreenBufferSize(s.output, s.output_info.dwSize);
        SetConsoleWindowInfo(s.output, TRUE, &was);
    }
    if (s.cursor_known) SetConsoleCursorInfo(s.output, &s.cursor);
    SetConsoleMode(s.input, s.input_mode);
    if (!s.title.empty()) SetConsoleTitleW(s.title.c_str());
    if (s.timer_period_set) timeEndPeriod(1);
    s.timer_period_set = false;
    if (s.handler_installed) SetConsoleCtrlHandler(on_control_event, FALSE);
    s.handler_installed = false;
    if (restored_event) SetEvent(restored_event);
}

// Blanks the game's buffer in the player's colours, cursor home: where the
// terminal under wine keeps what it showed last, the player's prompt comes
// back on a clear screen, not under the game's last picture.
void WindowsBackend::blank_game_screen() {
    const HANDLE screen = saved_->screen;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(screen, &info)) return;
    DWORD written = 0;
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    FillConsoleOutputAttribute(screen, saved_->output_info.wAttributes, cells, COORD{0, 0},
                               &written);
    FillConsoleOutputCharacterW(screen, L' ', cells, COORD{0, 0}, &written);
    SetConsoleCursorPosition(screen, COORD{0, 0});
}

// Writes every cell of the game's window once, black on black, before the
// first frame. wine's console on a terminal sends a cell to the terminal
// only when it changes, and a sound driver may have written on the terminal
// meanwhile: with every cell written twice, nothing of that stays under the
// game's blanks. On Windows this is the first, unseen content of a fresh
// buffer.
void WindowsBackend::cover_screen() {
    std::array<CHAR_INFO, ConsoleBuffer::kWidth * ConsoleBuffer::kHeight> cells{};
    for (CHAR_INFO& c : cells) {
        c.Char.UnicodeChar = L' ';
        c.Attributes = 0;
    }
    SMALL_RECT region{static_cast<SHORT>(window_.left), static_cast<SHORT>(window_.top),
                      static_cast<SHORT>(window_.left + kWidth - 1),
                      static_cast<SHORT>(window_.top + kHeight - 1)};
    WriteConsoleOutputW(saved_->screen, cells.data(), COORD{kWidth, kHeight}, COORD{0, 0}, &region);
    redraw_all_ = true;
    notice_shown_ = false;
}

// ==== The window's size ====

WindowsBackend::Window WindowsBackend::visible_window() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    // A console that cannot be asked is taken to be as it was last seen.
    if (!GetConsoleScreenBufferInfo(saved_->screen, &info)) return window_;
    const SMALL_RECT& w = info.srWindow;
    Window seen{w.Left, w.Top, {w.Right - w.Left + 1, w.Bottom - w.Top + 1}};
    if (view_) seen.size = view_(seen.size);
    return seen;
}

// Decides at start-up, or when the game asks for its full console, whether
// the game plays, asks for 80 x 42 once, or stands still behind the notice.
void WindowsBackend::settle_size() {
    Window seen = visible_window();
    SizeStep step = size_step(seen.size, host_, resize_tried_);
    if (step == SizeStep::resize) {
        resize_tried_ = true;
        fit_console();
        // What the console says it did is not taken on trust: the window
        // is looked at again.
        seen = visible_window();
        step = size_step(seen.size, host_, resize_tried_);
    }
    if (seen != window_) redraw_all_ = true;
    window_ = seen;
    if (step == SizeStep::notice && !too_small_) notice_shown_ = false;
    too_small_ = step == SizeStep::notice;
}

// Acts on the size events read since the last look, once, and only where
// the window is not the one last acted on: the events the game's own
// calls cause report the size it already has. Size events never resize.
void WindowsBackend::take_size_change() {
    if (!size_event_) return;
    size_event_ = false;
    const Window seen = visible_window();
    if (seen == window_) return;
    window_ = seen;
    too_small_ = size_step(seen.size, host_, true) == SizeStep::notice;
    if (too_small_) {
        show_size_notice();
        return;
    }
    // Room again: every cell is written anew where the window now is.
    notice_shown_ = false;
    redraw_all_ = true;
    if (last_presented_) draw(*last_presented_);
}

// While the window is too small: the notice, keys typed at it thrown away
// (they were not meant for a game the player cannot see), the game's clock
// stopped, until a size event brings room enough or an end comes.
void WindowsBackend::stand_still_while_small() {
    if (!too_small_) return;
    if (!notice_shown_) show_size_notice();
    const std::int64_t since = counter_us();
    while (too_small_) {
        wait_for_input(INFINITE);
        // Keys read with the event that brings room were typed before it.
        type_ahead_.clear();
        take_size_change();
    }
    standstill_us_ += counter_us() - since;
}

// The notice, centred in the visible window on a blank of the console's
// default colours, cursor hidden.
void WindowsBackend::show_size_notice() {
    const HANDLE screen = saved_->screen;
    const Window& w = window_;
    DWORD written = 0;
    for (int y = 0; y < w.size.rows; ++y) {
        const COORD start{static_cast<SHORT>(w.left), static_cast<SHORT>(w.top + y)};
        const DWORD cells = static_cast<DWORD>(std::max(0, w.size.columns));
        FillConsoleOutputAttribute(screen, ConsoleBuffer::kDefaultAttribute, cells, start,
                                   &written);
        FillConsoleOutputCharacterW(screen, L' ', cells, start, &written);
    }
    for (const NoticeLine& line : size_notice(w.size.columns, w.size.rows)) {
        const std::wstring text(line.text.begin(), line.text.end());
        WriteConsoleOutputCharacterW(
            screen, text.c_str(), static_cast<DWORD>(text.size()),
            COORD{static_cast<SHORT>(w.left + line.x), static_cast<SHORT>(w.top + line.y)},
            &written);
    }
    const CONSOLE_CURSOR_INFO hidden{ConsoleBuffer::kDefaultCursorSize, FALSE};
    SetConsoleCursorInfo(screen, &hidden);
    shown_cursor_visible_ = false;
    shown_cursor_size_ = -1;
    notice_shown_ = true;
    // What the console shows is the notice now, not front_.
    redraw_all_ = true;
}

// Makes the game's buffer and window 80 x 42: the window shrunk first, to
// fit inside the new buffer, then the buffer, then the window grown to the
// whole buffer (or as much of it as the screen can show). Only on the
// classic console host, whose window follows.
void WindowsBackend::fit_console() {
    const HANDLE screen = saved_->screen;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(screen, &info)) return;
    const SMALL_RECT& w = info.srWindow;
    if (info.dwSize.X == kWidth && info.dwSize.Y == kHeight && w.Left == 0 && w.Top == 0 &&
        w.Right == kWidth - 1 && w.Bottom == kHeight - 1)
        return;
    sizes_changed_ = true;
    const SMALL_RECT small{0, 0, static_cast<SHORT>(std::min<int>(w.Right - w.Left, kWidth - 1)),
                           static_cast<SHORT>(std::min<int>(w.Bottom - w.Top, kHeight - 1))};
    SetConsoleWindowInfo(screen, TRUE, &small);
    SetConsoleScreenBufferSize(screen, COORD{kWidth, kHeight});
    COORD largest = GetLargestConsoleWindowSize(screen);
    if (largest.X <= 0 || largest.Y <= 0) largest = COORD{kWidth, kHeight};
    const SMALL_RECT full{0, 0, static_cast<SHORT>(std::min(kWidth, largest.X) - 1),
                          static_cast<SHORT>(std::min(kHeight, largest.Y) - 1)};
    SetConsoleWindowInfo(screen, TRUE, &full);
    redraw_all_ = true;
}

void WindowsBackend::request_full_console() {
    if (!too_small_ || resize_tried_) return;
    settle_size();
    if (!too_small_ && last_presented_) draw(*last_presented_);
}

// ==== Presenting ====

void WindowsBackend::write_row(int y, int left, int right, const ConsoleBuffer& console) {
    std::array<CHAR_INFO, ConsoleBuffer::kWidth> cells{};
    for (int x = left; x <= right; ++x) {
        const Cell& cell = console.at({x, y});
        CHAR_INFO& out = cells[static_cast<std::size_t>(x - left)];
        out.Char.UnicodeChar = static_cast<WCHAR>(cp850_to_unicode(cell.code));
        out.Attributes = cell.attribute;
        front_[static_cast<std::size_t>(y * ConsoleBuffer::kWidth + x)] = cell;
    }
    SMALL_RECT region{static_cast<SHORT>(window_.left + left), static_cast<SHORT>(window_.top + y),
                      static_cast<SHORT>(window_.left + right),
                      static_cast<SHORT>(window_.top + y)};
    WriteConsoleOutputW(saved_->screen, cells.data(),
                        COORD{static_cast<SHORT>(right - left + 1), 1}, COORD{0, 0}, &region);
}

void WindowsBackend::present(const ConsoleBuffer& console) {
    check_control();
    last_presented_ = &console;
    take_size_change();
    stand_still_while_small();
    draw(console);
}

// Writes what changed since the last draw: of the rows written since, each
// row's changed cells as one run, from the first to the last. A draw with
// nothing written costs nothing.
void WindowsBackend::draw(const ConsoleBuffer& console) {
    if (redraw_all_) tracker_.forget();
    if (tracker_.changed(console)) {
        for (int y = 0; y < ConsoleBuffer::kHeight; ++y) {
            if (!tracker_.row_changed(console, y)) continue;
            int left = -1, right = -1;
            for (int x = 0; x < ConsoleBuffer::kWidth; ++x) {
                if (!redraw_all_ &&
                    front_[static_cast<std::size_t>(y * ConsoleBuffer::kWidth + x)] ==
                        console.at({x, y}))
                    continue;
                if (left < 0) left = x;
                right = x;
            }
            if (left >= 0) write_row(y, left, right, console);
        }
        tracker_.took(console);
    }
    if (redraw_all_) shown_cursor_size_ = -1;
    redraw_all_ = false;

    const bool visible = console.cursor_visible();
    if (visible != shown_cursor_visible_ || console.cursor_size() != shown_cursor_size_) {
        const CONSOLE_CURSOR_INFO info{static_cast<DWORD>(console.cursor_size()),
                                       visible ? TRUE : FALSE};
        SetConsoleCursorInfo(saved_->screen, &info);
        shown_cursor_visible_ = visible;
        shown_cursor_size_ = console.cursor_size();
        shown_cursor_ = {-1, -1};
    }
    if (visible && console.cursor() != shown_cursor_) {
        shown_cursor_ = console.cursor();
        SetConsoleCursorPosition(saved_->screen,
                                 COORD{static_cast<SHORT>(window_.left + shown_cursor_.x),
                                       static_cast<SHORT>(window_.top + shown_cursor_.y)});
    }
}

// ==== Time ====

std::int64_t WindowsBackend::counter_us() const {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const std::int64_t f = saved_->frequency.QuadPart > 0 ? saved_->frequency.QuadPart : 1;
    const std::int64_t c = counter.QuadPart;
    return c / f * 1'000'000 + c % f * 1'000'000 / f;
}

// The game's clock: real time less the time stood still behind the notice,
// so that the game goes on where it stood.
std::int64_t WindowsBackend::now_us() {
    return counter_us() - standstill_us_;
}

void WindowsBackend::sleep_us(std::int64_t us) {
    const std::int64_t until = now_us() + us;
    for (;;) {
        // Waits are whole milliseconds: what is left under half of one is
        // not worth another wait, and the pacing clock makes up for it.
        const std::int64_t left_ms = (until - now_us() + 500) / 1000;
        if (left_ms <= 0) return;
        wait_for_input(static_cast<unsigned long>(left_ms));
        // The game's clock stands still with the game: the sleep's end
        // moves on by the standstill.
        take_size_change();
        stand_still_while_small();
    }
}

std::time_t WindowsBackend::wall_time() {
    return std::time(nullptr);
}

// ==== Keys and control events ====

void WindowsBackend::check_control() {
    if (const int status = end_status.load()) throw ProgramEnded{status};
}

void WindowsBackend::read_input() {
    std::deque<int> codes;
    for (;;) {
        DWORD waiting = 0;
        if (!GetNumberOfConsoleInputEvents(saved_->input, &waiting)) throw ProgramEnded{1};
        if (waiting == 0) break;
        INPUT_RECORD records[64];
        DWORD read = 0;
        if (!ReadConsoleInputW(saved_->input, records,
                               std::min<DWORD>(waiting, static_cast<DWORD>(std::size(records))),
                               &read))
            throw ProgramEnded{1};
        for (DWORD i = 0; i < read; ++i) {
            const INPUT_RECORD& record = records[i];
            if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) size_event_ = true;
            if (record.EventType != KEY_EVENT) continue;
            const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
            ConsoleKeyEvent event;
            event.key_down = key.bKeyDown != 0;
            event.repeat_count = key.wRepeatCount;
            event.virtual_key = key.wVirtualKeyCode;
            event.scan_code = key.wVirtualScanCode;
            event.character = static_cast<char16_t>(key.uChar.UnicodeChar);
            event.control_keys = key.dwControlKeyState;
            translate_key_event(event, codes);
        }
        type_ahead_.take(codes);
    }
}

void WindowsBackend::wait_for_input(unsigned long timeout_ms) {
    const HANDLE handles[2] = {saved_->input, wake_event};
    const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, timeout_ms);
    if (woke == WAIT_FAILED) throw ProgramEnded{1};
    if (woke == WAIT_OBJECT_0 + 1) check_control();
    if (woke == WAIT_OBJECT_0) read_input();
}

void WindowsBackend::read_keys(std::deque<int>& keys, bool wait) {
    for (;;) {
        check_control();
        read_input();
        take_size_change();
        stand_still_while_small();
        type_ahead_.move_to(keys);
        if (!keys.empty() || !wait) return;
        wait_for_input(INFINITE);
    }
}

// ==== Sound ====

void WindowsBackend::beep(unsigned frequency, unsigned duration_ms) {
    if (tone_) tone_->play(frequency, duration_ms);
}

// The console's own bell, as a short tone: the game goes on meanwhile.
void WindowsBackend::bell() {
    if (tone_) tone_->play(800, 100);
}

}  // namespace patrulha::platform
