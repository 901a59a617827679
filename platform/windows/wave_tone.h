// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game's tones on Windows, played through the wave output device
// (waveOut): each tone is rendered and queued, and play returns at once, so
// the game goes on reading keys while it sounds. The caller waits out each
// tone's length on its own clock. Where no device opens (a machine without
// sound, wine without a driver), tones are silent and the timing is the same.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace patrulha::platform {

constexpr unsigned kWaveSampleRate = 22'050;

class WaveTone {
public:
    // Opens the default wave output device; silent where none opens.
    WaveTone();
    ~WaveTone();
    WaveTone(const WaveTone&) = delete;
    WaveTone& operator=(const WaveTone&) = delete;

    // Queues a tone after those still playing and returns at once. When
    // more than half a second is already waiting, the tone is dropped.
    void play(unsigned frequency, unsigned duration_ms);

    // Stops what plays and drops what waits.
    void silence();

    // Whether a device opened.
    bool device_open() const;

private:
    struct Device;
    std::unique_ptr<Device> device_;
};

}  // namespace patrulha::platform
