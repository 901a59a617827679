// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A program in a detached tmux session of its own (its own server socket,
// so tests run side by side), driven with send-keys and read back with
// capture-pane. The server and every process in it end with the session,
// and with the test's process when that dies without unwinding (a crash,
// ctest's kill at a timeout).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/ansi_screen.h"
#include "tests/support/wait.h"

namespace patrulha::testing {

class TmuxSession {
public:
    // Starts `command` (run by sh) in a pane of `columns` x `rows`, with the
    // environment given as NAME=value pairs added to a clean one (HOME, PATH,
    // TERM=tmux-256color, LANG=C.UTF-8 unless overridden). The pane stays
    // after the command ends, so its last screen and status can be read.
    explicit TmuxSession(const std::string& command, std::vector<std::string> environment = {},
                         int columns = 80, int rows = 42);
    ~TmuxSession();
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    // tmux send-keys with each argument as a key name or text ("Up", "z",
    // "C-c", "Escape").
    void send_keys(const std::vector<std::string>& keys);
    // Sends text literally (send-keys -l).
    void send_text(const std::string& text);

    // The screen as text, one line per row (capture-pane -p); with
    // `escapes`, with the SGR colour sequences (capture-pane -p -e).
    std::string capture(bool escapes = false) const;
    // One row of the screen, 1-based.
    std::string row(int y) const;

    // Waits until `ready` holds for the captured screen, or the deadline
    // passes; returns whether it held. `ready` should check the whole state
    // the test looks at next, never a part of a screen still being drawn.
    bool wait_until(const std::function<bool(const std::string&)>& ready,
                    std::chrono::milliseconds deadline = kPatience, bool escapes = false) const;
    // Waits until the screen shows `text`.
    bool wait_for_text(const std::string& text,
                       std::chrono::milliseconds deadline = kPatience) const;

    // Whether the command has ended, and its exit status when it has: -1
    // when tmux does not know it (a signal ended the command, or tmux has not
    // yet collected the status, which can lag well behind the pane's death;
    // a test that needs the status reliably echoes $? from a shell).
    bool ended() const;
    int exit_status() const;
    bool wait_for_end(std::chrono::milliseconds deadline = kPatience) const;

    // Whether the pane shows the alternate screen, as a full-screen program
    // running in it does.
    bool alternate_screen() const;
    bool wait_for_alternate_screen(bool on, std::chrono::milliseconds deadline = kPatience) const;

    // Whether the program in the pane has read everything typed so far.
    bool input_taken() const;

    // The pane's process id (the shell's, or the command's with exec).
    int pane_pid() const;

    // tmux itself, on this session's server, e.g. {"resize-window", "-x", "60"}.
    std::string tmux(const std::vector<std::string>& arguments) const;

    const std::string& target() const { return target_; }

private:
    std::string end_command() const;
    void watch_over_server();
    void end_server();

    std::string socket_;
    std::string target_;
    int watcher_fd_ = -1;
};

// The screen of `capture(true)`, read by the tests' ANSI screen: rows of
// cells, the SGR state carried from cell to cell.
std::vector<std::vector<ShownCell>> parse_capture(const std::string& text);

// The cell at screen position (x, y), 1-based; a blank past a row's end.
ShownCell cell_at(const std::vector<std::vector<ShownCell>>& rows, int x, int y);

// One row of a captured screen, 1-based; empty past the last.
std::string row_of(const std::string& screen, int y);

// Runs a command, returns what it printed on standard output.
std::string run_capture(const std::string& command);

// The text of a screen with every line's trailing blanks removed.
std::string trim_lines(const std::string& screen);

}  // namespace patrulha::testing
