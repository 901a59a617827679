// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What --record and --replay make of one run of the program, the same on
// every build: the files checked before the backend is taken over, the
// journal the runtime keys through, and how the run ended.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/command_line.h"
#include "platform/output_file.h"
#include "platform/replay.h"

namespace patrulha::platform {

class ReplaySession {
public:
    ReplaySession() = default;
    ~ReplaySession();
    ReplaySession(const ReplaySession&) = delete;
    ReplaySession& operator=(const ReplaySession&) = delete;

    // Reads the replay that `options` name and opens the recording's file,
    // whose header gives the terminal's `columns` and `rows`. False, with
    // `error` ("FILE:LINE: what is wrong"), when either cannot be used.
    bool prepare(const Options& options, int columns, int rows, std::string& error);
    // Records into `sink` instead of a file (the page keeps its replay in
    // memory).
    void record_to(Recorder::Sink sink, int columns, int rows);
    // Plays back a replay read from elsewhere than a file (the page's),
    // `name` naming it in the messages.
    void play(Replay replay, const std::string& name);
    bool recording() const { return recorder_ != nullptr; }
    bool replaying() const { return player_ != nullptr; }

    // `body` as the runtime is to run it: the recording started, the
    // journal in place, and how it ended noted.
    std::function<int()> wrap(std::function<int()> body);

    // After the run ended with `status`: the end written and the file
    // closed; the status to exit with (a replay's own, unless a signal or an
    // error ended it) and, in `message`, the line for the player (empty
    // when there is none).
    int finish(int status, std::string& message);

private:
    OutputFile record_file_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<Player> player_;
    bool started_ = false;
    bool returned_ = false;
    bool finished_ = false;
    std::uint64_t points_ = 0;
};

}  // namespace patrulha::platform
