// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The browser backend: draws the console buffer on the page's canvas, row
// by row as the rows change, takes the keys the page turned into key codes,
// paces on the page's clock by handing control back to the browser while it
// waits (ASYNCIFY), and plays the tones with Web Audio. The page's script
// (page.js) supplies the other half of each of these.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/backend.h"
#include "platform/console_buffer.h"
#include "platform/key_decoder.h"
#include "platform/type_ahead.h"

namespace patrulha::platform {

class WebBackend final : public Backend {
public:
    WebBackend();

    void present(const ConsoleBuffer& console) override;
    // The page's clock, which stands still while the page is hidden.
    std::int64_t now_us() override;
    // Hands control back to the browser for the time asked, so that the
    // page draws and takes keys meanwhile; while the page is hidden it does
    // not return.
    void sleep_us(std::int64_t us) override;
    void read_keys(std::deque<int>& keys, bool wait) override;
    void beep(unsigned frequency, unsigned duration_ms) override;
    void bell() override;
    void synthesised_key(int, int, unsigned) override {}
    // The page's canvas is always the console's size.
    void request_full_console() override {}
    std::time_t wall_time() override;

private:
    void take_input();
    void yield_to_browser(int ms);

    ChangeTracker shown_;
    KeyDecoder decoder_;
    TypeAhead type_ahead_;
    std::int64_t last_yield_us_ = 0;
};

}  // namespace patrulha::platform
