// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The tone player of the terminal build: tones reach the sound device, and
// a device that never answers does not hold the program; the tones go where
// --sound says, and over SSH nowhere near the server's loudspeaker.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "platform/terminal/sound.h"
#include "tests/support/pty_child.h"
#include "tests/support/sound_device.h"
#include "tests/support/wait.h"

namespace patrulha::platform {
namespace {

TEST(TerminalSound, AutomaticIsTheDeviceAtTheMachineAndSilenceOverSsh) {
    struct Case {
        SoundChoice asked;
        const char* connection;  // SSH_CONNECTION
        const char* tty;         // SSH_TTY
        SoundChoice settled;
    };
    const char* const ssh = "192.0.2.7 50022 192.0.2.1 22";
    for (const Case& c : std::vector<Case>{
             {SoundChoice::automatic, nullptr, nullptr, SoundChoice::device},
             {SoundChoice::automatic, "", "", SoundChoice::device},
             {SoundChoice::automatic, ssh, nullptr, SoundChoice::off},
             {SoundChoice::automatic, nullptr, "/dev/pts/3", SoundChoice::off},
             {SoundChoice::device, ssh, "/dev/pts/3", SoundChoice::device},
             {SoundChoice::bell, ssh, nullptr, SoundChoice::bell},
             {SoundChoice::bell, nullptr, nullptr, SoundChoice::bell},
             {SoundChoice::off, nullptr, nullptr, SoundChoice::off},
         }) {
        const auto environment = [&](const char* name) {
            return std::string(name) == "SSH_CONNECTION" ? c.connection
                   : std::string(name) == "SSH_TTY"      ? c.tty
                                                         : nullptr;
        };
        EXPECT_EQ(settle_sound(c.asked, environment), c.settled)
            << "asked " << static_cast<int>(c.asked) << ", SSH_CONNECTION "
            << (c.connection ? c.connection : "unset") << ", SSH_TTY " << (c.tty ? c.tty : "unset");
    }
}

// The game on a terminal of its own with `arguments` and `environment`, a
// recorded sound device, started and a shot fired, ended with 'd'.
void fire_a_shot(const testing::RecordedSoundDevice& device, std::vector<std::string> environment,
                 std::vector<std::string> arguments, std::string& output) {
    environment.insert(environment.end(), {"TERM=xterm-256color", "LANG=C.UTF-8", "-LC_ALL",
                                           "-TMUX", "ALSA_CONFIG_PATH=" + device.config_path()});
    testing::PtyChild game(testing::PtyChild::program(PATRULHA_BINARY, environment, arguments));
    ASSERT_TRUE(
        game.wait_until([&] { return game.output().find("PERSONALIZAR") != std::string::npos; }));
    game.type("1");
    ASSERT_TRUE(game.wait_until([&] { return game.output().find("PONTOS") != std::string::npos; }));
    const std::size_t before = game.output().size();
    game.type("z");
    // The shot shows: its glyph (U+2302) drawn after the key.
    ASSERT_TRUE(
        game.wait_until([&] { return game.output().find("\u2302", before) != std::string::npos; }));
    game.type("d");
    ASSERT_TRUE(game.wait_for_exit());
    output = game.output().substr(before);
}

#if PATRULHA_HAVE_ALSA
TEST(TerminalSound, ThePlayerSendsTheTonesToTheSoundDevice) {
    const testing::RecordedSoundDevice device;
    ::setenv("ALSA_CONFIG_PATH", device.config_path().c_str(), 1);
    {
        TonePlayer player;
        player.play(1000, 100);
        player.play(700, 15);
        EXPECT_TRUE(testing::wait_until([&] { return player.idle(); }));
        EXPECT_TRUE(player.device_open());
    }
    ::unsetenv("ALSA_CONFIG_PATH");
    const auto played = device.samples();
    ASSERT_EQ(played.size(), 4800u + 720u);
    const std::vector<std::int16_t> first(played.begin(), played.begin() + 4800);
    const std::vector<std::int16_t> second(played.begin() + 4800, played.end());
    EXPECT_EQ(first, render_tone(1000, 100));
    EXPECT_EQ(second, render_tone(700, 15));
}

TEST(TerminalSound, ADeviceThatNeverAnswersDoesNotHoldTheEnd) {
    // The device writes into a FIFO that nobody reads: its open never
    // returns.
    const testing::TempDir dir;
    const std::string fifo = dir.file("stuck.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        std::ofstream config(dir.file("asound.conf"));
        config << "pcm.!default { type file slave.pcm \"null\" file \"" << fifo
               << "\" format \"raw\" }\npcm.null { type null }\n";
    }
    ::setenv("ALSA_CONFIG_PATH", dir.file("asound.conf").c_str(), 1);
    std::chrono::steady_clock::time_point stopping;
    {
        TonePlayer player;
        player.play(1000, 100);
        EXPECT_FALSE(
            testing::wait_until([&] { return player.idle(); }, std::chrono::milliseconds(300)));
        stopping = std::chrono::steady_clock::now();
    }
    const auto took = std::chrono::steady_clock::now() - stopping;
    ::unsetenv("ALSA_CONFIG_PATH");
    EXPECT_LT(took, std::chrono::seconds(2));
    // The thread left behind still holds the FIFO open for writing: a
    // reader lets it go, so that it ends before the folder is removed.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    if (reader >= 0) ::close(reader);
}
TEST(TerminalSound, OverSshTheGameOpensNoSoundDeviceUnlessAskedTo) {
    const std::string ssh = "SSH_CONNECTION=192.0.2.7 50022 192.0.2.1 22";
    struct Case {
        std::vector<std::string> environment;
        std::vector<std::string> arguments;
        bool opened;
    };
    for (const Case& c :
         std::vector<Case>{{{"-SSH_CONNECTION", "-SSH_TTY"}, {}, true},
                           {{ssh}, {}, false},
                           {{"SSH_TTY=/dev/pts/3"}, {}, false},
                           {{ssh}, {"--sound=device"}, true},
                           {{"-SSH_CONNECTION", "-SSH_TTY"}, {"--sound=off"}, false}}) {
        SCOPED_TRACE(c.environment[0] + (c.arguments.empty() ? "" : " " + c.arguments[0]));
        const testing::RecordedSoundDevice device;
        std::string output;
        fire_a_shot(device, c.environment, c.arguments, output);
        EXPECT_EQ(device.opened(), c.opened);
        EXPECT_EQ(output.find('\a'), std::string::npos) << "no bell";
    }
}

TEST(TerminalSound, TheBellRingsForABeepWhenAskedFor) {
    const testing::RecordedSoundDevice device;
    std::string output;
    fire_a_shot(device, {"-SSH_CONNECTION", "-SSH_TTY"}, {"--sound=bell"}, output);
    EXPECT_NE(output.find('\a'), std::string::npos) << "the terminal's bell, xterm's ^G";
    EXPECT_FALSE(device.opened());
}
#else
TEST(TerminalSound, BuiltWithoutALSAThePlayerTakesEveryToneAndOpensNoDevice) {
    TonePlayer player;
    player.play(1000, 100);
    player.play(700, 15);
    EXPECT_TRUE(testing::wait_until([&] { return player.idle(); }));
    EXPECT_FALSE(player.device_open());
}
#endif

}  // namespace
}  // namespace patrulha::platform
