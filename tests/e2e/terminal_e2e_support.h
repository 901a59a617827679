// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What the end-to-end tests of the terminal's manners share: a wrapper that
// records the terminal's modes before and after a program and how the
// program ended, the pane's mode flags, and finding the program's process.
#pragma once

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/tmux_session.h"

namespace patrulha::testing {

const std::string kPatrulha = PATRULHA_BINARY;
const std::string kTermProbe = TERM_PROBE_BINARY;
const std::string kFrameProbe = FRAME_PROBE_BINARY;

// A shell command that runs `program` and then prints, on the normal screen:
// "ENDED signal=S status=N" (S the signal that killed it, else 0),
// "TTY-SAME" or "TTY-CHANGED" (stty -g after against before), and "PLAIN".
// No core file is left. Ctrl-C and Ctrl-\ reach only the program, which gets
// them with their default actions; the signals named in `ignored` (perl's
// names: "HUP", "TERM") it gets ignored, as from nohup or trap ''. The pane
// stays open afterwards, reading its input.
inline std::string recorded(const std::string& program,
                            const std::vector<std::string>& ignored = {}) {
    std::string dispositions = "$SIG{INT} = $SIG{QUIT} = \"DEFAULT\"; ";
    for (const std::string& name : ignored) dispositions += "$SIG{" + name + "} = \"IGNORE\"; ";
    return "ulimit -c 0; trap '' INT QUIT; before=$(stty -g); "
           "perl -e '" +
           dispositions +
           "system(@ARGV); printf(\"ENDED signal=%d status=%d\\n\", $? & 127, $? >> 8)' " +
           program +
           "; if [ \"$(stty -g)\" = \"$before\" ]; then echo TTY-SAME; "
           "else echo TTY-CHANGED; fi; echo PLAIN; exec cat";
}

// The frame probe's counter on the screen ("quadro N"), or -1.
inline int counter(const std::string& screen) {
    const auto at = screen.find("quadro ");
    if (at == std::string::npos) return -1;
    std::size_t end = at + 7;
    while (end < screen.size() && screen[end] >= '0' && screen[end] <= '9') ++end;
    return end > at + 7 ? std::stoi(screen.substr(at + 7, end - at - 7)) : -1;
}

// "ENDED ..." as `recorded` reports a death by `sig`.
inline std::string died_by(int sig) {
    return "ENDED signal=" + std::to_string(sig) + " status=0";
}

// The pane's modes that a full-screen program turns on, as "alternate
// cursor keypad keypad-cursor" flags, e.g. "0 1 0 0" for a pane given back.
inline std::string pane_modes(const TmuxSession& s) {
    std::string flags =
        s.tmux({"display-message", "-p", "-t", s.target(),
                "#{alternate_on} #{cursor_flag} #{keypad_flag} #{keypad_cursor_flag}"});
    while (!flags.empty() && flags.back() == '\n') flags.pop_back();
    return flags;
}
inline const std::string kModesGivenBack = "0 1 0 0";

// The processes on the pane's terminal with their groups, states and where
// they sleep, for a failure's message: which one holds the terminal, which
// is stopped.
inline std::string pane_processes(const TmuxSession& s) {
    std::string tty = s.tmux({"display-message", "-p", "-t", s.target(), "#{pane_tty}"});
    while (!tty.empty() && tty.back() == '\n') tty.pop_back();
    std::string listing;
    const std::string command = "ps -L -o pid,lwp,pgid,tpgid,stat,wchan:22,args -t " + tty +
                                "; for p in $(ps -o pid= -t " + tty +
                                "); do grep -H '^Sig\\|^Shd' /proc/$p/status; done";
    if (FILE* ps = ::popen(command.c_str(), "r")) {
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, ps)) > 0;)
            listing.append(block, n);
        ::pclose(ps);
    }
    return listing;
}

// Waits for a program run through `recorded` to end, and checks that it
// ended by itself with status 0 and gave the terminal back as it found it.
inline void expect_clean_end(const TmuxSession& s) {
    ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
    const std::string screen = s.capture();
    EXPECT_NE(screen.find("ENDED signal=0 status=0"), std::string::npos) << screen;
    EXPECT_NE(screen.find("TTY-SAME"), std::string::npos) << screen;
    EXPECT_EQ(pane_modes(s), kModesGivenBack) << "alternate screen, cursor, keypad";
}

// The parent and the command name of a process, from /proc; false when it
// is gone or a zombie.
inline bool process_info(int pid, int& parent, std::string& command) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return false;
    const auto open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return false;
    command = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 2));
    char state = 0;
    rest >> state >> parent;
    return state != 'Z' && state != 'X';
}

// The process named `command` among the descendants of `ancestor`, or -1.
inline int find_descendant(int ancestor, const std::string& command) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return -1;
    int found = -1;
    while (dirent* entry = ::readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        int parent = 0;
        std::string name;
        if (!process_info(pid, parent, name) || name != command.substr(0, 15)) continue;
        for (int up = parent, hops = 0; up > 1 && hops < 16; ++hops) {
            if (up == ancestor) {
                found = pid;
                break;
            }
            std::string ignored;
            if (!process_info(up, up, ignored)) break;
        }
        if (found > 0) break;
    }
    ::closedir(proc);
    return found;
}

// Waits for the named process under the pane to appear; its pid or -1.
inline int wait_for_process(const TmuxSession& s, const std::string& command,
                            std::chrono::milliseconds deadline = kPatience) {
    int pid = -1;
    wait_until([&] { return (pid = find_descendant(s.pane_pid(), command)) > 0; }, deadline);
    return pid;
}

// Waits until the process has gone (or is a zombie awaiting its parent).
inline bool wait_until_gone(int pid, std::chrono::milliseconds deadline = kPatience) {
    return wait_until(
        [&] {
            int parent = 0;
            std::string name;
            return !process_info(pid, parent, name);
        },
        deadline);
}

// Waits until the named program under the pane has taken the terminal over
// (it reads keys one by one, without echo), on terminals with no alternate
// screen to tell it by.
inline bool wait_until_taken_over(const TmuxSession& s, const std::string& command,
                                  std::chrono::milliseconds deadline = kPatience) {
    if (wait_for_process(s, command, deadline) < 0) return false;
    const std::string tty = s.tmux({"display-message", "-p", "-t", s.target(), "#{pane_tty}"});
    const std::string stty = "stty -a -F " + tty.substr(0, tty.find('\n')) + " 2>/dev/null";
    return wait_until(
        [&] {
            const std::string modes = run_capture(stty);
            return modes.find("-icanon") != std::string::npos &&
                   modes.find("-echo ") != std::string::npos;
        },
        deadline);
}

// Whether a screen shows all the term probe draws before it reads keys: the
// first and last rows of codes, the last row of colour pairs, and "keys:"
// below.
inline bool term_probe_drawn(const std::string& screen) {
    std::istringstream in(screen);
    std::string line;
    int codes = 0;
    bool pairs = false, keys = false;
    for (int y = 1; std::getline(in, line); ++y) {
        if ((y == 1 || y == 16) && line.find_first_not_of(' ') != std::string::npos) ++codes;
        if (y == 33) pairs = std::count(line.begin(), line.end(), 'X') == 16;
        if (y == 35) keys = line.rfind("keys:", 0) == 0;
    }
    return codes == 2 && pairs && keys;
}

// The base name of a binary's path, as /proc shows its command.
inline std::string command_of(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

}  // namespace patrulha::testing
