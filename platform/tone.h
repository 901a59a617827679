// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game's tones as samples, the same on every platform that plays them
// itself: a sine at a quarter of full scale, faded in and out over a few
// milliseconds so that it neither starts nor stops with a click.
#pragma once

#include <cstdint>
#include <vector>

namespace patrulha::platform {

constexpr unsigned kToneSampleRate = 48'000;

// The longest tone rendered: the samples of a tone of days would not fit in
// memory.
constexpr unsigned kMaxToneMs = 60'000;

// A tone of `frequency` hertz lasting `duration_ms` (at most kMaxToneMs), as
// mono signed 16-bit samples at `sample_rate`. A frequency of 0 or of half
// the sample rate or more gives silence of the same length.
std::vector<std::int16_t> render_tone(unsigned frequency, unsigned duration_ms,
                                      unsigned sample_rate = kToneSampleRate);

}  // namespace patrulha::platform
