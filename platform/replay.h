// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Recording and replaying a game. A game is fully determined by the seed
// its random generator got from the clock and by which keys each key poll
// or key read (a pacing point of the keyboard) found, so a replay holds just
// those, with a checkpoint of the game's state every second of console time
// to catch a replay that has drifted. The file is plain text, one line a
// record:
//
//   patrulha-replay 1        the format's version
//   game 1.0.0               the game's version that recorded it
//   seed 1765300000          what the clock gave the random generator
//   size 80 42               the terminal's columns and rows
//   k D C...                 keys C (decimal codes) read at the pacing point
//                            D after the previous key line's (the first: after 0)
//   w D MS C...              the same, read by a key wait that lasted MS ms
//   c S L B H                a checkpoint: score, lives, bombs, grid hash (hex)
//   c H                      one whose score, lives and bombs are the last's
//   end P S L B H            the game ended by itself after pacing point P
//   quit P S L B H           the game was ended from outside at pacing point P
//
// Every line ends with a line feed; a file without its end line (the
// recording process died) replays up to its last line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend.h"

namespace patrulha::platform {

// ==== The game's state, as the checkpoints see it ====

struct GameSnapshot {
    int score = 0;
    int lives = 0;
    int bombs = 0;
    std::uint32_t grid_hash = 0;
    friend bool operator==(const GameSnapshot&, const GameSnapshot&) = default;
};

// The program's entry registers how to read the game's state; the platform
// knows nothing of the game itself.
using SnapshotFunction = GameSnapshot (*)();
void set_game_snapshot(SnapshotFunction snapshot);
// The game's state now: all zeros where no function was registered.
GameSnapshot take_game_snapshot();

// The hash of a playfield grid's bytes (32-bit FNV-1a): the same on every
// build and machine.
std::uint32_t hash_grid(const unsigned char* bytes, std::size_t size);

// ==== The file ====

constexpr int kReplayFormat = 1;
// A minute of play takes a few kilobytes; anything this large is not a
// replay of this game.
constexpr std::size_t kLargestReplayBytes = std::size_t{4} << 20;
constexpr std::int64_t kCheckpointEveryUs = 1'000'000;

// A replay or a file that cannot be used; what() is "FILE:LINE: what is
// wrong" (or "FILE: ..." where no line is to blame).
struct ReplayError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct RecordedKeys {
    std::uint64_t point;
    long wait_ms;  // how long the key wait took, or -1 for a poll
    std::vector<int> codes;
    int line;
};

struct RecordedCheckpoint {
    GameSnapshot state;
    int line;
};

struct Replay {
    std::string game_version;
    std::time_t seed = 0;
    int columns = 0;
    int rows = 0;
    std::vector<RecordedKeys> keys;
    std::vector<RecordedCheckpoint> checkpoints;
    enum class End { missing, returned, ended_from_outside } end = End::missing;
    std::uint64_t end_point = 0;
    GameSnapshot end_state;
    int end_line = 0;
};

// Reads a replay's text; `name` names it in the messages. Throws ReplayError
// for a file that is truncated, corrupted or of another format version.
Replay parse_replay(std::string_view text, const std::string& name);
// Reads the replay in the file at `path`; throws ReplayError also when it
// cannot be read or is larger than kLargestReplayBytes.
Replay read_replay(const std::string& path);

// The line that says how a game or a replay ended, for the player and for
// tests that compare builds: "score S, lives L, bombs B, grid H".
std::string describe(const GameSnapshot& state);

// ==== The runtime's hook ====

// What the runtime asks at its keyboard's pacing points (every _kbhit and
// every _getch, counted from 1) while a game is recorded or replayed.
class Journal {
public:
    virtual ~Journal() = default;
    // What time() gives the game (its random seed).
    virtual std::time_t wall_time(Backend& backend) = 0;
    // The `point`-th pacing point, with `charged_us` of console time
    // charged by the game's own calls so far (never the real-time catch-up
    // of a key wait, which differs from run to run).
    virtual void pacing_point(std::uint64_t point, std::int64_t charged_us) = 0;
    // Moves keys into the runtime's queue at the pacing point `point`. With
    // `wait`, returns only with at least one key, or throws ProgramEnded.
    virtual void read_keys(Backend& backend, std::deque<int>& keys, bool wait,
                           std::uint64_t point) = 0;
};

// Writes a replay as the game goes: `sink` takes whole lines and must get
// them to the file at once, so that a crash leaves the file usable up to
// that moment.
class Recorder final : public Journal {
public:
    using Sink = std::function<void(std::string_view lines)>;
    // The header is written at the first time() the game asks for.
    Recorder(Sink sink, int columns, int rows);

    std::time_t wall_time(Backend& backend) override;
    void pacing_point(std::uint64_t point, std::int64_t charged_us) override;
    void read_keys(Backend& backend, std::deque<int>& keys, bool wait,
                   std::uint64_t point) override;

    // Writes the end line: the game returned after pacing point `point`, or
    // (with `from_outside`) was ended there by a signal, its window, an error.
    void finish(std::uint64_t point, bool from_outside);

private:
    void header(std::time_t seed);

    Sink sink_;
    int columns_;
    int rows_;
    bool seeded_ = false;
    std::time_t seed_ = 0;
    std::uint64_t last_key_point_ = 0;
    std::int64_t next_checkpoint_us_ = kCheckpointEveryUs;
    // The state at the last pacing point: what a game ended from outside
    // (perhaps in the middle of an explosion) is replayed up to.
    GameSnapshot last_state_;
    // The last checkpoint written: most seconds change the grid alone.
    GameSnapshot last_checkpoint_;
    bool checkpointed_ = false;
};

// Plays a replay back: the keys come from the replay at the pacing points
// that read them, and the backend's keys are only looked at for Esc, which
// ends the replay (Ctrl-C ends the program in the backend itself). Every
// checkpoint is compared; at the first that differs the replay stops
// (ProgramEnded with kDriftStatus), and message() says where and what.
class Player final : public Journal {
public:
    static constexpr int kDriftStatus = 3;

    // `name` names the replay's file in the messages.
    Player(Replay replay, std::string name);

    std::time_t wall_time(Backend& backend) override;
    void pacing_point(std::uint64_t point, std::int64_t charged_us) override;
    void read_keys(Backend& backend, std::deque<int>& keys, bool wait,
                   std::uint64_t point) override;

    // After the game returned by itself at pacing point `point` (`returned`)
    // or was stopped: the exit status (0 when the replay matched as far as it
    // went, kDriftStatus when it drifted) and, in message(), the one line
    // that says so with the game's final state.
    int finish(std::uint64_t point, bool returned);
    const std::string& message() const { return message_; }

private:
    [[noreturn]] void stop(int status, std::string message);
    [[noreturn]] void drift(int line, const std::string& what);
    void watch_for_escape(Backend& backend);
    std::string at(int line) const;
    // What a drift's message adds for a replay another version recorded.
    std::string another_version() const;

    Replay replay_;
    std::string name_;
    std::size_t next_keys_ = 0;
    std::size_t next_checkpoint_ = 0;
    std::int64_t next_checkpoint_us_ = kCheckpointEveryUs;
    bool stopped_ = false;
    int status_ = 0;
    std::string message_;
    std::deque<int> watched_;
};

}  // namespace patrulha::platform
