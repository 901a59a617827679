// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The signals the terminal program answers, and what is done when it cannot
// unwind. Handlers only record what arrived and wake the main loop through a
// pipe; the loop acts at its next pacing point or key wait, and once the
// terminal is back the program ends by that same signal, so that the shell
// sees how it died. Crash signals and std::terminate are the exception: they
// put the terminal back at once from a reset string and saved modes
// prepared in advance, then let the process die as it would have (a core
// dump still happens).
#pragma once

#include <signal.h>
#include <termios.h>

#include <cstddef>
#include <memory>
#include <string>

namespace patrulha::platform {

// Installs the handlers. Every signal whose default action ends the process
// ends the program with the terminal restored: SIGINT, SIGTERM, SIGHUP,
// SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU,
// SIGXFSZ, SIGIO, SIGPWR and the real-time signals through the main loop;
// SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS and
// std::terminate at once, through the emergency reset. SIGTSTP suspends;
// SIGCONT and SIGWINCH ask for a redraw. A signal that the parent left
// ignored (nohup, trap '' HUP) stays ignored, SIGTSTP included. Once one
// ending signal has arrived, a second one ends the program at once, even if
// the first has not been acted on: the emergency reset, then death by that
// second signal. Call once, before the terminal is taken over. Returns ""
// or, when the system refused a part of it (no descriptors left for the
// wake pipe, say), what and why: the program cannot then look after the
// terminal and should not start.
std::string install_signal_handlers();

// An alternate signal stack for the thread that holds it, so that a crash
// there that is its stack running out still runs the crash handler (the
// main thread has its own from install_signal_handlers). Where no memory or
// stack can be had, the thread goes on without one.
class ThreadCrashStack {
public:
    ThreadCrashStack();
    ~ThreadCrashStack();
    ThreadCrashStack(const ThreadCrashStack&) = delete;
    ThreadCrashStack& operator=(const ThreadCrashStack&) = delete;

private:
    static constexpr std::size_t kSize = 64 * 1024;
    std::unique_ptr<char[]> memory_;
    bool in_use_ = false;
};

// The signals that threads other than the main one block: every signal but
// the synchronous faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP,
// SIGSYS). A process-wide signal then reaches the main thread, whose waits
// it interrupts, while a fault on any thread still runs the crash handler
// there and restores the terminal.
sigset_t asynchronous_signals();

// The file descriptor that becomes readable when a signal has arrived, for
// poll; -1 when the pipe could not be made.
int signal_wake_fd();

// Empties the wake pipe. Call before looking at the flags below.
void drain_signal_wakes();

// The first signal that asked the program to end, or 0.
int pending_end_signal();

// Ends the process by `sig`, as that signal's default action does (a core
// dump for SIGQUIT where core dumps are enabled). Call once the terminal is
// back and standard output flushed; returns only if the signal could not be
// delivered, which should not happen.
void end_by_signal(int sig);

// Whether any signal has been recorded that the flags below, or
// pending_end_signal, would report: a look at memory, no system call, so
// that a pacing point with nothing to do costs nothing.
bool signals_pending();

// Takes and clears the flags for a suspend request (Ctrl-Z), a resume after
// a stop (SIGCONT), and a change of the window's size.
bool take_suspend_request();
bool take_continued();
bool take_resized();

// Stops the process until it is continued, and returns then; at once where
// it has been continued (SIGCONT) since the stop was asked for, as when the
// shell took the terminal and the player typed `fg` before the program got
// this far. The caller has put the terminal back first.
void stop_process();

// Prepares the emergency reset: the bytes that leave every mode the game
// turns on (written to `fd`), and the terminal modes to put back on
// `modes_fd`. Arms it; from now on a crash restores the terminal.
void arm_emergency_reset(const std::string& reset, int fd, int modes_fd, const termios& modes);

// The terminal has been restored the ordinary way: a later crash leaves it
// alone.
void disarm_emergency_reset();

// Writes the reset string and puts the modes back, once; does nothing when
// disarmed. Safe in a signal handler, and never blocks: where the terminal
// takes nothing (its reader stopped), its output queue of stale pictures is
// thrown away to make room, so that the reset arrives once reading resumes.
void emergency_reset() noexcept;

}  // namespace patrulha::platform
