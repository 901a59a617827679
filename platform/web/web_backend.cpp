// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/web/web_backend.h"

#include <emscripten.h>

#include <array>
#include <ctime>

#include "platform/cp850.h"

namespace patrulha::platform {

// ==== The page's half (page.js) ====

// The script inside each of these is the page's, not C++: left as written.
// clang-format off

// Row `y` of the console: for each of its 80 cells the character it shows
// and its attribute, one after the other. The page draws the cells that
// differ from what it shows.
EM_JS(void, page_row, (int y, const std::uint32_t* cells), {
    patrulhaPage.row(y, HEAPU32.subarray(cells >> 2, (cells >> 2) + 160));
});

EM_JS(void, page_cursor, (int x, int y, int visible, int size), {
    patrulhaPage.cursor(x, y, visible != 0, size);
});

// The oldest key press not taken yet, into `out`: its length, or -1 when
// none waits. A character is its code point; a named key (an arrow, Enter)
// is -1 - its NamedKey.
EM_JS(int, page_next_input, (std::int32_t* out, int capacity), {
    const press = patrulhaPage.nextInput();
    if (press === undefined) return -1;
    const n = Math.min(press.length, capacity);
    for (let i = 0; i < n; ++i) HEAP32[(out >> 2) + i] = press[i];
    return n;
});

// Returns when a key press arrives or `timeout_ms` has passed.
EM_ASYNC_JS(void, page_wait_input, (int timeout_ms), {
    await patrulhaPage.waitInput(timeout_ms);
});

// Returns after `ms` milliseconds, and not before the page is shown again.
EM_ASYNC_JS(void, page_sleep, (int ms), {
    await patrulhaPage.sleep(ms);
});

EM_JS(double, page_now_ms, (), {
    return patrulhaPage.now();
});

EM_JS(void, page_tone, (unsigned frequency, unsigned duration_ms), {
    patrulhaPage.tone(frequency, duration_ms);
});

// clang-format on

// ==== The backend ====

namespace {

// Longest the game may run without handing control back to the browser:
// longer, and the page would stop drawing and taking keys.
constexpr std::int64_t kLongestRunUs = 40'000;

std::int64_t page_now_us() {
    return static_cast<std::int64_t>(page_now_ms() * 1000.0);
}

}  // namespace

WebBackend::WebBackend() : last_yield_us_(page_now_us()) {}

void WebBackend::yield_to_browser(int ms) {
    page_sleep(ms);
    last_yield_us_ = page_now_us();
}

// Only the rows written since the last present go to the page: a present
// with nothing written costs a look at the stamps.
void WebBackend::present(const ConsoleBuffer& console) {
    if (shown_.changed(console)) {
        std::array<std::uint32_t, 2 * ConsoleBuffer::kWidth> row{};
        for (int y = 0; y < ConsoleBuffer::kHeight; ++y) {
            if (!shown_.row_changed(console, y)) continue;
            for (int x = 0; x < ConsoleBuffer::kWidth; ++x) {
                const Cell& cell = console.at({x, y});
                row[static_cast<std::size_t>(2 * x)] = cp850_to_unicode(cell.code);
                row[static_cast<std::size_t>(2 * x + 1)] = cell.attribute;
            }
            page_row(y, row.data());
        }
        shown_.took(console);
    }
    page_cursor(console.cursor().x, console.cursor().y, console.cursor_visible() ? 1 : 0,
                console.cursor_size());
    take_input();
    if (page_now_us() - last_yield_us_ > kLongestRunUs) yield_to_browser(0);
}

std::int64_t WebBackend::now_us() {
    return page_now_us();
}

void WebBackend::sleep_us(std::int64_t us) {
    // Under a millisecond the page's timers cannot wait; the pacing clock
    // carries the rest to the next pacing point.
    if (us < 1000) return;
    yield_to_browser(static_cast<int>(us / 1000));
}

std::time_t WebBackend::wall_time() {
    return std::time(nullptr);
}

// Each press is one burst for the decoder, so that a lone Esc is a key at
// once and Alt with a key (Esc and the key) is the Alt code.
void WebBackend::take_input() {
    std::array<std::int32_t, 16> press{};
    for (;;) {
        const int length = page_next_input(press.data(), static_cast<int>(press.size()));
        if (length < 0) break;
        const auto now = static_cast<std::int64_t>(page_now_ms());
        for (int i = 0; i < length; ++i) {
            const std::int32_t code = press[static_cast<std::size_t>(i)];
            if (code < 0) {
                std::deque<int> codes;
                append_key_codes(static_cast<NamedKey>(-1 - code), codes);
                type_ahead_.take(codes);
            } else {
                decoder_.feed_char(static_cast<char32_t>(code), now);
            }
        }
        decoder_.end_burst(now);
        type_ahead_.take(decoder_.codes());
    }
}

void WebBackend::read_keys(std::deque<int>& keys, bool wait) {
    for (;;) {
        take_input();
        type_ahead_.move_to(keys);
        if (!keys.empty() || !wait) return;
        page_wait_input(1000);
        last_yield_us_ = page_now_us();
    }
}

void WebBackend::beep(unsigned frequency, unsigned duration_ms) {
    page_tone(frequency, duration_ms);
}

// The console's bell: a short tone, as a console without a sound card
// would give.
void WebBackend::bell() {
    page_tone(800, 100);
}

}  // namespace patrulha::platform
