// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// patrulha.exe with one seam for the end-to-end test of the size notice:
// while the folder given as its argument holds a file named "small", the
// backend takes the visible window to be 80 x 24. Each time the file comes
// or goes, a window-size event is put into the console's input, where the
// backend reads it as it reads the console's own: a resize that wine's
// console on a terminal never reports, seen through the backend's own path.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "game/game.h"
#include "platform/windows/windows_program.h"

namespace {

std::atomic<bool> small{false};

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void watch(std::string flag) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    for (;;) {
        const bool now = exists(flag);
        if (now != small.load()) {
            small = now;
            INPUT_RECORD record{};
            record.EventType = WINDOW_BUFFER_SIZE_EVENT;
            record.Event.WindowBufferSizeEvent.dwSize = now ? COORD{80, 24} : COORD{100, 50};
            DWORD written = 0;
            WriteConsoleInputW(input, &record, 1, &written);
        }
        Sleep(50);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string flag = std::string(argv[1]) + "\\small";
    small = exists(flag);
    std::thread(watch, flag).detach();
    using patrulha::platform::WindowSize;
    return patrulha::platform::run_on_console(
        "patrulha", L"Patrulha Estelar", [] { return patrulha::main(); },
        [](WindowSize reported) {
            return small.load() ? WindowSize{80, 24} : reported;
        });
}
