// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace patrulha::platform {

std::vector<std::int16_t> render_tone(unsigned frequency, unsigned duration_ms,
                                      unsigned sample_rate) {
    // Counted in 64 bits, where a 32-bit size would wrap.
    const std::uint64_t length_ms = std::min(duration_ms, kMaxToneMs);
    const auto count = static_cast<std::size_t>(std::uint64_t{sample_rate} * length_ms / 1000);
    std::vector<std::int16_t> samples(count, 0);
    if (frequency == 0 || 2 * frequency >= sample_rate) return samples;

    constexpr double kAmplitude = 0.25 * 32767;
    // A few milliseconds of fade, but never more than a quarter of the tone
    // at each end, so that the shortest beeps still sound.
    const std::size_t fade = std::min<std::size_t>(sample_rate * 4 / 1000, count / 4);
    const double step = 2 * std::numbers::pi * frequency / sample_rate;
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 1.0;
        if (fade > 0 && i < fade) gain = static_cast<double>(i) / static_cast<double>(fade);
        if (fade > 0 && count - 1 - i < fade)
            gain = std::min(gain, static_cast<double>(count - 1 - i) / static_cast<double>(fade));
        samples[i] = static_cast<std::int16_t>(
            std::lround(kAmplitude * gain * std::sin(step * static_cast<double>(i))));
    }
    return samples;
}

}  // namespace patrulha::platform
