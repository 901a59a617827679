// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "bench/process_cost.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "bench/status_answers.h"

namespace patrulha::bench {

namespace {

std::int64_t steady_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// ==== System call names ====

std::string syscall_name(long nr) {
    static const std::map<long, const char*> names = {
#define NAME(call) {SYS_##call, #call},
#ifdef SYS_read
        NAME(read)
#endif
#ifdef SYS_write
            NAME(write)
#endif
#ifdef SYS_writev
                NAME(writev)
#endif
#ifdef SYS_poll
                    NAME(poll)
#endif
#ifdef SYS_ppoll
                        NAME(ppoll)
#endif
#ifdef SYS_select
                            NAME(select)
#endif
#ifdef SYS_pselect6
                                NAME(pselect6)
#endif
#ifdef SYS_epoll_wait
                                    NAME(epoll_wait)
#endif
#ifdef SYS_epoll_pwait
                                        NAME(epoll_pwait)
#endif
#ifdef SYS_epoll_pwait2
                                            NAME(epoll_pwait2)
#endif
#ifdef SYS_nanosleep
                                                NAME(nanosleep)
#endif
#ifdef SYS_clock_nanosleep
                                                    NAME(clock_nanosleep)
#endif
#ifdef SYS_clock_gettime
                                                        NAME(clock_gettime)
#endif
#ifdef SYS_gettimeofday
                                                            NAME(gettimeofday)
#endif
#ifdef SYS_ioctl
                                                                NAME(ioctl)
#endif
#ifdef SYS_fcntl
                                                                    NAME(fcntl)
#endif
#ifdef SYS_futex
                                                                        NAME(futex)
#endif
#ifdef SYS_rt_sigprocmask
                                                                            NAME(rt_sigprocmask)
#endif
#ifdef SYS_rt_sigaction
                                                                                NAME(rt_sigaction)
#endif
#ifdef SYS_rt_sigreturn
                                                                                    NAME(
                                                                                        rt_sigreturn)
#endif
#ifdef SYS_restart_syscall
                                                                                        NAME(
                                                                                            restart_syscall)
#endif
#ifdef SYS_getpid
                                                                                            NAME(
                                                                                                getpid)
#endif
#ifdef SYS_gettid
                                                                                                NAME(
                                                                                                    gettid)
#endif
#ifdef SYS_tgkill
                                                                                                    NAME(
                                                                                                        tgkill)
#endif
#ifdef SYS_sched_yield
                                                                                                        NAME(
                                                                                                            sched_yield)
#endif
#ifdef SYS_openat
                                                                                                            NAME(
                                                                                                                openat)
#endif
#ifdef SYS_close
                                                                                                                NAME(
                                                                                                                    close)
#endif
#ifdef SYS_mmap
                                                                                                                    NAME(
                                                                                                                        mmap)
#endif
#ifdef SYS_munmap
                                                                                                                        NAME(
                                                                                                                            munmap)
#endif
#ifdef SYS_brk
                                                                                                                            NAME(
                                                                                                                                brk)
#endif
#ifdef SYS_timerfd_settime
                                                                                                                                NAME(
                                                                                                                                    timerfd_settime)
#endif
#ifdef SYS_eventfd2
                                                                                                                                    NAME(
                                                                                                                                        eventfd2)
#endif
#undef NAME
    };
    const auto it = names.find(nr);
    return it != names.end() ? it->second : "syscall " + std::to_string(nr);
}

// ==== The program's threads, from /proc ====

struct Usage {
    std::int64_t cpu_ns = 0;    // time on a processor, all threads
    std::int64_t switches = 0;  // voluntary and involuntary context switches, all threads
};

Usage usage_of(pid_t pid) {
    Usage u;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (dir == nullptr) return u;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const std::string task = tasks + "/" + entry->d_name;
        std::ifstream schedstat(task + "/schedstat");
        std::int64_t ns = 0;
        if (schedstat >> ns) u.cpu_ns += ns;
        std::ifstream status(task + "/status");
        std::string line;
        while (std::getline(status, line)) {
            long long n = 0;
            if (std::sscanf(line.c_str(), "voluntary_ctxt_switches: %lld", &n) == 1 ||
                std::sscanf(line.c_str(), "nonvoluntary_ctxt_switches: %lld", &n) == 1)
                u.switches += n;
        }
    }
    ::closedir(dir);
    return u;
}

// The library that fixes the program's wall clock, beside the benchmark's
// binary; "" when it is not there (each run is then a game of its own).
std::string fixed_time_library() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    std::string path(self, static_cast<std::size_t>(n));
    path = path.substr(0, path.rfind('/') + 1) + "bench_fixed_time.so";
    return ::access(path.c_str(), R_OK) == 0 ? path : std::string();
}

// ==== One run of the program ====

constexpr std::size_t kSyscalls = 1024;

// The program on a fresh pseudo-terminal, started, waited for and (when
// traced) traced by a thread of its own: ptrace answers only the thread
// that started the tracee.
class Program {
public:
    Program(const std::string& binary, const std::string& term, bool traced) : traced_(traced) {
        for (auto& c : counts_) c = 0;
        winsize size{};
        size.ws_row = 42;
        size.ws_col = 80;
        if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) return;
        ::fcntl(master_, F_SETFD, FD_CLOEXEC);
        runner_ = std::thread([this, binary, term] { run(binary, term); });
        const std::int64_t deadline = steady_ms() + 5000;
        while (pid_.load() == 0 && steady_ms() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Program() {
        const pid_t pid = pid_.load();
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            // Read on, so that a program restoring the terminal is not held up.
            const std::int64_t deadline = steady_ms() + 3000;
            while (!ended_.load() && steady_ms() < deadline) read_for(50);
            if (!ended_.load()) ::kill(pid, SIGKILL);
        }
        if (runner_.joinable()) runner_.join();
        if (master_ >= 0) ::close(master_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return pid_.load() > 0; }
    pid_t pid() const { return pid_.load(); }
    bool ended() const { return ended_.load(); }

    // Reads what the program writes for `ms`; false once it has ended.
    bool read_for(int ms) {
        const std::int64_t until = steady_ms() + ms;
        for (;;) {
            const std::int64_t left = until - steady_ms();
            if (left < 0) break;
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left)) > 0) {
                char buffer[65536];
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0) {
                    output_.append(buffer, static_cast<std::size_t>(n));
                    last_output_ms_ = steady_ms();
                    for (int q = answers_.questions({buffer, static_cast<std::size_t>(n)}); q > 0;
                         --q)
                        type(std::string(StatusAnswers::kAnswer));
                } else if (ended_.load()) {
                    return false;
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            }
        }
        return !ended_.load();
    }

    // Waits until the program has written something and then nothing for
    // `quiet_ms`: it waits for a key. False by the deadline.
    bool wait_quiet(int quiet_ms, int deadline_ms) {
        const std::int64_t deadline = steady_ms() + deadline_ms;
        while (steady_ms() < deadline) {
            if (!read_for(20)) return false;
            if (!output_.empty() && steady_ms() - last_output_ms_ >= quiet_ms) return true;
        }
        return false;
    }

    void type(const std::string& bytes) {
        [[maybe_unused]] const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    }

    const std::string& output() const { return output_; }
    std::array<std::uint64_t, kSyscalls> counts() const {
        std::array<std::uint64_t, kSyscalls> out{};
        for (std::size_t i = 0; i < kSyscalls; ++i) out[i] = counts_[i].load();
        return out;
    }

private:
    void run(const std::string& binary, const std::string& term) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setsid();
            ::ioctl(slave_, TIOCSCTTY, 0);
            ::dup2(slave_, 0);
            ::dup2(slave_, 1);
            ::dup2(slave_, 2);
            if (slave_ > 2) ::close(slave_);
            if (!fixed_time_.empty()) ::setenv("LD_PRELOAD", fixed_time_.c_str(), 1);
            ::setenv("TERM", term.c_str(), 1);
            ::setenv("LANG", "C.UTF-8", 1);
            ::unsetenv("LC_ALL");
            if (traced_) {
                ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
                ::raise(SIGSTOP);
            }
            char* argv[] = {const_cast<char*>(binary.c_str()), nullptr};
            ::execv(binary.c_str(), argv);
            ::_exit(127);
        }
        ::close(slave_);
        slave_ = -1;
        if (pid < 0) {
            ended_ = true;
            pid_ = -1;
            return;
        }
        if (traced_) {
            int status = 0;
            ::waitpid(pid, &status, __WALL);
            ::ptrace(PTRACE_SETOPTIONS, pid, nullptr,
                     PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACECLONE | PTRACE_O_TRACEFORK |
                         PTRACE_O_TRACEVFORK | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL);
            pid_ = pid;
            ::ptrace(PTRACE_SYSCALL, pid, nullptr, nullptr);
            trace(pid);
        } else {
            pid_ = pid;
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        ended_ = true;
    }

    // Counts every system call's entry, in every thread, until all are gone.
    void trace(pid_t pid) {
        std::set<pid_t> known{pid};
        for (;;) {
            int status = 0;
            const pid_t tid = ::waitpid(-1, &status, __WALL);
            if (tid < 0) {
                if (errno == EINTR) continue;
                return;  // no tracee left
            }
            if (WIFEXITED(status) || WIFSIGNALED(status)) {
                known.erase(tid);
                continue;
            }
            if (!WIFSTOPPED(status)) continue;
            const int sig = WSTOPSIG(status);
            const int event = status >> 16;
            int deliver = 0;
            if (sig == (SIGTRAP | 0x80)) {
                __ptrace_syscall_info info{};
                if (::ptrace(PTRACE_GET_SYSCALL_INFO, tid, sizeof info, &info) > 0 &&
                    info.op == PTRACE_SYSCALL_INFO_ENTRY)
                    ++counts_[std::min<std::uint64_t>(info.entry.nr, kSyscalls - 1)];
            } else if (sig == SIGTRAP && event != 0) {
                // A clone, fork or exec: nothing to deliver.
            } else if (sig == SIGSTOP && known.insert(tid).second) {
                // A new thread's first stop.
            } else {
                deliver = sig;
            }
            ::ptrace(PTRACE_SYSCALL, tid, nullptr, deliver);
        }
    }

    bool traced_;
    std::string fixed_time_ = fixed_time_library();
    int master_ = -1;
    int slave_ = -1;
    std::thread runner_;
    std::atomic<pid_t> pid_{0};
    std::atomic<bool> ended_{false};
    std::array<std::atomic<std::uint64_t>, kSyscalls> counts_;
    StatusAnswers answers_;
    std::string output_;
    std::int64_t last_output_ms_ = 0;
};

// ==== Scenes ====

enum Scene { kMenu, kPlain, kKeyed, kScenes };
const char* const kSceneNames[kScenes] = {"waiting at the menu", "playing, no keys",
                                          "playing, a key every 100 ms"};

struct Measure {
    double seconds = 0;
    double cpu_ms = 0;
    double switches = 0;
    double bytes = 0;
    std::map<std::string, double> calls;  // by kind; empty for an untraced run
    bool traced = false;
    std::string error;
};

// Measures `program` for `seconds`, reading its output all along and, when
// `keyed`, typing a cursor key every 100 ms (left and right by turns, so
// that the ship stays clear of the edges).
Measure measure(Program& program, int seconds, bool keyed, bool traced) {
    Measure m;
    m.traced = traced;
    const Usage before = usage_of(program.pid());
    const auto calls_before = program.counts();
    const std::size_t bytes_before = program.output().size();
    const std::int64_t start = steady_ms();
    const std::int64_t until = start + seconds * 1000;
    int keys = 0;
    while (steady_ms() < until) {
        if (keyed) {
            const std::int64_t next_key = start + (keys + 1) * 100;
            if (steady_ms() >= next_key) {
                program.type(keys % 2 == 0 ? "\033OD" : "\033OC");
                ++keys;
            }
            if (!program.read_for(
                    static_cast<int>(std::clamp<std::int64_t>(next_key - steady_ms(), 0, 100))))
                break;
        } else if (!program.read_for(
                       static_cast<int>(std::min<std::int64_t>(until - steady_ms(), 100)))) {
            break;
        }
    }
    const Usage after = usage_of(program.pid());
    const auto calls_after = program.counts();
    m.seconds = static_cast<double>(steady_ms() - start) / 1000.0;
    if (program.ended()) m.error = "the program ended during the measurement";
    m.cpu_ms = static_cast<double>(after.cpu_ns - before.cpu_ns) / 1e6;
    m.switches = static_cast<double>(after.switches - before.switches);
    m.bytes = static_cast<double>(program.output().size() - bytes_before);
    if (program.output().find("GAME", bytes_before) != std::string::npos)
        m.error = "a game over fell inside the measurement";
    if (traced)
        for (std::size_t i = 0; i < kSyscalls; ++i)
            if (calls_after[i] > calls_before[i])
                m.calls[syscall_name(static_cast<long>(i))] +=
                    static_cast<double>(calls_after[i] - calls_before[i]);
    return m;
}

// Plays the scenes of one process: the menu's wait then play without keys,
// or play with keys. Each measure is kept under its scene.
bool play_scenes(const std::string& binary, const CostPlan& plan, bool keyed, bool traced,
                 std::array<Measure, kScenes>& out) {
    Program program(binary, plan.term, traced);
    if (!program.started()) {
        out[kMenu].error = "the program did not start";
        return false;
    }
    // The title animation ends in the menu's wait for a key.
    if (!program.wait_quiet(1000, 60000)) {
        out[kMenu].error = "the menu never came";
        return false;
    }
    if (!keyed) out[kMenu] = measure(program, plan.seconds, false, traced);
    program.type(std::string(1, plan.preset));
    program.read_for(3000);  // the hand-over, and the first enemies onto the field
    out[keyed ? kKeyed : kPlain] = measure(program, plan.seconds, keyed, traced);
    return true;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string label_of(const std::string& binary) {
    // build-folder/patrulha: the build folder names the build; any other
    // program (the frame floor) is named by itself.
    const auto slash = binary.rfind('/');
    if (slash == std::string::npos || slash == 0) return binary;
    if (binary.compare(slash + 1, std::string::npos, "patrulha") != 0)
        return binary.substr(slash + 1);
    const auto before = binary.rfind('/', slash - 1);
    return binary.substr(before == std::string::npos ? 0 : before + 1,
                         slash - (before == std::string::npos ? 0 : before + 1));
}

}  // namespace

bool compare_costs(const CostPlan& plan) {
    const std::size_t builds = plan.binaries.size();
    // measures[build][scene]: every good measure of the rounds.
    std::vector<std::array<std::vector<Measure>, kScenes>> untraced(builds), traced(builds);
    bool ok = true;
    for (int round = 0; round < plan.rounds; ++round)
        for (const bool tracing : {false, true})
            for (const bool keyed : {false, true})
                for (std::size_t b = 0; b < builds; ++b) {
                    std::fprintf(stderr, "cost round %d: %s, %s%s...\n", round + 1,
                                 plan.binaries[b].c_str(), keyed ? "with keys" : "menu and play",
                                 tracing ? ", system calls traced" : "");
                    // A game over inside a measurement spoils it: the scene is played again.
                    for (int attempt = 0; attempt < 3; ++attempt) {
                        std::array<Measure, kScenes> scenes;
                        const bool started =
                            play_scenes(plan.binaries[b], plan, keyed, tracing, scenes);
                        bool again = false;
                        for (int s = 0; s < kScenes; ++s) {
                            const bool played = (s == kKeyed) == keyed || (s == kMenu && !keyed);
                            if (!started && s == kMenu) {
                                std::fprintf(stderr, "  %s\n", scenes[s].error.c_str());
                                ok = false;
                            }
                            if (!started || !played) continue;
                            if (!scenes[s].error.empty()) {
                                std::fprintf(stderr, "  %s: %s\n", kSceneNames[s],
                                             scenes[s].error.c_str());
                                again = true;
                                continue;
                            }
                            (tracing ? traced : untraced)[b][s].push_back(scenes[s]);
                        }
                        if (!started || !again) break;
                    }
                }

    const double frames_per_second = plan.frame_ms > 0 ? 1000.0 / plan.frame_ms : 0;
    std::printf(
        "\nCost of the real program, TERM=%s, preset %c, %d s a scene, medians of %d round%s\n",
        plan.term.c_str(), plan.preset, plan.seconds, plan.rounds, plan.rounds == 1 ? "" : "s");
    if (frames_per_second > 0)
        std::printf(
            "(per frame: per second / %.2f, the key-less frames of play a second, %.2f ms each)\n",
            frames_per_second, plan.frame_ms);
    std::printf("  %-40s", "");
    for (const auto& binary : plan.binaries) std::printf(" %14.14s", label_of(binary).c_str());
    for (std::size_t b = 1; b < builds; ++b) std::printf(" %8s", "ratio");
    std::printf("\n");

    for (int s = 0; s < kScenes; ++s) {
        // The menu's figures are per second, play's per frame.
        const bool per_frame = s != kMenu && frames_per_second > 0;
        const double per = per_frame ? frames_per_second : 1;
        const char* unit = per_frame ? "a frame" : "a second";
        std::printf("  %s\n", kSceneNames[s]);
        // `value` of a measure, per second, or per frame where `per_frame`.
        auto row = [&](const std::string& name, auto value, bool from_traced, bool rate = true) {
            std::vector<double> medians;
            for (std::size_t b = 0; b < builds; ++b) {
                std::vector<double> v;
                for (const Measure& m :
                     (from_traced ? traced : untraced)[b][static_cast<std::size_t>(s)])
                    if (m.seconds > 0) v.push_back(value(m) / m.seconds / (rate ? per : 1));
                medians.push_back(median(v));
            }
            std::printf("    %-38s", name.c_str());
            for (const double v : medians) std::printf(" %14.3f", v);
            for (std::size_t b = 1; b < builds; ++b) {
                if (medians[0] > 0)
                    std::printf(" %8.3f", medians[b] / medians[0]);
                else
                    std::printf(" %8s", "-");
            }
            std::printf("\n");
        };
        row(
            "CPU, % of one core", [](const Measure& m) { return m.cpu_ms / 10.0; }, false, false);
        if (per_frame)
            row(
                "CPU, us " + std::string(unit), [](const Measure& m) { return m.cpu_ms * 1000; },
                false);
        row(
            std::string("context switches ") + unit, [](const Measure& m) { return m.switches; },
            false);
        // Every build plays the same game (the wall clock that seeds it is
        // fixed); with keys typed in real time the frames they land on vary.
        row(
            std::string("bytes written ") + unit, [](const Measure& m) { return m.bytes; }, false);
        row(
            std::string("system calls ") + unit,
            [](const Measure& m) {
                double n = 0;
                for (const auto& [kind, count] : m.calls) n += count;
                return n;
            },
            true);
        std::set<std::string> kinds;
        for (std::size_t b = 0; b < builds; ++b)
            for (const Measure& m : traced[b][static_cast<std::size_t>(s)])
                for (const auto& [kind, count] : m.calls) kinds.insert(kind);
        for (const std::string& kind : kinds)
            row(
                "  " + kind,
                [&kind](const Measure& m) {
                    const auto it = m.calls.find(kind);
                    return it == m.calls.end() ? 0.0 : it->second;
                },
                true);
    }
    return ok;
}

}  // namespace patrulha::bench
