// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "tests/e2e/tmux_session.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace patrulha::testing {

namespace {

std::string quote(const std::string& s) {
    std::string out = "'";
    for (const char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::atomic<int> sessions{0};

}  // namespace

std::string run_capture(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run: " + command);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

std::string trim_lines(const std::string& screen) {
    std::istringstream in(screen);
    std::string line, out;
    while (std::getline(in, line)) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + '\n';
    }
    return out;
}

TmuxSession::TmuxSession(const std::string& command, std::vector<std::string> environment,
                         int columns, int rows) {
    socket_ = "patrulha-test-" + std::to_string(::getpid()) + "-" + std::to_string(sessions++);
    target_ = "t";
    std::string env = "env -i HOME=" + quote(std::getenv("HOME") ? std::getenv("HOME") : "/root") +
                      " PATH=" + quote(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    // Where the test run keeps the tools' settings and caches out of the
    // home, the pane's programs keep them there too.
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "PULSE_RUNTIME_PATH"}) {
        if (const char* value = std::getenv(name))
            env += " " + quote(std::string(name) + "=" + value);
    }
    bool has_term = false, has_lang = false;
    for (const auto& e : environment) {
        has_term |= e.rfind("TERM=", 0) == 0;
        has_lang |= e.rfind("LANG=", 0) == 0;
    }
    if (!has_term) environment.push_back("TERM=tmux-256color");
    if (!has_lang) environment.push_back("LANG=C.UTF-8");
    for (const auto& e : environment) env += " " + quote(e);
    // The server is started with a clean environment too, so nothing of the
    // test runner's terminal leaks into the pane.
    const std::string start = "env -i PATH=/usr/bin:/bin tmux -L " + socket_ +
                              " -f /dev/null start-server \\; set-option -g status off \\;"
                              " set-option -g remain-on-exit on \\; new-session -d -s " +
                              target_ + " -x " + std::to_string(columns) + " -y " +
                              std::to_string(rows) + " " + quote(env + " sh -c " + quote(command));
    watch_over_server();
    if (std::system(start.c_str()) != 0) {
        end_server();
        throw std::runtime_error("cannot start tmux: " + start);
    }
}

// What ends the server and every process of its panes: the panes' process
// groups killed, then the server, which hangs up whatever is left on its
// terminals. The server leaves its socket behind: that goes too.
std::string TmuxSession::end_command() const {
    const std::string tmux = "tmux -L " + socket_;
    return "for p in $(" + tmux +
           " list-panes -a -F '#{pane_pid}' 2>/dev/null); do "
           "kill -9 -$p 2>/dev/null; done; " +
           tmux + " kill-server 2>/dev/null; rm -f /tmp/tmux-$(id -u)/" + socket_;
}

void TmuxSession::watch_over_server() {
    // A watcher outside the test's process tree (ctest kills that tree on a
    // timeout) reads a pipe that only this process holds open. When the
    // process goes, however it goes, the pipe reaches its end and the
    // watcher ends the server; when the session ends normally, the watcher
    // finds nothing left to end.
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    const std::string script = "read _; " + end_command();
    std::fflush(nullptr);
    const pid_t first = ::fork();
    if (first == 0) {
        if (::fork() == 0) {
            ::setsid();
            ::dup2(pipe[0], STDIN_FILENO);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        }
        ::_exit(0);
    }
    ::close(pipe[0]);
    if (first > 0) ::waitpid(first, nullptr, 0);
    watcher_fd_ = pipe[1];
}

void TmuxSession::end_server() {
    std::system(end_command().c_str());
    if (watcher_fd_ >= 0) ::close(watcher_fd_);
    watcher_fd_ = -1;
}

TmuxSession::~TmuxSession() {
    end_server();
}

std::string TmuxSession::tmux(const std::vector<std::string>& arguments) const {
    std::string command = "tmux -L " + socket_;
    for (const auto& a : arguments) command += " " + quote(a);
    return run_capture(command + " 2>/dev/null");
}

void TmuxSession::send_keys(const std::vector<std::string>& keys) {
    std::vector<std::string> args = {"send-keys", "-t", target_};
    args.insert(args.end(), keys.begin(), keys.end());
    tmux(args);
}

void TmuxSession::send_text(const std::string& text) {
    tmux({"send-keys", "-t", target_, "-l", text});
}

std::string TmuxSession::capture(bool escapes) const {
    if (escapes) return tmux({"capture-pane", "-p", "-e", "-N", "-t", target_});
    return tmux({"capture-pane", "-p", "-N", "-t", target_});
}

std::string TmuxSession::row(int y) const {
    return row_of(capture(), y);
}

std::string row_of(const std::string& screen, int y) {
    std::istringstream in(screen);
    std::string line;
    for (int i = 1; std::getline(in, line); ++i)
        if (i == y) return line;
    return {};
}

bool TmuxSession::wait_until(const std::function<bool(const std::string&)>& ready,
                             std::chrono::milliseconds deadline, bool escapes) const {
    return testing::wait_until([&] { return ready(capture(escapes)); }, deadline);
}

bool TmuxSession::wait_for_text(const std::string& text, std::chrono::milliseconds deadline) const {
    return wait_until([&](const std::string& s) { return s.find(text) != std::string::npos; },
                      deadline);
}

bool TmuxSession::ended() const {
    return tmux({"display-message", "-p", "-t", target_, "#{pane_dead}"}).rfind("1", 0) == 0;
}

int TmuxSession::exit_status() const {
    // tmux leaves the status empty for a command ended by a signal, and at
    // times for a while after the pane has died.
    const std::string s = tmux({"display-message", "-p", "-t", target_, "#{pane_dead_status}"});
    return s.find_first_of("0123456789") == std::string::npos ? -1 : std::stoi(s);
}

bool TmuxSession::wait_for_end(std::chrono::milliseconds deadline) const {
    return testing::wait_until([&] { return ended(); }, deadline);
}

std::vector<std::vector<ShownCell>> parse_capture(const std::string& text) {
    // Each line ends at a line feed alone; tmux marks the cells of the
    // line-drawing set with shift-out and shift-in, so that set is the
    // second one. The screen is as wide as the longest line in bytes.
    std::string fed = "\033)0";
    int lines = 1, width = 1, length = 0;
    for (const char c : text) {
        fed += c == '\n' ? std::string("\r\n") : std::string(1, c);
        lines += c == '\n';
        length = c == '\n' ? 0 : length + 1;
        width = std::max(width, length);
    }
    AnsiScreen screen(width, lines, {.strict = false});
    screen.feed(fed);
    std::vector<std::vector<ShownCell>> rows(static_cast<std::size_t>(lines));
    for (int y = 0; y < lines; ++y)
        for (int x = 0; x < width; ++x)
            rows[static_cast<std::size_t>(y)].push_back(screen.at(x, y));
    return rows;
}

ShownCell cell_at(const std::vector<std::vector<ShownCell>>& rows, int x, int y) {
    if (y < 1 || y > static_cast<int>(rows.size())) return {};
    const auto& row = rows[static_cast<std::size_t>(y - 1)];
    if (x < 1 || x > static_cast<int>(row.size())) return {};
    return row[static_cast<std::size_t>(x - 1)];
}

bool TmuxSession::alternate_screen() const {
    return tmux({"display-message", "-p", "-t", target_, "#{alternate_on}"}).rfind("1", 0) == 0;
}

bool TmuxSession::wait_for_alternate_screen(bool on, std::chrono::milliseconds deadline) const {
    return testing::wait_until([&] { return alternate_screen() == on; }, deadline);
}

bool TmuxSession::input_taken() const {
    std::string tty = tmux({"display-message", "-p", "-t", target_, "#{pane_tty}"});
    tty = tty.substr(0, tty.find('\n'));
    const int fd = ::open(tty.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int unread = 0;
    const bool taken = ::ioctl(fd, FIONREAD, &unread) == 0 && unread == 0;
    ::close(fd);
    return taken;
}

int TmuxSession::pane_pid() const {
    const std::string s = tmux({"display-message", "-p", "-t", target_, "#{pane_pid}"});
    return s.empty() ? -1 : std::stoi(s);
}

}  // namespace patrulha::testing
