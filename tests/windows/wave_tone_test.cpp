// The tones played through the wave output device: their length, their
// loudness, their soft edges, and silence where no tone can be made.
#include "platform/windows/wave_tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/tone.h"

namespace patrulha::platform {
namespace {

int peak(const std::vector<std::int16_t>& samples) {
    int most = 0;
    for (const std::int16_t s : samples) most = std::max(most, std::abs(static_cast<int>(s)));
    return most;
}

TEST(WaveTone, TheGamesTonesLastTheirMillisecondsAtAQuarterOfFullScale) {
    struct Case {
        unsigned frequency, duration_ms;
    };
    for (const Case c : {Case{1000, 100}, Case{700, 15}, Case{100, 100}}) {
        const auto samples = render_tone(c.frequency, c.duration_ms, kWaveSampleRate);
        const std::string name = std::to_string(c.frequency) + " Hz";
        EXPECT_EQ(samples.size(), kWaveSampleRate * c.duration_ms / 1000) << name;
        EXPECT_GT(peak(samples), 32767 / 4 - 400) << name;
        EXPECT_LE(peak(samples), 32767 / 4 + 1) << name;
        // Faded in and out: no click at either edge.
        EXPECT_EQ(samples.front(), 0) << name;
        EXPECT_LT(std::abs(static_cast<int>(samples.back())), 200) << name;
    }
}

TEST(WaveTone, NoToneIsSilenceOfTheSameLength) {
    for (const unsigned frequency : {0u, kWaveSampleRate / 2, kWaveSampleRate}) {
        const auto samples = render_tone(frequency, 50, kWaveSampleRate);
        EXPECT_EQ(samples.size(), kWaveSampleRate / 20) << frequency;
        EXPECT_EQ(peak(samples), 0) << frequency;
    }
    EXPECT_TRUE(render_tone(1000, 0, kWaveSampleRate).empty());
}

}  // namespace
}  // namespace patrulha::platform
