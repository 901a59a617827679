// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
#include "platform/replay_session.h"

#include "platform/runtime.h"

namespace patrulha::platform {

ReplaySession::~ReplaySession() {
    Runtime::instance().set_journal(nullptr);
}

bool ReplaySession::prepare(const Options& options, int columns, int rows, std::string& error) {
    if (!options.replay.empty()) {
        try {
            play(read_replay(options.replay), options.replay);
        } catch (const ReplayError& bad) {
            error = bad.what();
            return false;
        }
    }
    if (!options.record.empty()) {
        if (!record_file_.open(options.record, error)) return false;
        record_to(
            [this](std::string_view lines) {
                if (std::FILE* file = record_file_.get()) {
                    std::fwrite(lines.data(), 1, lines.size(), file);
                    std::fflush(file);
                }
            },
            columns, rows);
    }
    return true;
}

void ReplaySession::record_to(Recorder::Sink sink, int columns, int rows) {
    recorder_ = std::make_unique<Recorder>(std::move(sink), columns, rows);
}

void ReplaySession::play(Replay replay, const std::string& name) {
    player_ = std::make_unique<Player>(std::move(replay), name);
}

std::function<int()> ReplaySession::wrap(std::function<int()> body) {
    return [this, body = std::move(body)] {
        Runtime& runtime = Runtime::instance();
        started_ = true;
        if (record_file_.is_open() && !record_file_.start())
            throw ReplayError("the recording's file cannot be written");
        if (recorder_) runtime.set_journal(recorder_.get());
        if (player_) runtime.set_journal(player_.get());
        try {
            const int status = body();
            returned_ = true;
            points_ = runtime.key_points();
            return status;
        } catch (...) {
            points_ = runtime.key_points();
            throw;
        }
    };
}

int ReplaySession::finish(int status, std::string& message) {
    message.clear();
    if (finished_) return status;
    finished_ = true;
    Runtime::instance().set_journal(nullptr);
    if (recorder_ && started_) recorder_->finish(points_, !returned_);
    if (record_file_.is_open() && !record_file_.close())
        message = "the recording could not be written whole (is the disk full?)";
    if (player_ && started_) {
        const int replayed = player_->finish(points_, returned_);
        message = player_->message();
        // A signal or an error that ended the replay says how it ended.
        if (returned_ || status == replayed || status == 0) return replayed;
    }
    return status;
}

}  // namespace patrulha::platform
