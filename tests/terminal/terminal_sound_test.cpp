// The tone player of the terminal build: tones reach the sound device, and
// a device that never answers does not hold the program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "platform/terminal/sound.h"
#include "tests/support/sound_device.h"
#include "tests/support/wait.h"

namespace patrulha::platform {
namespace {

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
