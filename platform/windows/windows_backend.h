// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The Windows console backend: presents the console buffer on the real
// Win32 console (a screen buffer of its own, so the player's own buffer and
// scrollback are untouched), reads the console's key events into the
// bounded type-ahead, paces on the performance counter, plays the tones
// through the wave output device, and gives the console back as it was on
// every way out: Ctrl-C, Ctrl-Break and closing the window included.
//
// The game needs a visible window of 80 x 42. Where the classic console host
// shows the window, the backend asks for that size once; a pseudo-console
// (Windows Terminal) keeps the size its terminal has. While the window is
// smaller the game stands still behind the size notice, its clock stopped,
// and goes on, fully redrawn, once a size event reports room enough.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include "platform/backend.h"
#include "platform/type_ahead.h"
#include "platform/windows/console_size.h"
#include "platform/windows/wave_tone.h"

namespace patrulha::platform {

// The console cannot be used: the message says why, for the player.
struct ConsoleError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How big the backend takes the visible window to be, given the size the
// console reports: the console's own size unless a test says otherwise.
using WindowView = std::function<WindowSize(WindowSize reported)>;

class WindowsBackend final : public Backend {
public:
    // Takes over the console on standard input and output, with the window
    // titled `title` (where the console tells its own title, to be given
    // back). Throws ConsoleError when they are not a console.
    explicit WindowsBackend(const wchar_t* title, WindowView view = {});
    ~WindowsBackend() override;
    WindowsBackend(const WindowsBackend&) = delete;
    WindowsBackend& operator=(const WindowsBackend&) = delete;

    // Puts back what the game changed: the player's screen buffer active
    // again, with its size and window where the game set sizes, its cursor,
    // the input modes and the title. The code pages are never changed: all
    // input and output go through the console's UTF-16 calls. Safe to call
    // more than once.
    void restore();

    void present(const ConsoleBuffer& console) override;
    std::int64_t now_us() override;
    // Keys that arrive meanwhile are read into the type-ahead at once.
    void sleep_us(std::int64_t us) override;
    void read_keys(std::deque<int>& keys, bool wait) override;
    void beep(unsigned frequency, unsigned duration_ms) override;
    void bell() override;
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override;
    std::time_t wall_time() override;

    // Keys dropped because the type-ahead was full.
    std::size_t keys_dropped() const { return type_ahead_.dropped(); }

private:
    // The visible window of the game's buffer: its top-left buffer cell and
    // its size as the backend takes it.
    struct Window {
        int left = 0;
        int top = 0;
        WindowSize size;
        friend bool operator==(const Window&, const Window&) = default;
    };

    // The performance counter in microseconds, standstills included.
    std::int64_t counter_us() const;
    Window visible_window() const;
    void settle_size();
    void take_size_change();
    void stand_still_while_small();
    void show_size_notice();
    void fit_console();
    void blank_game_screen();
    void cover_screen();
    void wait_for_input(unsigned long timeout_ms);
    void read_input();
    void check_control();
    void draw(const ConsoleBuffer& console);
    void write_row(int y, int left, int right, const ConsoleBuffer& console);

    struct Saved;
    std::unique_ptr<Saved> saved_;
    bool active_ = false;
    TypeAhead type_ahead_;
    std::unique_ptr<WaveTone> tone_;  // opened once the console is ours
    std::array<Cell, ConsoleBuffer::kWidth * ConsoleBuffer::kHeight> front_{};
    ChangeTracker tracker_;  // what of the console front_ has taken
    bool redraw_all_ = true;
    const ConsoleBuffer* last_presented_ = nullptr;

    WindowView view_;
    ConsoleHost host_ = ConsoleHost::fixed;
    bool resize_tried_ = false;
    bool sizes_changed_ = false;  // the game set buffer and window sizes
    Window window_;               // the window last acted on
    bool size_event_ = false;     // a size event came since the last look
    bool too_small_ = false;
    bool notice_shown_ = false;
    std::int64_t standstill_us_ = 0;  // time stood still behind the notice

    Point shown_cursor_{-1, -1};
    int shown_cursor_size_ = -1;
    bool shown_cursor_visible_ = false;
};

}  // namespace patrulha::platform
