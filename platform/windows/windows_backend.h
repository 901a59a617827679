// The Windows console backend: presents the console buffer on the real
// Win32 console (a screen buffer of its own, 80 x 42, so the player's own
// buffer and scrollback are untouched), reads the console's key events into
// the bounded type-ahead, paces on the performance counter, plays the tones
// through the wave output device, and gives the console back as it was on
// every way out: Ctrl-C, Ctrl-Break and closing the window included.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "platform/backend.h"
#include "platform/type_ahead.h"
#include "platform/windows/wave_tone.h"

namespace patrulha::platform {

// The console cannot be used: the message says why, for the player.
struct ConsoleError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class WindowsBackend final : public Backend {
public:
    // Takes over the console on standard input and output, with the window
    // titled `title`. Throws ConsoleError when they are not a console.
    explicit WindowsBackend(const wchar_t* title);
    ~WindowsBackend() override;
    WindowsBackend(const WindowsBackend&) = delete;
    WindowsBackend& operator=(const WindowsBackend&) = delete;

    // Puts the console back as it was found: the player's screen buffer
    // active again with its size, window and cursor, the input modes, the
    // code pages and the title. Safe to call more than once.
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
    void fit_console();
    void blank_game_screen();
    void cover_screen();
    void wait_for_input(unsigned long timeout_ms);
    void read_input();
    void check_control();
    void redraw_if_resized();
    void write_row(int y, int left, int right, const ConsoleBuffer& console);

    struct Saved;
    std::unique_ptr<Saved> saved_;
    bool active_ = false;
    TypeAhead type_ahead_;
    std::unique_ptr<WaveTone> tone_;  // opened once the console is ours
    std::array<Cell, ConsoleBuffer::kWidth * ConsoleBuffer::kHeight> front_{};
    bool redraw_all_ = true;
    bool resized_ = false;
    const ConsoleBuffer* last_presented_ = nullptr;
    Point shown_cursor_{-1, -1};
    int shown_cursor_size_ = -1;
    bool shown_cursor_visible_ = false;
};

}  // namespace patrulha::platform
