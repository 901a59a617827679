// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "bench/session.h"

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <random>
#include <sstream>

#include "bench/lower_bound.h"
#include "bench/terminal_keys.h"
#include "game/game.h"
#include "platform/runtime.h"
#include "platform/terminal/terminal_backend.h"

namespace patrulha::bench {

using platform::Backend;
using platform::ConsoleBuffer;
using platform::PacingClock;
using platform::Runtime;
using platform::TerminalBackend;

namespace {

std::int64_t cpu_now_us() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

struct Usage {
    std::int64_t cpu_us;
    std::int64_t switches;
    std::int64_t max_rss_kib;
};

Usage usage_now() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    auto us = [](const timeval& tv) {
        return static_cast<std::int64_t>(tv.tv_sec) * 1'000'000 + tv.tv_usec;
    };
    return {us(ru.ru_utime) + us(ru.ru_stime), ru.ru_nvcsw + ru.ru_nivcsw, ru.ru_maxrss};
}

// Ends the session from inside the game once its frames are played.
struct SessionOver {};

void write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

bool screen_shows(const ConsoleBuffer& console, const char* text) {
    const std::size_t len = std::strlen(text);
    for (int y = 0; y < ConsoleBuffer::kHeight; ++y) {
        std::string row;
        for (int x = 0; x < ConsoleBuffer::kWidth; ++x)
            row += static_cast<char>(console.at({x, y}).code);
        if (row.find(std::string_view(text, len)) != std::string::npos) return true;
    }
    return false;
}

// Forwards everything to the terminal backend; records each present, plays
// the key script and ends the session.
class RecordingBackend final : public Backend {
public:
    RecordingBackend(TerminalBackend& terminal, const SessionPlan& plan, int master_fd,
                     int control_fd, SessionResult& result)
        : terminal_(terminal),
          plan_(plan),
          master_fd_(master_fd),
          control_fd_(control_fd),
          result_(result),
          random_(plan.seed) {
        start_us_ = terminal_.now_us();
        result_.presents.reserve(static_cast<std::size_t>(plan.frames) * 4 + 4096);
        result_.frames.reserve(static_cast<std::size_t>(plan.frames) + 16);
        arrows_[0] = terminal_key("kcuu1", "\x1bOA");
        arrows_[1] = terminal_key("kcud1", "\x1bOB");
        arrows_[2] = terminal_key("kcub1", "\x1bOD");
        arrows_[3] = terminal_key("kcuf1", "\x1bOC");
    }

    void present(const ConsoleBuffer& console) override {
        terminal_.present(console);
        std::fflush(stdout);
        const std::int64_t cpu_before = cpu_now_us();
        PresentRecord record;
        record.frame = frame_;
        record.console_us = Runtime::instance().clock().console_time();
        record.real_us = terminal_.now_us() - start_us_;
        record.lower_bound = lower_bound_.next_screen(console);
        record.changed_cells = lower_bound_.changed_cells();
        result_.presents.push_back(record);
        write_all(STDOUT_FILENO, kPresentMarker, kPresentMarkerSize);
        bench_cpu_us_ += cpu_now_us() - cpu_before;
    }

    std::int64_t now_us() override { return terminal_.now_us(); }
    void sleep_us(std::int64_t us) override { terminal_.sleep_us(us); }

    void read_keys(std::deque<int>& keys, bool wait) override {
        if (wait) return wait_for_key(keys);
        poll_frame();
        terminal_.read_keys(keys, false);
    }

    void beep(unsigned frequency, unsigned duration_ms) override {
        terminal_.beep(frequency, duration_ms);
    }
    void sleep_requested(unsigned long ms) override { terminal_.sleep_requested(ms); }
    void bell() override { terminal_.bell(); }
    void synthesised_key(int vk, int scan, unsigned flags) override {
        terminal_.synthesised_key(vk, scan, flags);
    }
    void request_full_console() override { terminal_.request_full_console(); }
    // A fixed clock seed: the same game for the same plan.
    std::time_t wall_time() override { return static_cast<std::time_t>(1'000'000 + plan_.seed); }

    // Closes the measurement of play.
    void finish() {
        if (frame_ > 0) {
            result_.play_cpu_us = usage_now().cpu_us - play_start_cpu_us_;
            result_.play_bench_cpu_us = bench_cpu_us_ - play_start_bench_cpu_us_;
            result_.play_real_us = terminal_.now_us() - play_start_real_us_;
        }
    }

private:
    // A keyboard poll of the game loop: one frame ends, the next begins.
    void poll_frame() {
        const std::int64_t now = terminal_.now_us();
        // The console time real time has caught up with: a poll carries its
        // share of the frame to the next wait, so a frame's time is that of
        // the waits, from one poll to the next.
        const PacingClock& clock = Runtime::instance().clock();
        const std::int64_t console = clock.console_time() - clock.behind(now);
        if (frame_ == 0) {
            play_start_cpu_us_ = usage_now().cpu_us;
            play_start_bench_cpu_us_ = bench_cpu_us_;
            play_start_real_us_ = now;
        } else {
            result_.frames.push_back({console - last_poll_console_us_, now - last_poll_real_us_,
                                      waited_since_poll_, keyed_since_poll_});
        }
        waited_since_poll_ = false;
        keyed_since_poll_ = false;
        last_poll_console_us_ = console;
        last_poll_real_us_ = now;
        ++frame_;
        if (frame_ > plan_.frames) throw SessionOver{};

        const std::int64_t cpu_before = cpu_now_us();
        if (std::uniform_real_distribution<double>(0, 1)(random_) < plan_.key_odds) {
            type(next_key());
            keyed_since_poll_ = true;
        }
        bench_cpu_us_ += cpu_now_us() - cpu_before;
    }

    // A key of play: mostly moves and shots, now and then a re-centring or
    // a special bomb. No pause, no leaving.
    std::string next_key() {
        const int pick = std::uniform_int_distribution<int>(0, 99)(random_);
        if (pick < 60) return arrows_[static_cast<std::size_t>(pick % 4)];
        if (pick < 92) return "z";
        if (pick < 97) return "x";
        return "a";
    }

    // Types `bytes` on the terminal's keyboard and waits until the game's
    // side can read them, so that a key lands on the same frame every run.
    void type(const std::string& bytes) {
        write_all(master_fd_, bytes.data(), bytes.size());
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        ::poll(&fd, 1, 1000);
    }

    // The game waits for a key: at the menu, or at the game-over prompt.
    // The terminal side is asked to type the answer (after a measured idle
    // time at the first menu), and the wait itself runs unchanged.
    void wait_for_key(std::deque<int>& keys) {
        waited_since_poll_ = true;
        if (result_.title_presents == 0)
            result_.title_presents = static_cast<int>(result_.presents.size());
        if (!screen_shows(Runtime::instance().console(), "GAME OVER")) ++result_.games;
        const ConsoleBuffer& console = Runtime::instance().console();
        int delay_ms = 0;
        std::string answer(1, plan_.preset);
        if (screen_shows(console, "GAME OVER")) {
            answer = "s";  // play again: the menu follows, then the next game
        } else if (!idle_measured_) {
            delay_ms = plan_.idle_ms;
        }
        char request[64];
        std::snprintf(request, sizeof request, "%d %02x\n", delay_ms,
                      static_cast<unsigned char>(answer[0]));
        write_all(control_fd_, request, std::strlen(request));

        const Usage before = usage_now();
        const std::int64_t real_before = terminal_.now_us();
        terminal_.read_keys(keys, true);
        if (!idle_measured_ && delay_ms > 0) {
            const Usage after = usage_now();
            result_.idle_cpu_us = after.cpu_us - before.cpu_us;
            result_.idle_wakeups = after.switches - before.switches;
            result_.idle_real_us = terminal_.now_us() - real_before;
            idle_measured_ = true;
        }
    }

    TerminalBackend& terminal_;
    const SessionPlan& plan_;
    int master_fd_;
    int control_fd_;
    SessionResult& result_;
    std::mt19937 random_;
    std::string arrows_[4];
    LowerBound lower_bound_;

    std::int64_t start_us_ = 0;
    int frame_ = 0;
    bool waited_since_poll_ = false;
    bool keyed_since_poll_ = false;
    bool idle_measured_ = false;
    std::int64_t last_poll_console_us_ = 0;
    std::int64_t last_poll_real_us_ = 0;
    std::int64_t bench_cpu_us_ = 0;
    std::int64_t play_start_cpu_us_ = 0;
    std::int64_t play_start_bench_cpu_us_ = 0;
    std::int64_t play_start_real_us_ = 0;
};

}  // namespace

SessionResult run_session(const SessionPlan& plan, int master_fd, int control_fd) {
    SessionResult result;
    try {
        TerminalBackend terminal;
        RecordingBackend recorder(terminal, plan, master_fd, control_fd, result);
        Runtime::instance().attach(recorder);
        try {
            patrulha::main();
            result.error = "the game ended before its frames were played";
        } catch (const SessionOver&) {
        } catch (const std::exception& e) {
            result.error = e.what();
        } catch (...) {
            result.error = "the game stopped on an unknown exception";
        }
        recorder.finish();
        terminal.restore();
        Runtime::instance().detach();
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    result.max_rss_kib = usage_now().max_rss_kib;
    return result;
}

std::string SessionResult::serialise() const {
    std::ostringstream out;
    out << "summary " << play_cpu_us << ' ' << play_bench_cpu_us << ' ' << play_real_us << ' '
        << idle_cpu_us << ' ' << idle_real_us << ' ' << idle_wakeups << ' ' << max_rss_kib << ' '
        << games << ' ' << title_presents << '\n';
    if (!error.empty()) out << "error " << error << '\n';
    for (const auto& p : presents)
        out << "p " << p.frame << ' ' << p.console_us << ' ' << p.real_us << ' ' << p.lower_bound
            << ' ' << p.changed_cells << '\n';
    for (const auto& f : frames)
        out << "f " << f.console_us << ' ' << f.real_us << ' ' << (f.waited ? 1 : 0) << ' '
            << (f.keyed ? 1 : 0) << '\n';
    return out.str();
}

SessionResult SessionResult::parse(const std::string& text) {
    SessionResult r;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "summary") {
            fields >> r.play_cpu_us >> r.play_bench_cpu_us >> r.play_real_us >> r.idle_cpu_us >>
                r.idle_real_us >> r.idle_wakeups >> r.max_rss_kib >> r.games >> r.title_presents;
        } else if (kind == "error") {
            r.error = line.substr(6);
        } else if (kind == "p") {
            PresentRecord p;
            fields >> p.frame >> p.console_us >> p.real_us >> p.lower_bound >> p.changed_cells;
            r.presents.push_back(p);
        } else if (kind == "f") {
            FrameRecord f;
            int waited = 0, keyed = 0;
            fields >> f.console_us >> f.real_us >> waited >> keyed;
            f.waited = waited != 0;
            f.keyed = keyed != 0;
            r.frames.push_back(f);
        }
    }
    return r;
}

}  // namespace patrulha::bench
