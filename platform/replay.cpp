// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
#include "platform/replay.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#ifndef PATRULHA_VERSION
#define PATRULHA_VERSION "0.0.0"
#endif

namespace patrulha::platform {

namespace {

SnapshotFunction registered_snapshot = nullptr;

// A key wait is slept through in slices this long, so that Esc and the
// signals are seen at once while a replay waits as the player did.
constexpr std::int64_t kWatchSliceUs = 50'000;

std::string hex(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

std::string state_fields(const GameSnapshot& s) {
    return std::to_string(s.score) + ' ' + std::to_string(s.lives) + ' ' + std::to_string(s.bombs) +
           ' ' + hex(s.grid_hash);
}

// ==== Reading ====

class LineReader {
public:
    LineReader(std::string_view line, const std::string& where) : rest_(line), where_(where) {}

    bool done() const { return rest_.empty(); }
    std::size_t fields() const {
        return rest_.empty()
                   ? 0
                   : 1 + static_cast<std::size_t>(std::count(rest_.begin(), rest_.end(), ' '));
    }

    std::string_view word() {
        const std::size_t space = rest_.find(' ');
        const std::string_view w = rest_.substr(0, space);
        rest_ = space == std::string_view::npos ? std::string_view{} : rest_.substr(space + 1);
        if (w.empty()) fail("a field is missing");
        return w;
    }

    template <typename Number>
    Number number(Number lowest, Number highest, int base = 10) {
        const std::string_view w = word();
        Number value{};
        const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), value, base);
        if (error != std::errc{} || end != w.data() + w.size() || value < lowest || value > highest)
            fail("'" + std::string(w) + "' is not a number the replay can hold here");
        return value;
    }

    GameSnapshot state() {
        GameSnapshot s;
        s.score = number<int>(0, 1'000'000'000);
        s.lives = number<int>(-1000, 1000);
        s.bombs = number<int>(-1000, 1000);
        s.grid_hash = grid_hash();
        return s;
    }

    std::uint32_t grid_hash() {
        const std::string_view h = word();
        if (h.size() != 8) fail("the grid's hash '" + std::string(h) + "' is not 8 hex digits");
        std::uint32_t value = 0;
        const auto [end, error] = std::from_chars(h.data(), h.data() + h.size(), value, 16);
        if (error != std::errc{} || end != h.data() + h.size())
            fail("the grid's hash '" + std::string(h) + "' is not 8 hex digits");
        return value;
    }

    void end() {
        if (!rest_.empty()) fail("more fields than the line takes");
    }

    [[noreturn]] void fail(const std::string& what) const { throw ReplayError(where_ + what); }

private:
    std::string_view rest_;
    std::string where_;
};

}  // namespace

void set_game_snapshot(SnapshotFunction snapshot) {
    registered_snapshot = snapshot;
}

GameSnapshot take_game_snapshot() {
    return registered_snapshot ? registered_snapshot() : GameSnapshot{};
}

std::uint32_t hash_grid(const unsigned char* bytes, std::size_t size) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

std::string describe(const GameSnapshot& s) {
    return "score " + std::to_string(s.score) + ", lives " + std::to_string(s.lives) + ", bombs " +
           std::to_string(s.bombs) + ", grid " + hex(s.grid_hash);
}

Replay parse_replay(std::string_view text, const std::string& name) {
    Replay replay;
    if (text.empty()) throw ReplayError(name + ":1: empty, not a replay");
    if (text.size() > kLargestReplayBytes)
        throw ReplayError(name + ": larger than " + std::to_string(kLargestReplayBytes >> 20) +
                          " MB, not a replay of this game");
    int number = 0;
    std::uint64_t point = 0;
    constexpr std::uint64_t kMaxDelta = 1'000'000'000'000ull;
    while (!text.empty()) {
        ++number;
        const std::string where = name + ":" + std::to_string(number) + ": ";
        const std::size_t newline = text.find('\n');
        if (newline == std::string_view::npos)
            throw ReplayError(where + "truncated: the line has no end");
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline + 1);
        // Tolerates a file that went through an editor or a mail on Windows.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            throw ReplayError(where + "corrupted: the line holds a NUL byte");
        LineReader in(line, where);
        if (line.empty()) in.fail("corrupted: an empty line");
        if (replay.end != Replay::End::missing) in.fail("corrupted: a line after the end");

        if (number == 1) {
            if (in.word() != "patrulha-replay") in.fail("not a replay of patrulha");
            const std::string_view version = in.word();
            if (version != std::to_string(kReplayFormat))
                in.fail("format version " + std::string(version) + "; this game reads version " +
                        std::to_string(kReplayFormat));
            in.end();
            continue;
        }
        const std::string_view kind = in.word();
        if (number <= 4) {
            constexpr std::string_view kHeader[] = {"game", "seed", "size"};
            if (kind != kHeader[number - 2])
                in.fail("corrupted: the header's line '" + std::string(kHeader[number - 2]) +
                        "' is missing");
            if (kind == "game") replay.game_version = in.word();
            if (kind == "seed")
                replay.seed = static_cast<std::time_t>(in.number<long long>(0, 1ll << 40));
            if (kind == "size") {
                replay.columns = in.number<int>(1, 10000);
                replay.rows = in.number<int>(1, 10000);
            }
            in.end();
            continue;
        }
        if (kind == "k" || kind == "w") {
            RecordedKeys keys;
            point += in.number<std::uint64_t>(0, kMaxDelta);
            keys.point = point;
            keys.wait_ms = kind == "w" ? in.number<long>(0, 1'000'000'000) : -1;
            keys.line = number;
            while (!in.done()) keys.codes.push_back(in.number<int>(0, 255));
            if (keys.codes.empty()) in.fail("corrupted: a key line without a key");
            replay.keys.push_back(std::move(keys));
        } else if (kind == "c") {
            GameSnapshot state;
            if (in.fields() == 1) {
                if (replay.checkpoints.empty())
                    in.fail("corrupted: a checkpoint of the grid alone, with none before it");
                state = replay.checkpoints.back().state;
                state.grid_hash = in.grid_hash();
            } else {
                state = in.state();
            }
            replay.checkpoints.push_back({state, number});
            in.end();
        } else if (kind == "end" || kind == "quit") {
            replay.end = kind == "end" ? Replay::End::returned : Replay::End::ended_from_outside;
            replay.end_point = in.number<std::uint64_t>(0, ~0ull);
            replay.end_state = in.state();
            replay.end_line = number;
            in.end();
        } else {
            in.fail("corrupted: unknown line '" + std::string(line.substr(0, 20)) + "'");
        }
    }
    if (number < 4) throw ReplayError(name + ":" + std::to_string(number) + ": truncated header");
    return replay;
}

Replay read_replay(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw ReplayError(path + ": cannot be read: " + std::strerror(errno));
    std::string text;
    char block[65536];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
        text.append(block, n);
        if (text.size() > kLargestReplayBytes) break;
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw ReplayError(path + ": cannot be read: " + std::strerror(error));
    return parse_replay(text, path);
}

// ==== Recording ====

Recorder::Recorder(Sink sink, int columns, int rows)
    : sink_(std::move(sink)), columns_(columns), rows_(rows) {}

void Recorder::header(std::time_t seed) {
    seeded_ = true;
    seed_ = seed;
    sink_("patrulha-replay " + std::to_string(kReplayFormat) +
          "\ngame " PATRULHA_VERSION "\nseed " + std::to_string(static_cast<long long>(seed)) +
          "\nsize " + std::to_string(columns_) + ' ' + std::to_string(rows_) + '\n');
}

std::time_t Recorder::wall_time(Backend& backend) {
    // The game seeds once at start; any later question gets the same
    // answer, so that what the game does with it is replayed too.
    if (!seeded_) header(backend.wall_time());
    return seed_;
}

void Recorder::pacing_point(std::uint64_t, std::int64_t charged_us) {
    last_state_ = take_game_snapshot();
    if (!seeded_ || charged_us < next_checkpoint_us_) return;
    const GameSnapshot& state = last_state_;
    std::string lines;
    // A machine can fall seconds behind (a long explosion): one checkpoint
    // for each second, all with the state now, as the replay will see them.
    while (charged_us >= next_checkpoint_us_) {
        const bool grid_alone = checkpointed_ && state.score == last_checkpoint_.score &&
                                state.lives == last_checkpoint_.lives &&
                                state.bombs == last_checkpoint_.bombs;
        lines += "c " + (grid_alone ? hex(state.grid_hash) : state_fields(state)) + '\n';
        last_checkpoint_ = state;
        checkpointed_ = true;
        next_checkpoint_us_ += kCheckpointEveryUs;
    }
    sink_(lines);
}

void Recorder::read_keys(Backend& backend, std::deque<int>& keys, bool wait, std::uint64_t point) {
    const std::size_t before = keys.size();
    const std::int64_t started = backend.now_us();
    backend.read_keys(keys, wait);
    while (wait && keys.size() == before) backend.read_keys(keys, true);
    if (keys.size() == before) return;
    if (!seeded_) header(backend.wall_time());
    std::string line = wait ? "w " : "k ";
    line += std::to_string(point - last_key_point_);
    if (wait) line += ' ' + std::to_string((backend.now_us() - started) / 1000);
    for (std::size_t i = before; i < keys.size(); ++i) line += ' ' + std::to_string(keys[i]);
    sink_(line + '\n');
    last_key_point_ = point;
}

void Recorder::finish(std::uint64_t point, bool from_outside) {
    if (!seeded_) return;
    sink_(std::string(from_outside ? "quit " : "end ") + std::to_string(point) + ' ' +
          state_fields(from_outside ? last_state_ : take_game_snapshot()) + '\n');
}

// ==== Replaying ====

Player::Player(Replay replay, std::string name)
    : replay_(std::move(replay)), name_(std::move(name)) {}

std::string Player::at(int line) const {
    return name_ + ":" + std::to_string(line) + ": ";
}

void Player::stop(int status, std::string message) {
    stopped_ = true;
    status_ = status;
    message_ = std::move(message);
    throw ProgramEnded{status};
}

void Player::drift(int line, const std::string& what) {
    stop(kDriftStatus, at(line) + "the replay drifted: " + what + another_version());
}

std::string Player::another_version() const {
    if (replay_.game_version == PATRULHA_VERSION) return {};
    return " (recorded by version " + replay_.game_version + ", this is " PATRULHA_VERSION ")";
}

std::time_t Player::wall_time(Backend&) {
    return replay_.seed;
}

void Player::pacing_point(std::uint64_t point, std::int64_t charged_us) {
    while (charged_us >= next_checkpoint_us_) {
        const int second = static_cast<int>(next_checkpoint_us_ / kCheckpointEveryUs);
        next_checkpoint_us_ += kCheckpointEveryUs;
        const GameSnapshot now = take_game_snapshot();
        if (next_checkpoint_ == replay_.checkpoints.size()) {
            if (replay_.end == Replay::End::missing)
                stop(0, name_ + ": the recording stops at second " + std::to_string(second - 1) +
                            " (it has no end line); every checkpoint matched: " + describe(now));
            drift(replay_.end_line,
                  "the game plays on past the recorded end at second " + std::to_string(second));
        }
        const RecordedCheckpoint& expected = replay_.checkpoints[next_checkpoint_++];
        if (now == expected.state) continue;
        std::string what;
        const auto compare = [&](const char* field, const std::string& got,
                                 const std::string& recorded) {
            if (got == recorded) return;
            what += std::string(what.empty() ? "" : ", ") + field + " " + got + " (recorded " +
                    recorded + ")";
        };
        compare("score", std::to_string(now.score), std::to_string(expected.state.score));
        compare("lives", std::to_string(now.lives), std::to_string(expected.state.lives));
        compare("bombs", std::to_string(now.bombs), std::to_string(expected.state.bombs));
        compare("grid", hex(now.grid_hash), hex(expected.state.grid_hash));
        drift(expected.line, "checkpoint " + std::to_string(next_checkpoint_) + " (second " +
                                 std::to_string(second) + ") differs: " + what);
    }
    if (replay_.end == Replay::End::ended_from_outside && point >= replay_.end_point) {
        finish(point, false);
        throw ProgramEnded{status_};
    }
}

void Player::watch_for_escape(Backend& backend) {
    watched_.clear();
    backend.read_keys(watched_, false);
    for (const int code : watched_)
        if (code == 27)
            stop(0, name_ + ": replay ended by Esc after " + std::to_string(next_checkpoint_) +
                        " matching checkpoints: " + describe(take_game_snapshot()));
}

void Player::read_keys(Backend& backend, std::deque<int>& keys, bool wait, std::uint64_t point) {
    watch_for_escape(backend);
    bool found = false;
    while (next_keys_ < replay_.keys.size() && replay_.keys[next_keys_].point <= point) {
        found = true;
        const RecordedKeys& recorded = replay_.keys[next_keys_++];
        if (wait && recorded.wait_ms > 0) {
            // The replay waits as long as the player did.
            const std::int64_t until = backend.now_us() + recorded.wait_ms * 1000;
            for (std::int64_t left = until - backend.now_us(); left > 0;
                 left = until - backend.now_us()) {
                backend.sleep_us(std::min(left, kWatchSliceUs));
                watch_for_escape(backend);
            }
        }
        keys.insert(keys.end(), recorded.codes.begin(), recorded.codes.end());
    }
    if (found || !wait) return;
    if (next_keys_ == replay_.keys.size() && replay_.end == Replay::End::missing)
        stop(0, name_ +
                    ": the recording stops here (it has no end line); every checkpoint "
                    "matched: " +
                    describe(take_game_snapshot()));
    const int line =
        next_keys_ < replay_.keys.size() ? replay_.keys[next_keys_].line : replay_.end_line;
    drift(line, "the game waits for a key at pacing point " + std::to_string(point) +
                    ", where the recording has none");
}

int Player::finish(std::uint64_t point, bool returned) {
    if (stopped_) return status_;
    stopped_ = true;
    const GameSnapshot now = take_game_snapshot();
    if (replay_.end == Replay::End::missing) {
        message_ =
            name_ + ": the recording has no end line; every checkpoint matched: " + describe(now);
        return status_ = 0;
    }
    const bool same_end = returned == (replay_.end == Replay::End::returned) &&
                          point == replay_.end_point &&
                          next_checkpoint_ == replay_.checkpoints.size();
    if (!same_end || !(now == replay_.end_state)) {
        message_ = at(replay_.end_line) + "the replay drifted: it ends at pacing point " +
                   std::to_string(point) + " with " + describe(now) + ", recorded " +
                   std::to_string(replay_.end_point) + " with " + describe(replay_.end_state) +
                   another_version();
        return status_ = kDriftStatus;
    }
    message_ = name_ + ": replay matched, " + std::to_string(replay_.checkpoints.size()) +
               " checkpoints and the end: " + describe(now);
    return status_ = 0;
}

}  // namespace patrulha::platform
