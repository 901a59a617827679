// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A backend with no terminal: what a terminal would be sent goes into an
// asciicast, on a virtual clock that advances by the game's own pace and
// never sleeps. For turning a replay into a recording as fast as the
// machine allows; its keys all come from the replay.
#pragma once

#include <cstdint>
#include <string>

#include "platform/backend.h"
#include "platform/terminal/asciicast.h"
#include "platform/terminal/screen_writer.h"

namespace patrulha::platform {

// The terminal type a cast is drawn for: `term` where the system knows it,
// else xterm-256color.
std::string cast_term(const char* term);

class CastBackend final : public Backend {
public:
    // Draws with the description of `term` in UTF-8 into `cast`. Throws
    // TerminalError when the description cannot be loaded.
    CastBackend(const std::string& term, Asciicast& cast);

    // The last bytes: colours back to the terminal's own, the cursor shown.
    void finish();

    void present(const ConsoleBuffer& console) override;
    std::int64_t now_us() override { return now_us_; }
    void sleep_us(std::int64_t us) override { now_us_ += us; }
    void read_keys(std::deque<int>&, bool) override {}
    void beep(unsigned, unsigned) override {}
    void bell() override;
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override {}
    std::time_t wall_time() override { return 0; }

private:
    ScreenWriter writer_;
    Asciicast& cast_;
    std::int64_t now_us_ = 0;
};

}  // namespace patrulha::platform
