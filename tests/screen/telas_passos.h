// A backend that watches a screen being drawn: at every pause it notes the
// cells written since the pause before, so a test can follow the order in
// which a screen is drawn and the colour of each step.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/backend.h"
#include "platform/runtime.h"

namespace patrulha::testing {

struct CelulaEscrita {
    int x, y;  // screen position, 1-based
    int code;
    int attribute;
};

// The cells that changed before one pause, and that pause's length.
struct Passo {
    std::vector<CelulaEscrita> celulas;
    unsigned long ms;
};

class PassosBackend final : public platform::Backend {
public:
    PassosBackend() { platform::Runtime::instance().attach(*this); }
    ~PassosBackend() override { platform::Runtime::instance().detach(); }

    const std::vector<Passo>& passos() const { return passos_; }

    void sleep_requested(unsigned long ms) override {
        const platform::ConsoleBuffer& console = platform::Runtime::instance().console();
        Passo passo{{}, ms};
        for (int y = 0; y < platform::ConsoleBuffer::kHeight; ++y)
            for (int x = 0; x < platform::ConsoleBuffer::kWidth; ++x) {
                const platform::Cell& now = console.at({x, y});
                if (!(now == antes_.at({x, y})))
                    passo.celulas.push_back({x + 1, y + 1, now.code, now.attribute});
            }
        antes_ = console;
        passos_.push_back(passo);
    }

    void present(const platform::ConsoleBuffer&) override {}
    std::int64_t now_us() override { return now_us_; }
    void sleep_us(std::int64_t us) override { now_us_ += us; }
    void read_keys(std::deque<int>&, bool) override {}
    void beep(unsigned, unsigned) override {}
    void bell() override {}
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override {}
    std::time_t wall_time() override { return 0; }

private:
    platform::ConsoleBuffer antes_;
    std::vector<Passo> passos_;
    std::int64_t now_us_ = 0;
};

}  // namespace patrulha::testing
