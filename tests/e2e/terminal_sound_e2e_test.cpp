// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game's beep reaches the sound device: the frame probe, run with an
// ALSA device that writes what it plays to a file, beeps on 'b'.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/terminal/sound.h"
#include "tests/e2e/terminal_e2e_support.h"
#include "tests/support/sound_device.h"

namespace patrulha::testing {
namespace {

TEST(TerminalSoundE2E, ABeepOfTheGameIsPlayedOnTheSoundDevice) {
    if (!PATRULHA_HAVE_ALSA) GTEST_SKIP() << "built without ALSA: no sound device to play on";
    const RecordedSoundDevice device;
    {
        TmuxSession s(recorded(kFrameProbe), {"ALSA_CONFIG_PATH=" + device.config_path()});
        ASSERT_TRUE(s.wait_for_text("quadro 1")) << s.capture();
        s.send_keys({"b"});
        s.send_keys({"b"});
        // The program ends with its sound: a tone still waiting then is
        // dropped. Some frames after the beeps, both have been handed over.
        ASSERT_TRUE(s.wait_for_text("quadro 12")) << s.capture();
        s.send_keys({"q"});
        ASSERT_TRUE(s.wait_for_text("PLAIN")) << s.capture();
        EXPECT_NE(s.capture().find("ENDED signal=0 status=0"), std::string::npos) << s.capture();
    }
    const std::vector<std::int16_t> played = device.samples();
    std::vector<std::int16_t> expected = platform::render_tone(1000, 100);
    expected.insert(expected.end(), expected.begin(), expected.end());
    EXPECT_EQ(played, expected) << played.size() << " samples played";
}

}  // namespace
}  // namespace patrulha::testing
