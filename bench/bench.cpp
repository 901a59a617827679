// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The benchmark: plays a fixed, seeded session at each difficulty preset on
// the real terminal backend through a pseudo-terminal, and prints what it
// cost: pace, real time, bytes sent to the terminal against the fewest any
// renderer could send, processor time while playing and while waiting at
// the menu, peak memory. It prints figures against the goals and asserts
// nothing; see docs/PERFORMANCE.md.
//
//   bench [--frames N] [--presets 1234] [--runs R] [--idle-seconds S] [--seed N]
//         [--term NAME[,NAME...]]  (default: $TERM, else xterm-256color)
//         [--dump FILE]   (everything the terminal received, markers included)
//   bench --cost BINARY[,BINARY...] [--cost-seconds S] [--cost-rounds R]
//         [--presets P] [--term NAME]
//         the real program's processor time, context switches and system
//         calls by kind at the menu and in play, for each build named, side
//         by side (see bench/process_cost.h)
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/process_cost.h"
#include "bench/session.h"
#include "bench/status_answers.h"

using patrulha::bench::SessionPlan;
using patrulha::bench::SessionResult;
using patrulha::bench::StatusAnswers;

namespace {

// ==== The terminal side ====

// What the terminal received from one session.
struct Received {
    std::vector<std::int64_t> per_present;  // bytes before each present's marker
    std::int64_t after_last = 0;            // bytes after the last marker (the restore)
};

// Counts the bytes of the game's output, split at the present markers.
class MarkerCounter {
public:
    explicit MarkerCounter(std::FILE* dump) : dump_(dump) {}

    void feed(const char* data, std::size_t size) {
        if (dump_) std::fwrite(data, 1, size, dump_);
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == patrulha::bench::kPresentMarker[matched_]) {
                if (++matched_ == patrulha::bench::kPresentMarkerSize) {
                    received_.per_present.push_back(bytes_);
                    bytes_ = 0;
                    matched_ = 0;
                }
                continue;
            }
            // Not the marker after all: what matched so far was output.
            bytes_ += static_cast<std::int64_t>(matched_);
            matched_ = 0;
            if (c == patrulha::bench::kPresentMarker[0]) {
                matched_ = 1;
            } else {
                ++bytes_;
            }
        }
    }
    Received finish() {
        received_.after_last = bytes_ + static_cast<std::int64_t>(matched_);
        return received_;
    }

private:
    std::FILE* dump_;
    Received received_;
    std::int64_t bytes_ = 0;
    std::size_t matched_ = 0;
};

std::int64_t steady_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Outcome {
    SessionResult session;
    Received received;
    std::int64_t child_max_rss_kib = 0;
};

// Runs one session in a child process on a fresh pseudo-terminal, playing
// the terminal: counts what arrives, types what the session asks for.
Outcome run_child(const SessionPlan& plan, std::FILE* dump) {
    Outcome outcome;
    int master = -1, slave = -1;
    winsize size{};
    size.ws_row = 42;
    size.ws_col = 80;
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) {
        outcome.session.error = "openpty failed";
        return outcome;
    }
    int control[2], results[2];
    if (pipe(control) != 0 || pipe(results) != 0) {
        outcome.session.error = "pipe failed";
        return outcome;
    }
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        ::close(control[0]);
        ::close(results[0]);
        ::dup2(slave, STDIN_FILENO);
        ::dup2(slave, STDOUT_FILENO);
        ::close(slave);
        setenv("TERM", plan.term.c_str(), 1);
        std::setlocale(LC_ALL, "C.UTF-8");
        const SessionResult r = patrulha::bench::run_session(plan, master, control[1]);
        const std::string text = r.serialise();
        const char* p = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t n = ::write(results[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(slave);
    ::close(control[1]);
    ::close(results[1]);

    MarkerCounter counter(dump);
    StatusAnswers answers;
    std::string result_text, control_text;
    struct Pending {
        std::int64_t at_ms;
        std::string bytes;
    };
    std::vector<Pending> pending;
    bool results_open = true, control_open = true, master_open = true;
    char buffer[65536];
    while (results_open || master_open) {
        std::int64_t timeout = -1;
        const std::int64_t now = steady_ms();
        for (auto it = pending.begin(); it != pending.end();) {
            if (it->at_ms <= now) {
                [[maybe_unused]] ssize_t n = ::write(master, it->bytes.data(), it->bytes.size());
                it = pending.erase(it);
            } else {
                timeout = timeout < 0 ? it->at_ms - now : std::min(timeout, it->at_ms - now);
                ++it;
            }
        }
        pollfd fds[3] = {{master_open ? master : -1, POLLIN, 0},
                         {results_open ? results[0] : -1, POLLIN, 0},
                         {control_open ? control[0] : -1, POLLIN, 0}};
        // Once the game's side has sent its results, drain what is left.
        if (!results_open) timeout = 200;
        const int ready = ::poll(fds, 3, static_cast<int>(timeout));
        if (ready == 0 && !results_open) break;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                counter.feed(buffer, static_cast<std::size_t>(n));
                for (int q = answers.questions({buffer, static_cast<std::size_t>(n)}); q > 0; --q)
                    [[maybe_unused]] const ssize_t w = ::write(
                        master, StatusAnswers::kAnswer.data(), StatusAnswers::kAnswer.size());
            } else {
                master_open = false;  // the slave side is gone
            }
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = ::read(results[0], buffer, sizeof buffer);
            if (n > 0) {
                result_text.append(buffer, static_cast<std::size_t>(n));
            } else {
                results_open = false;
            }
        }
        if (fds[2].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = ::read(control[0], buffer, sizeof buffer);
            if (n > 0) {
                control_text.append(buffer, static_cast<std::size_t>(n));
                std::size_t eol;
                while ((eol = control_text.find('\n')) != std::string::npos) {
                    int delay = 0;
                    unsigned byte = 0;
                    if (std::sscanf(control_text.c_str(), "%d %x", &delay, &byte) == 2)
                        pending.push_back(
                            {steady_ms() + delay, std::string(1, static_cast<char>(byte))});
                    control_text.erase(0, eol + 1);
                }
            } else {
                control_open = false;
            }
        }
    }
    int status = 0;
    rusage ru{};
    wait4(child, &status, 0, &ru);
    ::close(master);
    ::close(control[0]);
    ::close(results[0]);
    outcome.session = SessionResult::parse(result_text);
    outcome.received = counter.finish();
    outcome.child_max_rss_kib = ru.ru_maxrss;
    if (result_text.empty()) outcome.session.error = "the game's process sent no results";
    return outcome;
}

// ==== Figures ====

double mean(const std::vector<double>& v) {
    if (v.empty()) return 0;
    double s = 0;
    for (double x : v) s += x;
    return s / static_cast<double>(v.size());
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1;
    return v[std::min(i, v.size() - 1)];
}

// The figures of one session at one preset.
struct Figures {
    int frames = 0;
    double console_ms = 0;      // mean console time per frame: the pacing model's pace
    double real_ms = 0;         // mean real time per frame
    double pace_error = 0;      // % (real - console) / console, over all frames played
    double pace_p95_error = 0;  // % 95th percentile of |real - console| / console per frame
    double bytes_mean = 0;      // bytes per frame
    double bytes_p95 = 0;
    double bound_mean = 0;  // lower bound per frame
    double bound_p95 = 0;
    double bytes_ratio = 0;         // all bytes of play / all of the lower bound
    double frame_ratio_median = 0;  // median over frames of bytes / lower bound
    double frame_ratio_p95 = 0;
    double startup_bytes = 0;  // first present: the terminal's set-up and the title screen
    double title_bytes = 0;    // every present before the menu's key wait: the whole title draw
    double presents_per_frame = 0;
    double cpu_percent = 0;        // game's processor time while playing, % of one core
    double cpu_bench_percent = 0;  // the recording and key script on top of it
    double idle_cpu_percent = 0;   // while waiting at the menu
    double idle_seconds = 0;
    double idle_wakeups = 0;
    double peak_mib = 0;
    double games = 0;
    std::string error;
};

Figures figures_of(const Outcome& o) {
    Figures f;
    const SessionResult& s = o.session;
    f.error = s.error;
    f.games = s.games;
    if (o.received.per_present.size() != s.presents.size() && f.error.empty())
        f.error = "presents and markers disagree (" + std::to_string(s.presents.size()) + " vs " +
                  std::to_string(o.received.per_present.size()) + ")";

    // Bytes and the lower bound per frame, over the frames of play. The
    // presents after poll k belong to the frame that ends at poll k + 1,
    // frames[k - 1].
    std::map<int, std::pair<double, double>> per_frame;
    double bytes_total = 0, bound_total = 0, presents_of_play = 0;
    const std::size_t n = std::min(o.received.per_present.size(), s.presents.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto& p = s.presents[i];
        const double bytes = static_cast<double>(o.received.per_present[i]);
        if (i == 0) f.startup_bytes = bytes;
        if (static_cast<int>(i) < s.title_presents) f.title_bytes += bytes;
        if (p.frame == 0) continue;  // before play
        // A frame with a key wait inside is a game over and the screens
        // around it (prompt, title, menu, a fresh game screen), not play.
        const auto frame_index = static_cast<std::size_t>(p.frame - 1);
        if (frame_index < s.frames.size() && s.frames[frame_index].waited) continue;
        auto& pf = per_frame[p.frame];
        pf.first += bytes;
        pf.second += static_cast<double>(p.lower_bound);
        bytes_total += bytes;
        bound_total += static_cast<double>(p.lower_bound);
        ++presents_of_play;
    }
    std::vector<double> bytes, bound, ratios;
    for (const auto& [frame, v] : per_frame) {
        bytes.push_back(v.first);
        bound.push_back(v.second);
        if (v.second > 0) ratios.push_back(v.first / v.second);
    }
    f.frame_ratio_median = percentile(ratios, 0.5);
    f.frame_ratio_p95 = percentile(ratios, 0.95);
    f.bytes_mean = mean(bytes);
    f.bytes_p95 = percentile(bytes, 0.95);
    f.bound_mean = mean(bound);
    f.bound_p95 = percentile(bound, 0.95);
    f.bytes_ratio = bound_total > 0 ? bytes_total / bound_total : 0;
    if (!per_frame.empty())
        f.presents_per_frame = presents_of_play / static_cast<double>(per_frame.size());

    constexpr std::int64_t kShortestFrameUs = 1000;
    // Pace over the frames with no key wait inside (a menu or game-over
    // wait is the player's time, not the game's). The per-frame spread
    // leaves out frames that handled a key: typing it is the benchmark's
    // work, and the pacing clock absorbs it at the next pacing points.
    std::vector<double> console, real, errors;
    double console_total = 0, real_total = 0;
    for (const auto& fr : s.frames) {
        if (fr.waited || fr.console_us <= 0) continue;
        console.push_back(static_cast<double>(fr.console_us) / 1000.0);
        real.push_back(static_cast<double>(fr.real_us) / 1000.0);
        // A poll straight after a key's command, with no frame of play
        // between (tens of microseconds of console time), has no pace to
        // keep: its relative error is the poll's own cost.
        if (!fr.keyed && fr.console_us >= kShortestFrameUs)
            errors.push_back(std::fabs(static_cast<double>(fr.real_us - fr.console_us)) /
                             static_cast<double>(fr.console_us));
        console_total += static_cast<double>(fr.console_us);
        real_total += static_cast<double>(fr.real_us);
    }
    f.frames = static_cast<int>(s.frames.size());
    f.console_ms = mean(console);
    f.real_ms = mean(real);
    f.pace_error = console_total > 0 ? 100.0 * (real_total - console_total) / console_total : 0;
    f.pace_p95_error = 100.0 * percentile(errors, 0.95);

    if (s.play_real_us > 0) {
        f.cpu_percent = 100.0 * static_cast<double>(s.play_cpu_us - s.play_bench_cpu_us) /
                        static_cast<double>(s.play_real_us);
        f.cpu_bench_percent =
            100.0 * static_cast<double>(s.play_bench_cpu_us) / static_cast<double>(s.play_real_us);
    }
    if (s.idle_real_us > 0) {
        f.idle_cpu_percent =
            100.0 * static_cast<double>(s.idle_cpu_us) / static_cast<double>(s.idle_real_us);
        f.idle_seconds = static_cast<double>(s.idle_real_us) / 1e6;
    }
    f.idle_wakeups = static_cast<double>(s.idle_wakeups);
    f.peak_mib = static_cast<double>(std::max(s.max_rss_kib, o.child_max_rss_kib)) / 1024.0;
    return f;
}

// ==== Report ====

struct Row {
    const char* name;
    const char* unit;
    double Figures::*field;
    const char* goal;  // nullptr: no goal
};

const Row kRows[] = {
    {"frames played", "", nullptr, nullptr},
    {"games started", "", &Figures::games, nullptr},
    {"console time per frame", "ms", &Figures::console_ms, "the pacing model's pace"},
    {"real time per frame", "ms", &Figures::real_ms, nullptr},
    {"pace error, all frames", "%", &Figures::pace_error, "within +-5 %"},
    {"pace error, 95th pct key-less frame", "%", &Figures::pace_p95_error, nullptr},
    {"bytes per frame, mean", "B", &Figures::bytes_mean, nullptr},
    {"bytes per frame, 95th pct", "B", &Figures::bytes_p95, nullptr},
    {"lower bound per frame, mean", "B", &Figures::bound_mean, nullptr},
    {"lower bound per frame, 95th pct", "B", &Figures::bound_p95, nullptr},
    {"bytes / lower bound, all of play", "x", &Figures::bytes_ratio, "<= 1.3"},
    {"bytes / lower bound, median frame", "x", &Figures::frame_ratio_median, "<= 1.5"},
    {"bytes / lower bound, 95th pct frame", "x", &Figures::frame_ratio_p95, nullptr},
    {"start-up present", "B", &Figures::startup_bytes, nullptr},
    {"title screen, whole draw", "B", &Figures::title_bytes, "<= 8192"},
    {"presents per frame of play", "", &Figures::presents_per_frame, nullptr},
    {"CPU while playing", "%", &Figures::cpu_percent, "<= 2 % of one core"},
    {"CPU of the recording itself", "%", &Figures::cpu_bench_percent, nullptr},
    {"CPU waiting at the menu", "%", &Figures::idle_cpu_percent, "~0 (blocking)"},
    {"wake-ups during that wait", "", &Figures::idle_wakeups, nullptr},
    {"seconds waited at the menu", "s", &Figures::idle_seconds, nullptr},
    {"peak memory", "MiB", &Figures::peak_mib, "< 8 MiB"},
};

double value_of(const Figures& f, const Row& row) {
    if (row.field == nullptr) return f.frames;
    return f.*(row.field);
}

void print_table(const std::string& term, char preset, const std::vector<Figures>& runs) {
    std::printf("\nTERM=%s, preset %c, %zu run%s\n", term.c_str(), preset, runs.size(),
                runs.size() == 1 ? "" : "s");
    for (std::size_t i = 0; i < runs.size(); ++i)
        if (!runs[i].error.empty()) std::printf("  run %zu: %s\n", i + 1, runs[i].error.c_str());
    std::printf("  %-36s %10s %10s %10s  %-4s %s\n", "", "min", "median", "max", "", "goal");
    for (const Row& row : kRows) {
        std::vector<double> v;
        for (const auto& f : runs) v.push_back(value_of(f, row));
        std::sort(v.begin(), v.end());
        std::printf("  %-36s %10.2f %10.2f %10.2f  %-4s %s\n", row.name, v.front(), v[v.size() / 2],
                    v.back(), row.unit, row.goal ? row.goal : "");
    }
}

// The figures that differ between terminals, one column per terminal and
// preset, medians over the runs.
void print_side_by_side(const std::vector<std::string>& terms, const std::string& presets,
                        std::map<std::pair<std::string, char>, std::vector<Figures>>& all) {
    static const double Figures::*const kCompared[] = {
        &Figures::bytes_mean,     &Figures::bytes_ratio,        &Figures::frame_ratio_median,
        &Figures::title_bytes,    &Figures::presents_per_frame, &Figures::pace_error,
        &Figures::pace_p95_error, &Figures::cpu_percent,        &Figures::idle_cpu_percent,
        &Figures::idle_wakeups};
    std::printf("\nSide by side (medians over the runs)\n  %-36s", "");
    for (const auto& term : terms)
        for (const char preset : presets) std::printf(" %17.17s/%c", term.c_str(), preset);
    std::printf("\n");
    for (const Row& row : kRows) {
        if (std::find(std::begin(kCompared), std::end(kCompared), row.field) == std::end(kCompared))
            continue;
        std::printf("  %-36s", row.name);
        for (const auto& term : terms)
            for (const char preset : presets) {
                std::vector<double> v;
                for (const auto& f : all[{term, preset}]) v.push_back(value_of(f, row));
                std::sort(v.begin(), v.end());
                std::printf(" %19.2f", v.empty() ? 0.0 : v[v.size() / 2]);
            }
        std::printf("  %s\n", row.goal ? row.goal : "");
    }
}

// The real programs' costs. Per-frame figures need the length of a
// key-less frame of play, which the pacing model sets: measured first on a
// short key-less session of this build (real and console time agree to a
// fraction of a percent, as the sessions' figures show).
int measure_costs(patrulha::bench::CostPlan plan, const std::string& list, const std::string& term,
                  char preset, SessionPlan session) {
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) plan.binaries.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    plan.term = term;
    plan.preset = preset;
    session.term = term;
    session.preset = preset;
    session.key_odds = 0;
    session.frames = 300;
    session.idle_ms = 0;
    std::fprintf(stderr, "a key-less session of %d frames, for the length of a frame...\n",
                 session.frames);
    const Figures frame = figures_of(run_child(session, nullptr));
    if (!frame.error.empty()) std::fprintf(stderr, "  %s\n", frame.error.c_str());
    plan.frame_ms = frame.error.empty() ? frame.console_ms : 0;
    return patrulha::bench::compare_costs(plan) ? 0 : 1;
}

int usage() {
    std::fputs(
        "usage: bench [--frames N] [--presets 1234] [--runs R] [--idle-seconds S] [--seed N]\n"
        "             [--term NAME[,NAME...]] [--dump FILE]\n"
        "       bench --cost BINARY[,BINARY...] [--cost-seconds S] [--cost-rounds R]\n"
        "             [--presets P] [--term NAME]\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    SessionPlan base;
    std::string presets = "1234";
    int runs = 1;
    std::FILE* dump = nullptr;
    std::string cost_list;
    patrulha::bench::CostPlan cost;
    const char* env_term = std::getenv("TERM");
    std::string term_list = env_term && *env_term ? env_term : "xterm-256color";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        if (arg == "--frames")
            base.frames = std::atoi(value);
        else if (arg == "--presets")
            presets = value;
        else if (arg == "--runs")
            runs = std::max(1, std::atoi(value));
        else if (arg == "--idle-seconds")
            base.idle_ms = static_cast<int>(std::atof(value) * 1000);
        else if (arg == "--dump")
            dump = std::fopen(value, "wb");
        else if (arg == "--term")
            term_list = value;
        else if (arg == "--seed")
            base.seed = static_cast<std::uint32_t>(std::atol(value));
        else if (arg == "--cost")
            cost_list = value;
        else if (arg == "--cost-seconds")
            cost.seconds = std::max(1, std::atoi(value));
        else if (arg == "--cost-rounds")
            cost.rounds = std::max(1, std::atoi(value));
        else
            return usage();
    }
    std::vector<std::string> terms;
    for (std::size_t start = 0; start <= term_list.size();) {
        const std::size_t comma = std::min(term_list.find(',', start), term_list.size());
        if (comma > start) terms.push_back(term_list.substr(start, comma - start));
        start = comma + 1;
    }
    if (terms.empty()) return usage();
    if (!cost_list.empty())
        return measure_costs(cost, cost_list, terms.front(), presets.front(), base);
    std::printf(
        "Patrulha Estelar benchmark: %d frames per preset, %d run%s, seed %u,\n"
        "real terminal backend on a pseudo-terminal (80 x 42), TERM=%s\n",
        base.frames, runs, runs == 1 ? "" : "s", base.seed, term_list.c_str());
    std::map<std::pair<std::string, char>, std::vector<Figures>> all;
    bool failed = false;
    for (int run = 0; run < runs; ++run)
        for (const auto& term : terms)
            for (const char preset : presets) {
                SessionPlan plan = base;
                plan.preset = preset;
                plan.term = term;
                std::fprintf(stderr, "run %d, TERM=%s, preset %c...\n", run + 1, term.c_str(),
                             preset);
                const Figures f = figures_of(run_child(plan, dump));
                if (!f.error.empty()) {
                    std::fprintf(stderr, "  %s\n", f.error.c_str());
                    failed = true;
                }
                all[{term, preset}].push_back(f);
            }
    for (const auto& term : terms)
        for (const char preset : presets) print_table(term, preset, all[{term, preset}]);
    print_side_by_side(terms, presets, all);
    return failed ? 1 : 0;
}
