// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A game recorded on the virtual backend replays to the same end, and a
// replay with one key changed drifts at the first checkpoint after it; a
// table of bad replay files, each refused with its line.
#include "platform/replay.h"

#include <gtest/gtest.h>

#include <string>

#include "game/estado.h"
#include "game/game.h"
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

using platform::Player;
using platform::Recorder;
using platform::ReplayError;
using platform::Runtime;

class ReplayTest : public ConsoleTest {
protected:
    ReplayTest() { platform::set_game_snapshot(retrato_do_jogo); }
    ~ReplayTest() override { Runtime::instance().set_journal(nullptr); }

    // Plays a game of the first level: moves, shots and a bomb, then D.
    std::string record() {
        std::string text;
        Recorder recorder([&](std::string_view lines) { text += lines; }, 80, 42);
        Runtime::instance().set_journal(&recorder);
        vb.key('1').after_polls(30).key('z').after_polls(20).left().after_polls(40).key('z');
        vb.after_polls(60).right().right().after_polls(30).key('a').after_polls(80).key('z');
        vb.after_polls(100).key('d');
        EXPECT_EQ(run_main(), RunEnd::Returned);
        recorder.finish(Runtime::instance().key_points(), false);
        return text;
    }

    // Replays `text` on a fresh virtual backend: the status and message.
    std::pair<int, std::string> replay(const std::string& text) {
        reset_conio_state();
        platform::VirtualBackend again;
        again.after_polls(1 << 30).key('q');  // no key of its own
        Player player(platform::parse_replay(text, "game.rpl"), "game.rpl");
        Runtime::instance().set_journal(&player);
        bool returned = false;
        try {
            patrulha::main();
            returned = true;
        } catch (const platform::ProgramEnded&) {
        }
        const int status = player.finish(Runtime::instance().key_points(), returned);
        return {status, player.message()};
    }
};

TEST_F(ReplayTest, ARecordedGameReplaysToTheSameEnd) {
    const std::string text = record();
    const platform::GameSnapshot end = retrato_do_jogo();
    const auto [status, message] = replay(text);
    EXPECT_EQ(status, 0) << message;
    EXPECT_NE(message.find("replay matched"), std::string::npos) << message;
    EXPECT_NE(message.find(platform::describe(end)), std::string::npos) << message;
    EXPECT_EQ(retrato_do_jogo(), end);
}

TEST_F(ReplayTest, OneKeyChangedDriftsAtTheNextCheckpoint) {
    std::string text = record();
    // The first left arrow (224, then 75 at the next poll) becomes a right
    // arrow (77).
    const std::size_t left = text.find("\nk 2 75\n");
    ASSERT_NE(left, std::string::npos) << text;
    text[left + 6] = '7';
    int line_of_key = 1;
    for (std::size_t i = 0; i < left; ++i) line_of_key += text[i] == '\n';
    std::size_t checkpoint = text.find("\nc ", left);
    ASSERT_NE(checkpoint, std::string::npos);
    int line_of_checkpoint = 1;
    for (std::size_t i = 0; i <= checkpoint; ++i) line_of_checkpoint += text[i] == '\n';

    const auto [status, message] = replay(text);
    EXPECT_EQ(status, Player::kDriftStatus);
    EXPECT_EQ(
        message.rfind("game.rpl:" + std::to_string(line_of_checkpoint) + ": the replay drifted", 0),
        0u)
        << message << " (the key is on line " << line_of_key << ")";
    EXPECT_NE(message.find("grid"), std::string::npos) << message;
    EXPECT_EQ(message.find("recorded by version"), std::string::npos) << message;

    // Recorded by another version, the drift says so.
    const std::size_t version = text.find("\ngame ") + 6;
    text.replace(version, text.find('\n', version) - version, "0.9.0");
    const auto [other_status, other_message] = replay(text);
    EXPECT_EQ(other_status, Player::kDriftStatus);
    EXPECT_NE(other_message.find("(recorded by version 0.9.0, this is "), std::string::npos)
        << other_message;
}

TEST(ReplayFile, BadFilesAreRefusedWithTheirLine) {
    const std::string head = "patrulha-replay 1\ngame 1.0.0\nseed 5\nsize 80 42\n";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "game.rpl:1: empty, not a replay"},
        {"hello\n", "game.rpl:1: not a replay of patrulha"},
        {"patrulha-replay 2\n", "game.rpl:1: format version 2; this game reads version 1"},
        {"patrulha-replay 1\ngame 1.0.0\n", "game.rpl:2: truncated header"},
        {"patrulha-replay 1\nseed 5\n", "game.rpl:2: corrupted: the header's line 'game'"},
        {head + "k 3 122", "game.rpl:5: truncated: the line has no end"},
        {head + "k 3 1220\n", "game.rpl:5: '1220' is not a number"},
        {head + "k 3\n", "game.rpl:5: corrupted: a key line without a key"},
        {head + "c 1 2 3 zz\n", "game.rpl:5: the grid's hash 'zz'"},
        {head + "x 1\n", "game.rpl:5: corrupted: unknown line"},
        {head + "end 4 0 0 0 00000000\nk 1 2\n", "game.rpl:6: corrupted: a line after the end"},
        {head + "c 1 2 3 0000000g\n", "game.rpl:5: the grid's hash"},
        {head + "c 0000000a\n", "game.rpl:5: corrupted: a checkpoint of the grid alone"},
        {std::string(platform::kLargestReplayBytes + 1, 'k'), "game.rpl: larger than 4 MB"},
    };
    for (const auto& c : cases) {
        try {
            platform::parse_replay(c.text, "game.rpl");
            ADD_FAILURE() << "accepted: " << c.text.substr(0, 80);
        } catch (const ReplayError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u)
                << error.what() << "\nexpected: " << c.message;
        }
    }
    const platform::Replay read = platform::parse_replay(
        head + "w 1 200 49\nc 7 4 10 0d3441ce\nc 0000000a\nend 9 7 4 10 0000000a\n", "game.rpl");
    EXPECT_EQ(read.keys.front().wait_ms, 200);
    // A checkpoint of the grid alone keeps the last one's score, lives, bombs.
    EXPECT_EQ(read.checkpoints.back().state, (platform::GameSnapshot{7, 4, 10, 0xa}));
}

}  // namespace
}  // namespace patrulha::testing
