#include "platform/web/web_backend.h"

#include <emscripten.h>

#include <array>
#include <ctime>

namespace patrulha::platform {

// ==== The page's half (page.js) ====

// Hands the text to the terminal. A copy is taken: the terminal parses it
// later, when the memory may hold something else.
EM_JS(void, page_write, (const char* text, int length), {
    patrulhaPage.write(HEAPU8.slice(text, text + length));
});

// The oldest input event not taken yet, as code points into `out`: their
// number, or -1 when none waits. An event longer than `capacity` (a large
// paste) is cut.
EM_JS(int, page_next_input, (std::uint32_t* out, int capacity), {
    const text = patrulhaPage.nextInput();
    if (text === undefined) return -1;
    let n = 0;
    for (const c of text) {
        if (n == capacity) break;
        HEAPU32[(out >> 2) + n] = c.codePointAt(0);
        ++n;
    }
    return n;
});

// Returns when an input event arrives or `timeout_ms` has passed.
EM_ASYNC_JS(void, page_wait_input, (int timeout_ms), {
    await patrulhaPage.waitInput(timeout_ms);
});

EM_JS(void, page_tone, (unsigned frequency, unsigned duration_ms), {
    patrulhaPage.tone(frequency, duration_ms);
});

// ==== The backend ====

namespace {

// Longest the game may run without handing control back to the browser:
// longer, and the page would stop drawing and taking keys.
constexpr std::int64_t kLongestRunUs = 40'000;

std::int64_t page_now_us() { return static_cast<std::int64_t>(emscripten_get_now() * 1000.0); }

std::int64_t page_now_ms() { return page_now_us() / 1000; }

}  // namespace

WebBackend::WebBackend() : last_yield_us_(page_now_us()) {}

void WebBackend::yield_to_browser(int ms) {
    emscripten_sleep(static_cast<unsigned>(ms));
    last_yield_us_ = page_now_us();
}

void WebBackend::present(const ConsoleBuffer& console) {
    output_.clear();
    writer_.update(console, output_);
    if (!output_.empty()) page_write(output_.data(), static_cast<int>(output_.size()));
    take_input();
    if (page_now_us() - last_yield_us_ > kLongestRunUs) yield_to_browser(0);
}

std::int64_t WebBackend::now_us() { return page_now_us(); }

void WebBackend::sleep_us(std::int64_t us) {
    // Under a millisecond the page's timers cannot wait; the pacing clock
    // carries the rest to the next pacing point.
    if (us < 1000) return;
    yield_to_browser(static_cast<int>(us / 1000));
}

std::time_t WebBackend::wall_time() { return std::time(nullptr); }

// Each input event of the terminal is what one key press sent: one burst
// for the decoder, so that a lone Esc is a key at once.
void WebBackend::take_input() {
    std::array<std::uint32_t, 256> text{};
    for (;;) {
        const int length = page_next_input(text.data(), static_cast<int>(text.size()));
        if (length < 0) break;
        const std::int64_t now = page_now_ms();
        for (int i = 0; i < length; ++i)
            decoder_.feed_char(static_cast<char32_t>(text[static_cast<std::size_t>(i)]), now);
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
void WebBackend::bell() { page_tone(800, 100); }

}  // namespace patrulha::platform
