// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Watches a screen being drawn on the virtual backend: at every pause (a
// Sleep) it notes the cells written since the pause before, so a test can
// follow the order in which a screen is drawn and the colour of each step.
#pragma once

#include <vector>

#include "platform/virtual/virtual_backend.h"

namespace patrulha::testing {

struct WrittenCell {
    int x, y;  // screen position, 1-based
    int code;
    int attribute;
};

// The cells that changed before one pause, and that pause's length.
struct DrawingStep {
    std::vector<WrittenCell> cells;
    unsigned long ms;
};

class DrawingSteps {
public:
    // Watches `backend` from now on, through its present observer: a pause
    // is followed by a present, with nothing written in between.
    explicit DrawingSteps(platform::VirtualBackend& backend) : backend_(backend) {
        backend_.on_present([this] { presented(); });
    }
    ~DrawingSteps() { backend_.on_present({}); }
    DrawingSteps(const DrawingSteps&) = delete;
    DrawingSteps& operator=(const DrawingSteps&) = delete;

    const std::vector<DrawingStep>& steps() const { return steps_; }

private:
    void presented() {
        const auto& sleeps = backend_.sleeps();
        if (sleeps.size() == seen_) return;
        seen_ = sleeps.size();
        const platform::ConsoleBuffer& console = platform::Runtime::instance().console();
        DrawingStep step{{}, sleeps.back().ms};
        for (int y = 0; y < platform::ConsoleBuffer::kHeight; ++y)
            for (int x = 0; x < platform::ConsoleBuffer::kWidth; ++x) {
                const platform::Cell& now = console.at({x, y});
                if (!(now == before_.at({x, y})))
                    step.cells.push_back({x + 1, y + 1, now.code, now.attribute});
            }
        before_ = console;
        steps_.push_back(step);
    }

    platform::VirtualBackend& backend_;
    platform::ConsoleBuffer before_;
    std::vector<DrawingStep> steps_;
    std::size_t seen_ = 0;
};

}  // namespace patrulha::testing
