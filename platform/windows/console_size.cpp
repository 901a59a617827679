// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/windows/console_size.h"

#include "platform/console_buffer.h"

namespace patrulha::platform {

SizeStep size_step(WindowSize window, ConsoleHost host, bool resize_tried) {
    if (window.columns >= ConsoleBuffer::kWidth && window.rows >= ConsoleBuffer::kHeight)
        return SizeStep::play;
    // Asked once only: a host that said yes and did not grow the window, or
    // a screen too small for 42 rows, would otherwise be asked forever.
    if (host == ConsoleHost::classic_window && !resize_tried) return SizeStep::resize;
    return SizeStep::notice;
}

}  // namespace patrulha::platform
