// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The real binary in tmux: a game played with keys is recorded, replayed to
// the same paused screen and the same final score; a bad replay is refused
// with its line before the terminal is touched; and the replay made into an
// asciicast plays in Debian's asciinema to the game's last screen, with its
// final score.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/e2e/terminal_e2e_support.h"
#include "tests/support/temp_dir.h"

namespace patrulha::testing {
namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The status echoed by the shell after the program, and its standard error.
std::string run_line(const std::string& arguments, const TempDir& dir) {
    return kPatrulha + " " + arguments + " 2>" + dir.file("err") + "; echo $? >" +
           dir.file("status.new") + "; mv " + dir.file("status.new") + " " + dir.file("status");
}

// Waits for the status the shell wrote after the program: "" when none came.
std::string status_of(const TempDir& dir) {
    std::string status;
    wait_until(
        [&] {
            status = read_file(dir.file("status"));
            return !status.empty();
        },
        kPatience);
    std::remove(dir.file("status").c_str());
    return status;
}

// The pane's screen while the game stands paused, without the status line.
std::string paused_screen(const TmuxSession& s) {
    return trim_lines(s.capture());
}

class ReplayE2E : public ::testing::Test {
protected:
    // Records a game: '1', shots, a move, a bomb, a pause held while the
    // screen is read, then D. Returns the paused screen.
    std::string record_game() {
        TmuxSession s(run_line("--record " + replay_, dir_));
        EXPECT_TRUE(s.wait_for_text("5 - PERSONALIZAR")) << s.capture();
        s.send_keys({"1"});
        EXPECT_TRUE(s.wait_for_text("PONTOS")) << s.capture();
        for (const char* key : {"z", "Left", "z", "Left", "z", "a", "z", "Right", "z"}) {
            s.send_keys({key});
            EXPECT_TRUE(s.wait_until([&](const std::string&) { return s.input_taken(); }));
        }
        s.send_keys({"s"});
        std::string paused;
        // Paused once two captures a moment apart agree.
        EXPECT_TRUE(s.wait_until([&](const std::string&) {
            const std::string first = paused_screen(s);
            wait_until([] { return false; }, std::chrono::milliseconds(300));
            paused = paused_screen(s);
            return paused == first && paused.find("PONTOS") != std::string::npos;
        }));
        s.send_keys({"s"});
        s.send_keys({"d"});
        EXPECT_EQ(status_of(dir_), "0\n") << s.capture() << read_file(dir_.file("err"));
        return paused;
    }

    TempDir dir_;
    std::string replay_ = dir_.file("game.rpl");
};

TEST_F(ReplayE2E, ARecordedGameReplaysToTheSameScreensAndScore) {
    const std::string paused = record_game();
    const std::string recorded = read_file(replay_);
    const std::size_t end = recorded.rfind("\nend ");
    ASSERT_NE(end, std::string::npos) << recorded;
    std::istringstream fields(recorded.substr(end + 5));
    long long point = 0;
    int score = -1, lives = -1, bombs = -1;
    std::string hash;
    fields >> point >> score >> lives >> bombs >> hash;
    ASSERT_GT(score, 0) << recorded;

    TmuxSession s(run_line("--replay " + replay_, dir_));
    // The replay stands paused as long as the player did, on the same screen.
    EXPECT_TRUE(s.wait_until([&](const std::string&) { return paused_screen(s) == paused; }))
        << s.capture() << "\nrecorded:\n"
        << paused;
    ASSERT_EQ(status_of(dir_), "0\n") << s.capture() << read_file(dir_.file("err"));
    const std::string said = read_file(dir_.file("err"));
    EXPECT_NE(said.find("replay matched"), std::string::npos) << said;
    EXPECT_NE(said.find("score " + std::to_string(score) + ", lives " + std::to_string(lives) +
                        ", bombs " + std::to_string(bombs) + ", grid " + hash),
              std::string::npos)
        << said;

    // Made into a cast at once, with no terminal; asciinema plays it.
    const std::string cast = dir_.file("game.cast");
    ASSERT_EQ(std::system((kPatrulha + " --replay " + replay_ + " --cast " + cast + " 2>" +
                           dir_.file("err") + " </dev/null >/dev/null")
                              .c_str()),
              0)
        << read_file(dir_.file("err"));
    std::ifstream lines(cast);
    std::string header;
    std::getline(lines, header);
    EXPECT_NE(header.find("\"version\": 2, \"width\": 80, \"height\": 42"), std::string::npos)
        << header;
    EXPECT_NE(header.find("\"TERM\": \""), std::string::npos) << header;
    double last = 0;
    int events = 0;
    for (std::string line; std::getline(lines, line); ++events) {
        const double at = std::stod(line.substr(1));
        EXPECT_GE(at, last) << line.substr(0, 60);
        last = at;
    }
    EXPECT_GT(events, 10);
    // asciinema cat writes the recording's bytes to a pane that keeps no
    // alternate screen, which then shows the game's last screen: D's
    // farewell beside the status panel with the score the game ended with.
    TmuxSession player("read go; asciinema cat " + cast + "; echo CAT-STATUS=$?",
                       {"TERM=tmux-256color"});
    player.tmux({"set-option", "-p", "-t", player.target(), "alternate-screen", "off"});
    player.send_text("\n");
    ASSERT_TRUE(player.wait_for_text("CAT-STATUS=0")) << player.capture();
    const std::string shown = player.capture();
    EXPECT_NE(shown.find("Obrigado por jogar, piloto"), std::string::npos) << shown;
    EXPECT_NE(shown.find("PONTOS:   " + std::to_string(score) + " "), std::string::npos) << shown;
    EXPECT_NE(shown.find("VIDAS:    " + std::to_string(lives) + " "), std::string::npos) << shown;
    EXPECT_NE(shown.find("ESPECIAIS:" + std::to_string(bombs) + " "), std::string::npos) << shown;
}

TEST_F(ReplayE2E, ABadReplayIsRefusedBeforeTheTerminalIsTouched) {
    std::ofstream(replay_) << "patrulha-replay 1\ngame 1.0.0\nseed 5\nsize 80 42\nk 3 9999\n";
    TmuxSession s(recorded(kPatrulha + " --replay " + replay_ + " 2>" + dir_.file("err")));
    ASSERT_TRUE(s.wait_for_text("ENDED signal=0 status=2")) << s.capture();
    EXPECT_TRUE(s.wait_for_text("TTY-SAME")) << s.capture();
    EXPECT_EQ(read_file(dir_.file("err")),
              "patrulha: " + replay_ + ":5: '9999' is not a number the replay can hold here\n");
    EXPECT_FALSE(s.alternate_screen());

    // A recording into a folder that is not there: no file, status 2.
    TmuxSession w(run_line("--record " + dir_.file("none/game.rpl"), dir_));
    ASSERT_EQ(status_of(dir_), "2\n") << w.capture();
    EXPECT_FALSE(std::ifstream(dir_.file("none/game.rpl")).good());
    EXPECT_EQ(read_file(dir_.file("err"))
                  .rfind("patrulha: " + dir_.file("none/game.rpl") + ": cannot be written: ", 0),
              0u);
}

}  // namespace
}  // namespace patrulha::testing
