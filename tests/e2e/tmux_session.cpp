#include "tests/e2e/tmux_session.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <thread>

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
                              " set-option -g remain-on-exit on \\; new-session -d -s " + target_ +
                              " -x " + std::to_string(columns) + " -y " + std::to_string(rows) +
                              " " + quote(env + " sh -c " + quote(command));
    if (std::system(start.c_str()) != 0) throw std::runtime_error("cannot start tmux: " + start);
}

TmuxSession::~TmuxSession() {
    std::system(("tmux -L " + socket_ + " kill-server 2>/dev/null").c_str());
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

void TmuxSession::send_text(const std::string& text) { tmux({"send-keys", "-t", target_, "-l", text}); }

std::string TmuxSession::capture(bool escapes) const {
    if (escapes) return tmux({"capture-pane", "-p", "-e", "-N", "-t", target_});
    return tmux({"capture-pane", "-p", "-N", "-t", target_});
}

std::string TmuxSession::row(int y) const {
    std::istringstream in(capture());
    std::string line;
    for (int i = 1; std::getline(in, line); ++i)
        if (i == y) return line;
    return {};
}

bool TmuxSession::wait_until(const std::function<bool(const std::string&)>& ready,
                             std::chrono::milliseconds deadline, bool escapes) const {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (ready(capture(escapes))) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!ended()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<std::vector<ShownCell>> parse_capture(const std::string& text) {
    std::vector<std::vector<ShownCell>> rows(1);
    ShownCell pen;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            rows.emplace_back();
            ++i;
            continue;
        }
        if (byte == 0x1b && i + 1 < text.size() && text[i + 1] == '[') {
            const std::size_t end =
                text.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", i + 2);
            if (end == std::string::npos) break;
            if (text[end] == 'm') {
                std::vector<int> params;
                std::stringstream list(text.substr(i + 2, end - i - 2));
                std::string item;
                while (std::getline(list, item, ';'))
                    params.push_back(item.empty() ? 0 : std::stoi(item));
                if (params.empty()) params.push_back(0);
                for (std::size_t k = 0; k < params.size(); ++k) {
                    const int p = params[k];
                    if (p == 0) {
                        pen = ShownCell{};
                    } else if (p == 1) {
                        pen.bold = true;
                    } else if (p == 22) {
                        pen.bold = false;
                    } else if (p >= 30 && p <= 37) {
                        pen.fg = p - 30;
                    } else if (p >= 40 && p <= 47) {
                        pen.bg = p - 40;
                    } else if (p >= 90 && p <= 97) {
                        pen.fg = p - 90 + 8;
                    } else if (p >= 100 && p <= 107) {
                        pen.bg = p - 100 + 8;
                    } else if (p == 39) {
                        pen.fg = kDefaultColour;
                    } else if (p == 49) {
                        pen.bg = kDefaultColour;
                    } else if ((p == 38 || p == 48) && k + 2 < params.size() &&
                               params[k + 1] == 5) {
                        (p == 38 ? pen.fg : pen.bg) = params[k + 2];
                        k += 2;
                    } else if ((p == 38 || p == 48) && k + 4 < params.size() &&
                               params[k + 1] == 2) {
                        (p == 38 ? pen.fg : pen.bg) = 1000;  // a direct colour: no palette entry
                        k += 4;
                    }
                }
            }
            i = end + 1;
            continue;
        }
        std::size_t length = 1;
        if (byte >= 0xF0)
            length = 4;
        else if (byte >= 0xE0)
            length = 3;
        else if (byte >= 0xC0)
            length = 2;
        ShownCell cell = pen;
        cell.glyph = text.substr(i, length);
        rows.back().push_back(cell);
        i += length;
    }
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
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (alternate_screen() != on) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int TmuxSession::pane_pid() const {
    const std::string s = tmux({"display-message", "-p", "-t", target_, "#{pane_pid}"});
    return s.empty() ? -1 : std::stoi(s);
}

}  // namespace patrulha::testing
