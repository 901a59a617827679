// The terminal backend: presents the console buffer on a real terminal
// through ncursesw, reads and decodes its keys, paces on the real clock.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/backend.h"
#include "platform/key_decoder.h"

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

    // Puts the terminal back as it was found. Safe to call more than once.
    void restore();

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
    void drain_input();
    void draw_cell(int x, int y, const Cell& cell);
    short pair_for(std::uint16_t attribute, unsigned& extra_attributes);

    struct Screen;
    std::unique_ptr<Screen> screen_;
    bool active_ = false;
    bool utf8_ = true;
    ColourMode colour_mode_ = ColourMode::Full;
    std::array<bool, 257> pair_ready_{};
    std::array<Cell, ConsoleBuffer::kWidth * ConsoleBuffer::kHeight> front_{};
    bool redraw_all_ = true;
    int cursor_mode_ = -1;  // the curs_set value last asked for
    KeyDecoder decoder_;
};

// Installs the handlers that turn SIGINT, SIGTERM, SIGHUP and SIGQUIT into
// Interrupted at the next pacing point. Call before the backend is made.
void install_signal_handlers();

}  // namespace patrulha::platform
