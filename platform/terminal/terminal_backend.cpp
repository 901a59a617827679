// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/terminal_backend.h"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/size_notice.h"
#include "platform/terminal/terminfo.h"
#include "platform/terminal/window_request.h"

namespace patrulha::platform {

namespace {

// CAN: ends an escape sequence that was cut off, and is nothing otherwise.
constexpr char kCancel[] = "\x18";

// How long the restore may wait for a terminal that takes nothing.
constexpr std::int64_t kRestoreDeadlineUs = 500'000;

// Ending by a signal, how long the restore is left to the terminal under
// the game's modes before the shell's go back.
constexpr int kSignalGraceMs = 30;

// A pacing point that has not waited on the keyboard for this long looks
// at it without waiting, so that keys reach a game that never sleeps (one
// far behind its pace) within about a frame.
constexpr std::int64_t kInputLookUs = 20'000;

// Beeps rung as the terminal's bell at most this often: a volley of shots
// must not become a din, nor a flood of bytes on a slow link.
constexpr std::int64_t kBellGapUs = 250'000;

// Input read in one go at most, so that an endless paste still lets the
// game present and pace.
constexpr std::size_t kMaxReadPerCall = 256 * 1024;

bool locale_is_utf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

std::int64_t monotonic_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

std::int64_t now_ms() {
    return monotonic_us() / 1000;
}

std::string system_error(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Writes what the terminal takes of `size` bytes without waiting; how many
// it took. A terminal that is gone takes everything: its input says so.
std::size_t write_some(int fd, const char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else {
            return size;
        }
    }
    return done;
}

}  // namespace

// ==== Signals ====

void TerminalBackend::check_signals() {
    if (!signals_pending()) return;
    drain_signal_wakes();
    if (const int sig = pending_end_signal()) throw ProgramEnded{128 + sig};
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

TerminalBackend::TerminalBackend(SoundChoice sound, Asciicast* cast)
    : cast_(cast),
      cast_start_us_(monotonic_us()),
      sound_choice_(settle_sound(sound, [](const char* name) { return std::getenv(name); })) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO))
        throw TerminalError("needs an interactive terminal on standard input and output");
    if (sound_choice_ == SoundChoice::device) sound_ = std::make_unique<TonePlayer>();
    const char* term = std::getenv("TERM");
    if (const std::string reason = terminal_unusable_reason(term); !reason.empty())
        throw TerminalError(reason);
    term_ = richer_term(
        term, [](const char* name) { return std::getenv(name); }, terminal_known);
    if (::tcgetattr(STDIN_FILENO, &saved_modes_) != 0)
        throw TerminalError(system_error("cannot read the terminal's modes"));

    utf8_ = locale_is_utf8();
    writer_ = std::make_unique<ScreenWriter>(load_terminal_strings(term_), utf8_);
    open_output();

    // Keys one by one and unechoed; Ctrl-C, Ctrl-Z and Ctrl-\ still send
    // their signals, but Ctrl-S and Ctrl-Q are keys like any other rather
    // than stopping the output. Enter comes as a carriage return, and a
    // line feed sent is a plain move down. A signal key leaves the output
    // queue alone (NOFLSH): the restore written just before it still
    // arrives. What was typed before the key is thrown away by the backend
    // itself, as the terminal would have (discard_typed_ahead).
    game_modes_ = saved_modes_;
    game_modes_.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    game_modes_.c_lflag |= ISIG | NOFLSH;
    game_modes_.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | IXOFF);
    // Output goes out as written, with no processing at all (OPOST off):
    // the writer sends nothing a terminal's line discipline would change,
    // and the kernel then passes each picture on in one block.
    game_modes_.c_oflag &= ~static_cast<tcflag_t>(OPOST | ONLCR);
    // Reads return at once: the backend reads only what poll and FIONREAD
    // said is there, and a read must not wait for more.
    game_modes_.c_cc[VMIN] = 0;
    game_modes_.c_cc[VTIME] = 0;

    active_ = true;
    try {
        take_over();
    } catch (...) {
        restore();
        disarm_emergency_reset();
        if (out_fd_ != STDOUT_FILENO) ::close(out_fd_);
        throw;
    }
}

// The game's way to the terminal stays open, and the restore ready to be
// sent again, until the process ends: a signal key after the restore, up to
// the very end (the sound thread may take a moment to stop), may still make
// the terminal throw the restore away.
TerminalBackend::~TerminalBackend() {
    restore();
}

void TerminalBackend::open_output() {
    out_fd_ = STDOUT_FILENO;
    char name[256];
    if (::ttyname_r(STDOUT_FILENO, name, sizeof name) != 0) return;
    const int fd = ::open(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    // The same terminal, not another that has taken its name since.
    struct stat opened {
    }, standard{};
    if (::fstat(fd, &opened) != 0 || ::fstat(STDOUT_FILENO, &standard) != 0 ||
        opened.st_rdev != standard.st_rdev) {
        ::close(fd);
        return;
    }
    out_fd_ = fd;
}

void TerminalBackend::set_modes(const termios& modes) {
    while (::tcsetattr(STDIN_FILENO, TCSADRAIN, &modes) != 0) {
        if (errno != EINTR) throw TerminalError(system_error("cannot set the terminal's modes"));
    }
}

void TerminalBackend::take_over() {
    set_modes(game_modes_);
    const TerminalStrings& t = writer_->strings();
    arm_emergency_reset(emergency_bytes(), out_fd_, STDIN_FILENO, saved_modes_);
    std::string enter = t.enter_ca + t.keypad_on;
    if (!utf8_) enter += t.enable_acs;
    send(enter);
    writer_->forget();
    update_size();
}

// What a crash writes to leave every mode the game turned on, after a CAN
// that ends whatever sequence the crash cut short.
std::string TerminalBackend::emergency_bytes() const {
    const TerminalStrings& t = writer_->strings();
    // Appended piece by piece: GCC 12 wrongly warns of an overlapping copy
    // (-Wrestrict) when CAN is put in front of a finished string.
    std::string reset = kCancel;
    reset += size_to_give_back_;
    reset += t.sgr0;
    if (!utf8_) reset += t.exit_acs;
    return reset + t.orig_pair + t.show_cursor + t.keypad_off + t.exit_ca;
}

void TerminalBackend::give_back(const std::string& first) {
    await_answer();
    const TerminalStrings& t = writer_->strings();
    std::string bytes = first + writer_->plain() + t.show_cursor + t.keypad_off;
    if (!t.exit_ca.empty()) {
        // A terminal that ignores the alternate screen (GNU screen as it
        // comes) keeps the last picture: the prompt goes on its last row, as
        // after any full-screen program, not where the drawing stopped.
        bytes += cursor_to(t.cursor_address, rows_ - 1, 0);
        bytes += t.exit_ca;
    } else {
        // No alternate screen: the console stays on the screen, and the
        // shell's prompt goes on the line below it rather than over it.
        const int last = std::min(rows_, ConsoleBuffer::kHeight) - 1;
        bytes += t.move_to[static_cast<std::size_t>(last * ConsoleBuffer::kWidth)];
        bytes += t.carriage_return.empty() ? "\r" : t.carriage_return;
        bytes += "\n";
    }
    send_restore(bytes);
    let_restore_arrive();
    // The modes last: where the shell has taken the terminal back already,
    // this is what stops the program (SIGTTOU) until it is continued.
    while (::tcsetattr(STDIN_FILENO, TCSADRAIN, &saved_modes_) != 0 && errno == EINTR) {
    }
}

void TerminalBackend::restore() {
    if (!active_) return;
    active_ = false;
    if (sound_) sound_->silence();
    const int signal_before = pending_end_signal();
    if (signal_before == SIGINT || signal_before == SIGQUIT) discard_typed_ahead();
    // The window's own size back first, and the prompt on its last row.
    const std::string size = size_to_give_back_;
    if (!size.empty()) {
        size_to_give_back_.clear();
        rows_ = found_rows_;
        cols_ = found_cols_;
    }
    give_back(size);
    // A signal key makes the terminal throw away what it has not shown yet
    // once the modes are the shell's again, and the restore may be among
    // it: sent again after one that came meanwhile, and kept ready for one
    // that comes before the process has ended (its handler sends it).
    arm_emergency_reset(kCancel + restore_sent_, out_fd_, STDIN_FILENO, saved_modes_);
    if (pending_end_signal() != signal_before) emergency_reset();
}

// What was typed before a signal key is no more meant for the shell than
// for the game: thrown away, as the terminal itself does where the signal
// keys flush (a paste cut short by Ctrl-C, say). The signal key came after
// it, so it is all in the input queue by now. Only while the game has the
// terminal: from the background, the flush would stop the program
// (SIGTTOU), and the queue is the shell's.
void TerminalBackend::discard_typed_ahead() {
    type_ahead_.clear();
    if (::tcgetpgrp(STDIN_FILENO) == ::getpgrp()) ::tcflush(STDIN_FILENO, TCIFLUSH);
}

// ==== Output ====

void TerminalBackend::send(const std::string& bytes) {
    if (bytes.empty()) return;
    if (cast_) cast_->output(monotonic_us() - cast_start_us_, bytes);
    if (!unsent_.empty()) {
        unsent_ += bytes;
        flush_output();
        return;
    }
    const std::size_t done = write_some(out_fd_, bytes.data(), bytes.size());
    if (done < bytes.size()) unsent_.assign(bytes, done, std::string::npos);
}

void TerminalBackend::flush_output() {
    if (unsent_.empty()) return;
    unsent_.erase(0, write_some(out_fd_, unsent_.data(), unsent_.size()));
}

void TerminalBackend::send_restore(const std::string& bytes) {
    restore_sent_ = bytes;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (unsent_.empty()) {
            send(bytes);
            if (unsent_.empty()) return;
        }
        // The terminal has not taken the last pictures: they are stale,
        // thrown away from its queue too, and CAN ends the sequence the cut
        // may have left open, so that the restore arrives whole once the
        // terminal reads again.
        unsent_.clear();
        picture_behind_ = false;
        ::tcflush(out_fd_, TCOFLUSH);
        send(kCancel + bytes);
        if (unsent_.empty()) return;
    }
    // What still does not fit gets a short while, never more.
    const std::int64_t until = monotonic_us() + kRestoreDeadlineUs;
    for (std::int64_t left = kRestoreDeadlineUs; !unsent_.empty() && left > 0;
         left = until - monotonic_us()) {
        pollfd fd{out_fd_, POLLOUT, 0};
        ::poll(&fd, 1, static_cast<int>((left + 999) / 1000));
        flush_output();
    }
    unsent_.clear();
}

void TerminalBackend::let_restore_arrive() {
    // Ending by a signal key, the same key may come again at once (Ctrl-C
    // pressed twice). Under the game's modes it throws nothing away, and
    // its handler sends the restore again before the end; under the
    // shell's, which come back next, it would throw away whatever the
    // terminal has not read yet, the restore among it. A moment for the
    // terminal to read it first.
    if (pending_end_signal()) ::poll(nullptr, 0, kSignalGraceMs);
}

// ==== Suspend, resume and the window's size ====

void TerminalBackend::suspend() {
    // Started from a script, the program shares Ctrl-Z with the script,
    // which stops at once: the shell takes the terminal back, and the
    // player's `fg` may come before the program has seen Ctrl-Z. Then there
    // is nothing to stop for, and the shell has written over the screen.
    if (take_continued()) {
        resume_screen();
        return;
    }
    const std::int64_t stopped_at = monotonic_us();
    if (sound_) sound_->silence();
    bell_due_ = false;
    discard_typed_ahead();
    // The shell may have taken the terminal back and written its prompt
    // already (see above). Then the screen and the modes are the shell's
    // (it puts its own modes back), and only the cursor, the keypad and the
    // colours are set right for its prompt.
    if (::tcgetpgrp(STDIN_FILENO) == ::getpgrp()) {
        give_back();
    } else {
        const TerminalStrings& t = writer_->strings();
        send(writer_->plain() + t.show_cursor + t.keypad_off);
    }
    // Given back the ordinary way: a crash while stopped has nothing to undo.
    disarm_emergency_reset();
    // The shell may also take the terminal while it is being given back,
    // which stops the program there, or before the program stops itself:
    // then `fg` has continued it already, and it does not stop again.
    stop_process();
    take_continued();
    take_over();
    if (too_small())
        show_size_notice();
    else
        repaint();
    standstill_us_ += monotonic_us() - stopped_at;
}

void TerminalBackend::resume_screen() {
    // After a stop the shell may have changed the modes and written over
    // the screen: the program's modes go back and every cell is sent again.
    set_modes(game_modes_);
    const TerminalStrings& t = writer_->strings();
    send(t.enter_ca + t.keypad_on + (utf8_ ? std::string() : t.enable_acs));
    writer_->forget();
    update_size();
    if (too_small())
        show_size_notice();
    else
        repaint();
}

void TerminalBackend::update_size() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
        rows_ = size.ws_row;
        cols_ = size.ws_col;
    }
    writer_->set_size(rows_, cols_);
}

bool TerminalBackend::too_small() const {
    return rows_ < ConsoleBuffer::kHeight || cols_ < ConsoleBuffer::kWidth;
}

void TerminalBackend::show_size_notice() {
    const TerminalStrings& t = writer_->strings();
    std::string bytes = writer_->plain() + t.clear + t.hide_cursor;
    for (NoticeLine& line : size_notice(cols_, rows_)) {
        // Nothing in the window's last cell where writing there would
        // scroll the window.
        if (line.y == rows_ - 1 && line.x + static_cast<int>(line.text.size()) == cols_ &&
            t.auto_margins && !t.eat_newline_glitch)
            line.text.pop_back();
        bytes += cursor_to(t.cursor_address, line.y, line.x) + line.text;
    }
    send(bytes);
    writer_->forget();
}

void TerminalBackend::stand_still_while_small() {
    if (!too_small()) return;
    const std::int64_t since = monotonic_us();
    // A suspend while standing still counts its stop itself; the whole
    // stand-still counts it once.
    const std::int64_t counted = standstill_us_;
    show_size_notice();
    while (too_small()) {
        // Keys typed at the notice are not meant for a game the player
        // cannot see; once the window has grown back (and been repainted),
        // what follows is typed at the game again and must be kept.
        type_ahead_.clear();
        wait_once(-1);
    }
    standstill_us_ = counted + (monotonic_us() - since);
}

void TerminalBackend::repaint() {
    writer_->forget();
    if (shown_) send(writer_->present(*shown_));
}

// ==== Presenting ====

void TerminalBackend::present(const ConsoleBuffer& console) {
    shown_ = &console;
    check_signals();
    look_for_input();
    check_input_alive();
    stand_still_while_small();
    if (!unsent_.empty()) flush_output();
    // Still behind: this picture is dropped; the one shown once the
    // terminal has caught up is the newest.
    if (!unsent_.empty() || (lag_.awaiting_answer() && !lag_.may_send(monotonic_us()))) {
        picture_behind_ = true;
        return;
    }
    send_picture();
}

void TerminalBackend::send_picture() {
    picture_behind_ = false;
    std::string bytes = writer_->present(*shown_);
    if (bell_due_) {
        bell_due_ = false;
        bytes += writer_->strings().bell;
    }
    if (bytes.empty()) return;
    if (lag_.ask(monotonic_us())) bytes += TerminalLag::kQuestion;
    send(bytes);
}

void TerminalBackend::catch_up() {
    if (!picture_behind_ || !shown_ || !unsent_.empty()) return;
    if (lag_.awaiting_answer() && !lag_.may_send(monotonic_us())) return;
    send_picture();
}

void TerminalBackend::await_answer() {
    constexpr std::int64_t kPatienceUs = 200'000;
    // No picture goes out while the terminal is being given back.
    picture_behind_ = false;
    const std::int64_t until = monotonic_us() + kPatienceUs;
    while (lag_.awaiting_answer() && unsent_.empty() && !input_ended_) {
        const std::int64_t left = until - monotonic_us();
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        if (left <= 0 || ::poll(&fd, 1, static_cast<int>((left + 999) / 1000)) <= 0 ||
            (fd.revents & (POLLHUP | POLLERR | POLLNVAL)))
            return;
        read_input();
    }
}

// ==== Time ====

std::int64_t TerminalBackend::now_us() {
    return monotonic_us() - standstill_us_;
}

void TerminalBackend::sleep_us(std::int64_t us) {
    // Waits on the keyboard, the signals' pipe and a terminal that has not
    // taken the last picture at once: keys are read as they come, even
    // while the game sleeps, a signal ends the wait, and the newest picture
    // goes out as soon as the terminal can take it.
    std::int64_t now = monotonic_us();
    std::int64_t until = now + us;
    for (;;) {
        // A suspend inside moves the end on by its length.
        const std::int64_t before = standstill_us_;
        check_signals();
        check_input_alive();
        if (standstill_us_ != before) {
            until += standstill_us_ - before;
            now = monotonic_us();
        }
        const std::int64_t left = until - now;
        if (left <= 0) return;
        const std::int64_t waited_from = standstill_us_;
        // A wait that ran its time out ends the sleep without asking the
        // clock again.
        if (!wait_once(left, now) && standstill_us_ == waited_from) return;
        until += standstill_us_ - waited_from;
        now = monotonic_us();
    }
}

bool TerminalBackend::wait_once(std::int64_t timeout_us, std::int64_t now) {
    // A partial escape sequence wakes the wait when it goes stale, and a
    // picture held for a status answer when the answer is given up.
    bool cut_short = false;
    const auto cut_at = [&](std::int64_t at_us) {
        if (now < 0) now = monotonic_us();
        const std::int64_t until = std::max<std::int64_t>(0, at_us - now);
        cut_short = cut_short || timeout_us < 0 || until < timeout_us;
        timeout_us = timeout_us < 0 ? until : std::min(timeout_us, until);
    };
    if (const std::int64_t deadline = decoder_.deadline_ms(); deadline >= 0)
        cut_at(deadline * 1000);
    if (picture_behind_ && unsent_.empty() && lag_.awaiting_answer())
        cut_at(lag_.asked_at_us() + TerminalLag::kLostUs);
    pollfd fds[3] = {{signal_wake_fd(), POLLIN, 0},
                     {input_ended_ ? -1 : STDIN_FILENO, POLLIN, 0},
                     {unsent_.empty() ? -1 : out_fd_, POLLOUT, 0}};
#if PATRULHA_HAVE_PPOLL
    // To the microsecond, where the system can: the frames keep an even
    // pace.
    const timespec timeout{static_cast<time_t>(timeout_us / 1'000'000),
                           static_cast<long>(timeout_us % 1'000'000) * 1000};
    const int ready = ::ppoll(fds, 3, timeout_us < 0 ? nullptr : &timeout, nullptr);
#else
    // poll counts whole milliseconds: rounded up, so that the wait never
    // spins; the pacing clock takes an over-sleep back at the next pacing
    // point.
    const int ready =
        ::poll(fds, 3, timeout_us < 0 ? -1 : static_cast<int>((timeout_us + 999) / 1000));
#endif
    if (!input_ended_) last_look_us_ = ready == 0 && now >= 0 ? now + timeout_us : monotonic_us();
    if (ready > 0) {
        if (fds[0].revents & POLLIN) drain_signal_wakes();
        check_signals();
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) throw ProgramEnded{1};
        if (fds[1].revents & POLLIN) read_input();
        if (fds[2].revents) flush_output();
    }
    // The terminal took what was left, or its answer is given up for lost.
    catch_up();
    expire_keys();
    return ready != 0 || cut_short;
}

std::time_t TerminalBackend::wall_time() {
    return std::time(nullptr);
}

// ==== Keys ====

void TerminalBackend::decode(const char* bytes, std::size_t size) {
    const std::int64_t now = now_ms();
    for (std::size_t i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (!utf8_) {
            wchar_t wide = 0;
            const char byte = static_cast<char>(b);
            const std::size_t r = std::mbrtowc(&wide, &byte, 1, &multibyte_);
            if (r == static_cast<std::size_t>(-2)) continue;
            if (r == static_cast<std::size_t>(-1)) {
                multibyte_ = std::mbstate_t{};  // not a character: dropped
                continue;
            }
            decoder_.feed_char(static_cast<char32_t>(wide), now);
            continue;
        }
        decoder_.feed_utf8(b, now);
    }
    if (const int answers = decoder_.take_status_reports()) lag_.answered(answers, monotonic_us());
}

namespace {

// Whether standard input is still readable with nothing to read, looked at
// again.
bool readable_and_empty() {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    int available = 0;
    return ::poll(&fd, 1, 0) > 0 && ::ioctl(STDIN_FILENO, FIONREAD, &available) == 0 &&
           available <= 0;
}

}  // namespace

void TerminalBackend::read_input() {
    if (input_ended_) return;
    std::size_t total = 0;
    char buffer[16384];
    for (;;) {
        // The terminal's modes make this read return at once (VMIN 0), even
        // when there is nothing: it must never wait, since a signal's
        // handler restarts it.
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) {
            // What went stale before these bytes came is given up first, so
            // that a late rest of a sequence is known for what it is.
            decoder_.expire(now_ms());
            decode(buffer, static_cast<std::size_t>(n));
            type_ahead_.take(decoder_.codes());
            total += static_cast<std::size_t>(n);
            // A full buffer may have left more behind.
            if (static_cast<std::size_t>(n) == sizeof buffer && total < kMaxReadPerCall) continue;
        } else if (n == 0 && total == 0) {
            // Readable, as the wait said, with nothing to read: the end of
            // input, where it stays so.
            if (readable_and_empty()) input_ended_ = true;
        } else if (n < 0 && errno != EAGAIN) {
            input_ended_ = true;
        }
        break;
    }
    // An answer may have let a held picture go, while the game waits for a
    // key with no present to come.
    catch_up();
}

void TerminalBackend::look_for_input() {
    expire_keys();
    if (input_ended_ || monotonic_us() - last_look_us_ < kInputLookUs) return;
    last_look_us_ = monotonic_us();
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (::poll(&fd, 1, 0) <= 0) return;
    if (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) throw ProgramEnded{1};
    read_input();
}

void TerminalBackend::expire_keys() {
    const std::int64_t deadline = decoder_.deadline_ms();
    if (deadline < 0 || now_ms() < deadline) return;
    decoder_.expire(now_ms());
    type_ahead_.take(decoder_.codes());
}

void TerminalBackend::check_input_alive() {
    if (input_ended_ && type_ahead_.empty()) throw ProgramEnded{1};
}

void TerminalBackend::read_keys(std::deque<int>& keys, bool wait) {
    for (;;) {
        check_signals();
        look_for_input();
        stand_still_while_small();
        type_ahead_.move_to(keys);
        if (!keys.empty() || !wait) return;
        check_input_alive();
        // Sleep until the terminal or a signal has something for us, or a
        // partial escape sequence goes stale.
        wait_once(-1);
    }
}

// ==== Sound and the console's size ====

void TerminalBackend::beep(unsigned frequency, unsigned duration_ms) {
    if (sound_) {
        sound_->play(frequency, duration_ms);
    } else if (sound_choice_ == SoundChoice::bell) {
        // Rung with the picture the beep goes with, so that it never waits
        // on a terminal that is behind nor comes ahead of what it sounds for.
        const std::int64_t now = monotonic_us();
        if (now - last_bell_us_ < kBellGapUs) return;
        last_bell_us_ = now;
        bell_due_ = true;
    }
}

void TerminalBackend::bell() {
    // A terminal that has not taken the last picture gets no bell either.
    if (unsent_.empty()) send(writer_->strings().bell);
}

void TerminalBackend::request_full_console() {
    if (!too_small()) return;
    const ResizeTrust trust =
        resize_trust(term_, [](const char* name) { return std::getenv(name); });
    if (trust == ResizeTrust::Never) return;
    if (trust == ResizeTrust::AfterAsking && !window_reports_its_size()) return;
    // Only what is missing grows; the rest of the window stays as it is.
    send(resize_request(std::max(rows_, static_cast<int>(ConsoleBuffer::kHeight)),
                        std::max(cols_, static_cast<int>(ConsoleBuffer::kWidth))));
    found_rows_ = rows_;
    found_cols_ = cols_;
    size_to_give_back_ = resize_request(rows_, cols_);
    arm_emergency_reset(emergency_bytes(), out_fd_, STDIN_FILENO, saved_modes_);
}

// Asks the terminal for its text area's size; whether it answered. Keys
// typed meanwhile are kept.
bool TerminalBackend::window_reports_its_size() {
    // Long enough for a terminal on this machine; one that has not answered
    // by then is taken not to.
    constexpr int kAnswerDelayMs = 500;
    send(kSizeQuestion);
    std::string bytes;
    TerminalAnswers answers;
    const std::int64_t until = now_ms() + kAnswerDelayMs;
    for (std::int64_t left = kAnswerDelayMs; left > 0; left = until - now_ms()) {
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (fd.revents & (POLLHUP | POLLERR | POLLNVAL))) break;
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        answers = sort_answers(bytes);
        if (answers.attributes_came) break;
    }
    answers = sort_answers(bytes);
    decode(answers.rest.data(), answers.rest.size());
    type_ahead_.take(decoder_.codes());
    return answers.size_reported;
}

}  // namespace patrulha::platform
