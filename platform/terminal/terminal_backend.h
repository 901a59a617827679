// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The terminal backend: presents the console buffer on a real terminal
// from the control strings of its terminfo description, reads and decodes
// its keys as fast as they arrive, paces on the real clock, plays the
// tones, and looks after the terminal: suspend and resume, a window too
// small for the console, a terminal that goes away.
#pragma once

#include <termios.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/backend.h"
#include "platform/key_decoder.h"
#include "platform/terminal/asciicast.h"
#include "platform/terminal/screen_writer.h"
#include "platform/terminal/signals.h"
#include "platform/terminal/sound.h"
#include "platform/terminal/terminal_lag.h"
#include "platform/type_ahead.h"

namespace patrulha::platform {

// The terminal cannot be used: the message says why, for the player.
struct TerminalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TerminalBackend final : public Backend {
public:
    // Takes over the terminal on standard input and output, with the tones
    // going where `sound` says (settled by settle_sound: over SSH, silent
    // unless asked otherwise). Throws TerminalError when they are not a
    // usable terminal. Everything sent to the terminal is also written to
    // `cast` where one is given.
    explicit TerminalBackend(SoundChoice sound = SoundChoice::automatic, Asciicast* cast = nullptr);
    ~TerminalBackend() override;
    TerminalBackend(const TerminalBackend&) = delete;
    TerminalBackend& operator=(const TerminalBackend&) = delete;

    // Puts the terminal back as it was found: the window's size if the
    // game had it grown, normal screen with the cursor on its last row,
    // cursor shown, colours and attributes off, keypad mode off, the modes
    // it had. Safe to call more than once; the one way the terminal is given
    // back except for a crash, which uses the emergency reset.
    void restore();

    // While the window is smaller than the console, present and the key
    // wait stand still: they show the size needed and the size there is,
    // discard keys, and return only once the window is large enough (the
    // whole console redrawn) or throw ProgramEnded when a signal ends the
    // program (128 + the signal) or the terminal goes away (1). Time spent standing still or
    // suspended does not count in now_us, so the game resumes at the pace it had. The one wait of a
    // frame (the sleep, or the key wait) watches the keyboard, the signals and the terminal's
    // output at once; keys are read when it says they are there, into a bounded type-ahead: a flood
    // of input never piles up in the terminal, so Ctrl-C behind it still acts at once. A pacing
    // point with nothing to read, show or sleep makes no system call.
    //
    // Output never blocks the game: while the terminal has not taken the
    // last picture, or its answers say it is behind (a slow link, see
    // TerminalLag), presents are skipped (the pictures dropped, never
    // queued), and once it has caught up, the newest picture's differences
    // go out.
    void present(const ConsoleBuffer& console) override;
    std::int64_t now_us() override;
    void sleep_us(std::int64_t us) override;
    void read_keys(std::deque<int>& keys, bool wait) override;
    // On the sound device, or as the terminal's bell (no more than a few a
    // second, sent with the next picture), or not at all.
    void beep(unsigned frequency, unsigned duration_ms) override;
    void bell() override;
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override;
    std::time_t wall_time() override;

private:
    void check_signals();
    void check_input_alive();
    // One wait, up to `timeout_us` (-1: no limit) from `now` (-1: not
    // known); whether it ended before that time (something was ready, or a
    // partial escape sequence, or a status question, went stale first).
    bool wait_once(std::int64_t timeout_us, std::int64_t now = -1);
    void look_for_input();
    void expire_keys();
    void take_over();
    // Puts the screen and the modes back; `first` goes out ahead of the rest.
    void give_back(const std::string& first = {});
    void set_modes(const termios& modes);
    void suspend();
    void resume_screen();
    void update_size();
    bool too_small() const;
    void stand_still_while_small();
    void show_size_notice();
    void repaint();
    void read_input();
    void decode(const char* bytes, std::size_t size);
    void send(const std::string& bytes);
    std::string emergency_bytes() const;
    bool window_reports_its_size();
    void discard_typed_ahead();
    void flush_output();
    // Sends the newest picture's differences, with a status question behind
    // them when one is due.
    void send_picture();
    // Sends the newest picture where a present was skipped and the terminal
    // has caught up since.
    void catch_up();
    // Waits a moment for the answer to a status question still out, so that
    // it does not reach the shell as typing.
    void await_answer();
    void send_restore(const std::string& bytes);
    void let_restore_arrive();
    void open_output();

    Asciicast* cast_ = nullptr;
    std::int64_t cast_start_us_ = 0;
    bool active_ = false;
    bool utf8_ = true;
    std::string term_;
    std::unique_ptr<ScreenWriter> writer_;
    // The console last presented, for repaints: the runtime's, which lives
    // for the whole run.
    const ConsoleBuffer* shown_ = nullptr;
    // The game's own way to the terminal, which never blocks: the terminal
    // opened again non-blocking (standard output's description is the
    // shell's too, and stays as it is), or standard output where that
    // cannot be done.
    int out_fd_ = -1;
    std::string unsent_;           // what the terminal has not taken yet
    std::string restore_sent_;     // the bytes of the last restore
    bool picture_behind_ = false;  // a present was skipped while it waited
    TerminalLag lag_;
    std::int64_t last_look_us_ = 0;  // when input was last looked at
    int rows_ = ConsoleBuffer::kHeight;
    int cols_ = ConsoleBuffer::kWidth;
    std::int64_t standstill_us_ = 0;
    // After a resize request: the request back to the size found, sent on
    // the way out, and that size.
    std::string size_to_give_back_;
    int found_rows_ = 0;
    int found_cols_ = 0;
    termios saved_modes_{};
    termios game_modes_{};
    bool input_ended_ = false;
    std::mbstate_t multibyte_{};
    KeyDecoder decoder_;
    TypeAhead type_ahead_;
    SoundChoice sound_choice_ = SoundChoice::off;
    bool bell_due_ = false;  // a beep to ring with the next picture
    std::int64_t last_bell_us_ = 0;
    // The sound device's player, only where the tones go there: elsewhere
    // the device is never opened.
    std::unique_ptr<TonePlayer> sound_;
};

}  // namespace patrulha::platform
