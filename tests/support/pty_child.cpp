// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "tests/support/pty_child.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace patrulha::testing {

namespace {

void set_flags(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    // Kept out of every program the test starts (tmux servers above all),
    // so that nothing else holds the terminal or the pipe open.
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

PtyChild::PtyChild(const std::function<void(int)>& body, int columns, int rows) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    const pid_t parent = ::getpid();
    std::fflush(nullptr);
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ < 0) {
        ::close(report[0]);
        ::close(report[1]);
        throw std::runtime_error("forkpty");
    }
    if (pid_ == 0) {
        // Dies with the test, even when the test is killed outright.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::close(report[0]);
        // The report pipe stays open across exec only where the body wants.
        ::fcntl(report[1], F_SETFD, 0);
        body(report[1]);
        ::_exit(0);
    }
    ::close(report[1]);
    report_fd_ = report[0];
    set_flags(master_);
    set_flags(report_fd_);
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
}

std::function<void(int)> PtyChild::program(const std::string& path,
                                           std::vector<std::string> environment,
                                           std::vector<std::string> arguments) {
    return [path, environment, arguments](int report_fd) {
        ::close(report_fd);
        for (const std::string& e : environment) {
            if (!e.empty() && e[0] == '-') {
                ::unsetenv(e.c_str() + 1);
            } else if (const auto eq = e.find('='); eq != std::string::npos) {
                ::setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
            }
        }
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    };
}

PtyChild::~PtyChild() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    for (const int fd : {master_, slave_, report_fd_})
        if (fd >= 0) ::close(fd);
}

void PtyChild::type(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else
            pump(std::chrono::milliseconds(5));  // the terminal's input is full: let it drain
    }
}

bool PtyChild::input_taken() const {
    int unread = 0;
    return slave_ >= 0 && ::ioctl(slave_, FIONREAD, &unread) == 0 && unread == 0;
}

void PtyChild::resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ::ioctl(master_, TIOCSWINSZ, &size);
}

void PtyChild::read_slowly(int bytes_per_second, bool answers) {
    rate_ = bytes_per_second;
    answers_ = answers;
    allowance_ = 0;
    allowed_at_ = std::chrono::steady_clock::now();
}

void PtyChild::pump(std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    char buffer[4096];
    std::size_t room = sizeof buffer;
    if (rate_ > 0) {
        // Half a second's bytes at most at once: a reader held up by a busy
        // machine catches up, so the link keeps its rate on average.
        const Clock::time_point now = Clock::now();
        allowance_ =
            std::min(allowance_ + std::chrono::duration<double>(now - allowed_at_).count() * rate_,
                     rate_ / 2.0);
        allowed_at_ = now;
        if (allowance_ < 1) {
            const auto byte_time = std::chrono::duration<double>((1 - allowance_) / rate_);
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(byte_time));
        }
        room = std::min(room, static_cast<std::size_t>(allowance_));
    }
    pollfd fds[2] = {{room > 0 ? master_ : -1, POLLIN, 0},
                     {report_closed_ ? -1 : report_fd_, POLLIN, 0}};
    ::poll(fds, 2, static_cast<int>(std::max<long>(0, wait.count())));
    while (room > 0) {
        const ssize_t n = ::read(master_, buffer, room);
        if (n <= 0) break;
        const std::size_t from = output_.size() >= 3 ? output_.size() - 3 : 0;
        output_.append(buffer, static_cast<std::size_t>(n));
        if (rate_ > 0) {
            allowance_ -= static_cast<double>(n);
            room -= static_cast<std::size_t>(n);
        }
        for (std::size_t at = from;
             answers_ && (at = output_.find("\x1b[5n", at)) != std::string::npos; ++at)
            type("\x1b[0n");
    }
    while (!report_closed_) {
        const ssize_t n = ::read(report_fd_, buffer, sizeof buffer);
        if (n > 0) {
            report_.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) report_closed_ = true;
        break;
    }
}

bool PtyChild::wait_until(const std::function<bool()>& ready, std::chrono::milliseconds deadline) {
    return testing::wait_until(
        [&] {
            pump(std::chrono::milliseconds(0));
            return ready();
        },
        deadline);
}

void PtyChild::pause(std::chrono::milliseconds time) {
    const auto until = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < until)
        pump(std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now()));
}

bool PtyChild::wait_for_exit(std::chrono::milliseconds deadline) {
    return wait_until(
        [&] {
            if (pid_ > 0 && ::waitpid(pid_, &status_, WNOHANG) == pid_) pid_ = -1;
            return pid_ < 0;
        },
        deadline);
}

}  // namespace patrulha::testing
