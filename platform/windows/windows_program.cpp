// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/windows/windows_program.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "platform/program.h"
#include "platform/replay_session.h"
#include "platform/runtime.h"

namespace patrulha::platform {

namespace {

// Says why the program ends. A console that closes with the program (no
// other process on it: a double-click started it) would take the line with
// it unread, so there it stays until a key is pressed.
void say_failure(const char* name, const char* why) {
    std::fprintf(stderr, "%s: %s\n", name, why);
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1) return;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(input, &mode)) return;
    std::fprintf(stderr, "Press a key to close this window.\n");
    std::fflush(stderr);
    SetConsoleMode(input, ENABLE_PROCESSED_INPUT);
    FlushConsoleInputBuffer(input);
    INPUT_RECORD record{};
    DWORD read = 0;
    while (ReadConsoleInputW(input, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) break;
    SetConsoleMode(input, mode);
}

}  // namespace

int run_on_console(const char* name, const wchar_t* title, const std::function<int()>& body,
                   WindowView view, const Options& options) {
    ReplaySession session;
    std::string error;
    if (!session.prepare(options, ConsoleBuffer::kWidth, ConsoleBuffer::kHeight, error)) {
        std::fprintf(stderr, "%s: %s\n", name, error.c_str());
        return 2;
    }
    try {
        WindowsBackend console(title, std::move(view));
        std::string failure, message;
        int status = run_attached(console, session.wrap(body), failure);
        console.restore();
        status = session.finish(status, message);
        Runtime::instance().detach();
        if (!failure.empty()) say_failure(name, failure.c_str());
        if (!message.empty()) std::fprintf(stderr, "%s: %s\n", name, message.c_str());
        return status;
    } catch (const ConsoleError& error) {
        say_failure(name, error.what());
        return 1;
    }
}

}  // namespace patrulha::platform
