// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

namespace patrulha::platform {

namespace {

// The signals whose default action ends the process and that the main loop
// answers; the real-time signals join them at run time.
constexpr int kEndSignals[] = {SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1,
                               SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO,   SIGPWR};
// The faults, raised by the thread that ran into them.
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};

template <typename Each>
void for_each_end_signal(Each each) {
    for (const int sig : kEndSignals) each(sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) each(sig);
}

volatile std::sig_atomic_t end_signal = 0;
// Taken by exchange: a signal that arrives while its flag is being taken is
// either taken now or stays set for the next look, never lost.
std::atomic<bool> suspend_requested{false};
std::atomic<bool> continued{false};
std::atomic<bool> resized{false};
int wake_pipe[2] = {-1, -1};

void wake() {
    if (wake_pipe[1] < 0) return;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_pipe[1], &byte, 1);
    errno = saved;
}

// Puts back the default action of `sig` and delivers it to this thread.
// Safe in a signal handler.
void die_by(int sig) {
    struct sigaction fallback {};
    sigemptyset(&fallback.sa_mask);
    fallback.sa_handler = SIG_DFL;
    ::sigaction(sig, &fallback, nullptr);
    ::raise(sig);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    // Blocked while its own handler runs, or by the caller: pending until
    // here, where it takes effect.
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
}

extern "C" void on_end_signal(int sig) {
    if (end_signal != 0) {
        // The first one has not ended the program yet, or its ending is
        // stuck: this one does it now.
        emergency_reset();
        die_by(sig);
        ::_exit(128 + sig);
    }
    end_signal = sig;
    wake();
}

extern "C" void on_suspend(int) {
    // A continue from now on is the shell's answer to this stop.
    continued = false;
    suspend_requested = true;
    wake();
}

extern "C" void on_continue(int) {
    continued = true;
    wake();
}

extern "C" void on_resize(int) {
    resized = true;
    wake();
}

// ==== The emergency reset ====

// Fixed storage, filled before it can be needed: a crash handler may not
// allocate.
char reset_bytes[512];
std::size_t reset_length = 0;
int reset_fd = -1;
int modes_fd = -1;
termios saved_modes{};
std::atomic<bool> armed{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the crash handler needs a lock-free flag");

extern "C" void on_crash(int sig) {
    emergency_reset();
    // The handler was installed with SA_RESETHAND and SA_NODEFER: the
    // default action is back and the signal is not blocked, so this ends
    // the process as the original crash would have, core dump included.
    ::raise(sig);
}

std::terminate_handler previous_terminate = nullptr;

void on_terminate() {
    emergency_reset();
    if (previous_terminate) previous_terminate();
    std::abort();
}

// A stack for the crash handler, which must still run when the crash was
// the stack running out.
alignas(16) char crash_stack[64 * 1024];

// `what`, and why it failed (errno).
std::string failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Whether the parent left `sig` ignored: then it stays so.
bool inherited_ignored(int sig) {
    struct sigaction current {};
    return ::sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

std::string install_signal_handlers() {
    if (wake_pipe[0] < 0) {
        if (::pipe(wake_pipe) != 0) return failure("cannot make the signals' wake pipe");
        for (const int fd : wake_pipe) {
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
                ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
                return failure("cannot set up the signals' wake pipe");
        }
    }

    std::string failed;
    const auto install = [&](int sig, const struct sigaction& action) {
        if (failed.empty() && ::sigaction(sig, &action, nullptr) != 0)
            failed = failure(("cannot handle signal " + std::to_string(sig)).c_str());
    };
    struct sigaction action {};
    // Restarted, so that a signal never cuts a write to the terminal short;
    // the waits (poll, clock_nanosleep) end early all the same, and the
    // pipe wakes a poll that had not started yet.
    action.sa_flags = SA_RESTART;
    action.sa_handler = on_end_signal;
    // One ending handler at a time: a second signal runs its handler after
    // the first's has recorded it.
    sigemptyset(&action.sa_mask);
    for_each_end_signal([&](int sig) { sigaddset(&action.sa_mask, sig); });
    for_each_end_signal([&](int sig) {
        if (!inherited_ignored(sig)) install(sig, action);
    });
    sigemptyset(&action.sa_mask);
    // Installed before the terminal library starts, so that it keeps its
    // own handlers for these out of the way: its suspend handler would
    // redraw from inside the signal, in the middle of whatever was drawing.
    // A shell without job control leaves SIGTSTP ignored: no suspending
    // then, since nothing would continue the program.
    action.sa_handler = on_suspend;
    if (!inherited_ignored(SIGTSTP)) install(SIGTSTP, action);
    action.sa_handler = on_continue;
    install(SIGCONT, action);
    action.sa_handler = on_resize;
    install(SIGWINCH, action);

    stack_t stack{};
    stack.ss_sp = crash_stack;
    stack.ss_size = sizeof crash_stack;
    if (failed.empty() && ::sigaltstack(&stack, nullptr) != 0)
        failed = failure("cannot give the crash handler a stack");
    struct sigaction crash {};
    sigemptyset(&crash.sa_mask);
    crash.sa_flags = SA_RESETHAND | SA_NODEFER | SA_ONSTACK;
    crash.sa_handler = on_crash;
    for (const int sig : kCrashSignals) install(sig, crash);
    if (!failed.empty()) return failed;

    if (!previous_terminate) previous_terminate = std::set_terminate(on_terminate);
    return {};
}

ThreadCrashStack::ThreadCrashStack() : memory_(new (std::nothrow) char[kSize]) {
    if (!memory_) return;
    stack_t stack{};
    stack.ss_sp = memory_.get();
    stack.ss_size = kSize;
    in_use_ = ::sigaltstack(&stack, nullptr) == 0;
}

ThreadCrashStack::~ThreadCrashStack() {
    if (!in_use_) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    ::sigaltstack(&off, nullptr);
}

sigset_t asynchronous_signals() {
    sigset_t set;
    sigfillset(&set);
    for (const int sig : kCrashSignals) sigdelset(&set, sig);
    return set;
}

void end_by_signal(int sig) {
    die_by(sig);
}

int signal_wake_fd() {
    return wake_pipe[0];
}

void drain_signal_wakes() {
    if (wake_pipe[0] < 0) return;
    char sink[64];
    while (::read(wake_pipe[0], sink, sizeof sink) > 0) {
    }
}

int pending_end_signal() {
    return end_signal;
}

bool signals_pending() {
    return end_signal != 0 || suspend_requested.load() || continued.load() || resized.load();
}

bool take_suspend_request() {
    return suspend_requested.exchange(false);
}

bool take_continued() {
    return continued.exchange(false);
}

bool take_resized() {
    return resized.exchange(false);
}

void stop_process() {
    struct sigaction stop_default {
    }, ignore{}, ours{};
    sigemptyset(&stop_default.sa_mask);
    stop_default.sa_handler = SIG_DFL;
    ignore.sa_mask = stop_default.sa_mask;
    ignore.sa_handler = SIG_IGN;
    sigset_t tstp, previous;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    ::pthread_sigmask(SIG_BLOCK, &tstp, &previous);
    sigaction(SIGTSTP, &stop_default, &ours);
    // The stop is held back first: a SIGCONT from now on throws it away
    // (the kernel drops a pending stop when it continues a process).
    ::raise(SIGTSTP);
    // One that came before it: thrown away here (a signal ignored is
    // dropped from the pending ones).
    if (continued.load()) sigaction(SIGTSTP, &ignore, nullptr);
    // The process stops here, unless thrown away, and goes on from here
    // when continued.
    sigset_t stop_now = previous;
    sigdelset(&stop_now, SIGTSTP);
    ::pthread_sigmask(SIG_SETMASK, &stop_now, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    sigaction(SIGTSTP, &ours, nullptr);
    suspend_requested = false;
}

void arm_emergency_reset(const std::string& reset, int fd, int modes_at, const termios& modes) {
    armed = false;
    reset_length = std::min(reset.size(), sizeof reset_bytes);
    std::memcpy(reset_bytes, reset.data(), reset_length);
    reset_fd = fd;
    modes_fd = modes_at;
    saved_modes = modes;
    armed = true;
}

void disarm_emergency_reset() {
    armed = false;
}

void emergency_reset() noexcept {
    if (!armed.exchange(false)) return;
    std::size_t done = 0;
    bool flushed = false;
    while (done < reset_length) {
        const ssize_t n = ::write(reset_fd, reset_bytes + done, reset_length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && !flushed) {
            // The terminal is not reading: what waits for it is stale. The
            // reset string starts with CAN, which ends a sequence cut off
            // by the flush, so it is written whole again.
            flushed = true;
            ::tcflush(reset_fd, TCOFLUSH);
            done = 0;
        } else {
            break;  // the terminal is gone, or still full: nothing more to do for it
        }
    }
    ::tcsetattr(modes_fd, TCSANOW, &saved_modes);
}

}  // namespace patrulha::platform
