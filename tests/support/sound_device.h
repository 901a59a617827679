// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A sound device that writes what it is given to a file, set up through
// ALSA's own configuration (ALSA_CONFIG_PATH naming config_path()), so that
// what a player plays can be read back.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace patrulha::testing {

class RecordedSoundDevice {
public:
    RecordedSoundDevice() {
        std::ofstream config(config_path());
        config << "pcm.!default { type file slave.pcm \"null\" file \"" << dir_.file("played.raw")
               << "\" format \"raw\" }\npcm.null { type null }\n";
    }

    std::string config_path() const { return dir_.file("asound.conf"); }

    // Whether a program has opened the device: its file is made then.
    bool opened() const { return std::ifstream(dir_.file("played.raw")).good(); }

    // The 16-bit samples played so far.
    std::vector<std::int16_t> samples() const {
        std::ifstream in(dir_.file("played.raw"), std::ios::binary);
        std::vector<std::int16_t> samples;
        std::int16_t s;
        while (in.read(reinterpret_cast<char*>(&s), sizeof s)) samples.push_back(s);
        return samples;
    }

private:
    TempDir dir_;
};

}  // namespace patrulha::testing
