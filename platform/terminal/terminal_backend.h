// The terminal backend: presents the console buffer on a real terminal
// through ncursesw, reads and decodes its keys, paces on the real clock,
// plays the tones, and looks after the terminal: suspend and resume, a
// window too small for the console, a terminal that goes away.
#pragma once

#include <termios.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/backend.h"
#include "platform/key_decoder.h"
#include "platform/terminal/signals.h"
#include "platform/terminal/sound.h"

namespace patrulha::platform {

// The terminal cannot be used: the message says why, for the player.
struct TerminalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A signal asked the program to end (Ctrl-C, kill, hang-up): thrown at the
// next pacing point or key wait so that the program unwinds and restores the
// terminal.
struct Interrupted {
    int signal;
};

// The terminal went away (hang-up, end of input).
struct TerminalGone {};

class TerminalBackend final : public Backend {
public:
    // Takes over the terminal on standard input and output. Throws
    // TerminalError when they are not a usable terminal.
    TerminalBackend();
    ~TerminalBackend() override;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;

    // Puts the terminal back as it was found: normal screen, cursor shown,
    // colours and attributes off, keypad mode off, the modes it had. Safe
    // to call more than once; the one way the terminal is given back
    // except for a crash, which uses the emergency reset.
    void restore();

    // While the window is smaller than the console, present and the key
    // wait stand still: they show the size needed and the size there is,
    // discard keys, and return only once the window is large enough (the
    // whole console redrawn) or throw when a signal ends the program or the
    // terminal goes away. Time spent standing still or suspended does not
    // count in now_us, so the game resumes at the pace it had.
    void present(const ConsoleBuffer& console) override;
    std::int64_t now_us() override;
    void sleep_us(std::int64_t us) override;
    void read_keys(std::deque<int>& keys, bool wait) override;
    void beep(unsigned frequency, unsigned duration_ms) override;
    void bell() override;
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override;
    std::time_t wall_time() override;

private:
    enum class ColourMode { Full, Eight, None };

    void check_signals();
    void check_input_alive();
    void wait_for_input_or_signal(int timeout_ms);
    void suspend();
    void resume_screen();
    void update_size();
    bool too_small() const;
    void stand_still_while_small();
    void show_size_notice();
    void repaint();
    void place_cursor();
    void drain_input();
    void draw_cell(int x, int y, const Cell& cell);
    short pair_for(std::uint16_t attribute, unsigned& extra_attributes);

    struct Screen;
    std::unique_ptr<Screen> screen_;
    bool active_ = false;
    bool utf8_ = true;
    ColourMode colour_mode_ = ColourMode::Full;
    std::string line_drawing_keys_;
    std::array<bool, 257> pair_ready_{};
    std::array<Cell, ConsoleBuffer::kWidth * ConsoleBuffer::kHeight> front_{};
    bool redraw_all_ = true;
    int cursor_mode_ = -1;  // the curs_set value last asked for
    Point shown_cursor_{};
    bool shown_cursor_visible_ = false;
    int shown_cursor_size_ = 0;
    std::int64_t standstill_us_ = 0;
    termios saved_modes_{};
    KeyDecoder decoder_;
    TonePlayer sound_;
};

}  // namespace patrulha::platform
