// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The tone generator every build plays through: the frequency and length
// asked for at a quarter of full scale, fades that keep the ends silent,
// silence where no tone can be made, and a bound on a huge length.
#include "platform/tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

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

TEST(Tone, TonesHaveTheFrequencyAndLengthAskedFor) {
    struct Case {
        unsigned hz, ms, rate;
    };
    // The game's three tones at the terminal's rate and at the Windows wave
    // device's (22 050), and others.
    for (const Case c : {Case{1000, 100, 48000}, Case{700, 15, 48000}, Case{100, 100, 48000},
                         Case{1000, 100, 22050}, Case{700, 15, 22050}, Case{100, 100, 22050},
                         Case{440, 250, 44100}, Case{3000, 40, 22050}}) {
        SCOPED_TRACE(std::to_string(c.hz) + " Hz, " + std::to_string(c.ms) + " ms at " +
                     std::to_string(c.rate));
        const auto tone = render_tone(c.hz, c.ms, c.rate);
        EXPECT_EQ(tone.size(), static_cast<std::size_t>(c.rate) * c.ms / 1000);
        EXPECT_NEAR(measured_frequency(tone, c.rate), c.hz, c.hz * 0.01);
        // A quarter of full scale in the middle, never more.
        const std::size_t middle = tone.size() / 2;
        const std::size_t cycle = c.rate / c.hz + 1;
        EXPECT_GT(peak(tone, middle - cycle, middle + cycle), 32767 / 4 - 400);
        EXPECT_LE(peak(tone, 0, tone.size()), 32767 / 4 + 1);
    }
}

TEST(Tone, AHugeDurationGivesTheLongestToneNotAFailure) {
    const auto tone = render_tone(1000, 4'294'967'295u, 48000);
    EXPECT_EQ(tone.size(), std::size_t{48} * kMaxToneMs);
}

TEST(Tone, TonesFadeInAndOutSoTheyDoNotClick) {
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

TEST(Tone, AToneTheDeviceCannotPlayIsSilenceOfTheSameLength) {
    for (const unsigned hz : {0u, 24000u, 30000u}) {  // none, half the rate, above it
        const auto tone = render_tone(hz, 100, 48000);
        EXPECT_EQ(tone.size(), 4800u) << hz;
        EXPECT_EQ(peak(tone, 0, tone.size()), 0) << hz;
    }
    EXPECT_TRUE(render_tone(1000, 0, 48000).empty());
}

}  // namespace
}  // namespace patrulha::platform
