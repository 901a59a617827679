// The tone generator: the frequency and length asked for, with fades that
// keep the ends silent, and silence where no tone can be made.
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

// Frequency measured from upward zero crossings: one per cycle.
double measured_frequency(const std::vector<std::int16_t>& samples, unsigned rate) {
    std::vector<std::size_t> ups;
    for (std::size_t i = 1; i < samples.size(); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0) ups.push_back(i);
    if (ups.size() < 2) return 0;
    const double cycles = static_cast<double>(ups.size() - 1);
    return cycles * rate / static_cast<double>(ups.back() - ups.front());
}

int peak(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to) {
    int most = 0;
    for (std::size_t i = from; i < to && i < samples.size(); ++i)
        most = std::max(most, std::abs(static_cast<int>(samples[i])));
    return most;
}

TEST(TerminalSound, TonesHaveTheFrequencyAndLengthAskedFor) {
    struct Case {
        unsigned hz, ms, rate;
    };
    // The game's three tones, and others at other rates.
    for (const Case c : {Case{1000, 100, 48000}, Case{700, 15, 48000}, Case{100, 100, 48000},
                         Case{440, 250, 44100}, Case{3000, 40, 22050}}) {
        SCOPED_TRACE(std::to_string(c.hz) + " Hz, " + std::to_string(c.ms) + " ms at " +
                     std::to_string(c.rate));
        const auto tone = render_tone(c.hz, c.ms, c.rate);
        EXPECT_EQ(tone.size(), static_cast<std::size_t>(c.rate) * c.ms / 1000);
        EXPECT_NEAR(measured_frequency(tone, c.rate), c.hz, c.hz * 0.01);
        // Loud in the middle, not clipped.
        const std::size_t middle = tone.size() / 2;
        const std::size_t cycle = c.rate / c.hz + 1;
        EXPECT_GT(peak(tone, middle - cycle, middle + cycle), 6000);
        EXPECT_LT(peak(tone, 0, tone.size()), 32767);
    }
}

TEST(TerminalSound, AHugeDurationGivesTheLongestToneNotAFailure) {
    const auto tone = render_tone(1000, 4'294'967'295u, 48000);
    EXPECT_EQ(tone.size(), std::size_t{48} * kMaxToneMs);
}

TEST(TerminalSound, TonesFadeInAndOutSoTheyDoNotClick) {
    const auto tone = render_tone(1000, 100, 48000);
    const int loud = peak(tone, 2000, 2800);
    // The first and last samples are silent, and the first and last
    // millisecond are well below the middle's level.
    EXPECT_EQ(tone.front(), 0);
    EXPECT_LE(std::abs(static_cast<int>(tone.back())), 1);
    EXPECT_LT(peak(tone, 0, 48), loud / 3);
    EXPECT_LT(peak(tone, tone.size() - 48, tone.size()), loud / 3);
    // No jump between neighbours bigger than the sine's own steepest step.
    const double steepest = loud * 2 * 3.14159265 * 1000 / 48000;
    for (std::size_t i = 1; i < tone.size(); ++i)
        ASSERT_LE(std::abs(tone[i] - tone[i - 1]), steepest * 1.1 + 2) << "at " << i;
}

TEST(TerminalSound, AToneTheDeviceCannotPlayIsSilenceOfTheSameLength) {
    for (const unsigned hz : {0u, 24000u, 30000u}) {
        const auto tone = render_tone(hz, 100, 48000);
        EXPECT_EQ(tone.size(), 4800u) << hz;
        EXPECT_EQ(peak(tone, 0, tone.size()), 0) << hz;
    }
    EXPECT_TRUE(render_tone(1000, 0, 48000).empty());
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
