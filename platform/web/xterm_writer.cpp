#include "platform/web/xterm_writer.h"

#include "platform/cp850.h"

namespace patrulha::platform {

void XtermWriter::forget() {
    everything_ = true;
    attribute_ = -1;
    cursor_ = {-1, -1};
    cursor_shape_ = -1;
    cursor_visible_ = -1;
}

void XtermWriter::move_to(Point p, std::string& out) {
    if (cursor_ == p) return;
    out += "\x1b[" + std::to_string(p.y + 1) + ';' + std::to_string(p.x + 1) + 'H';
    cursor_ = p;
}

void XtermWriter::set_colours(std::uint16_t attribute, std::string& out) {
    const int fg = attribute & 15, bg = (attribute >> 4) & 15;
    if (attribute_ == (fg | bg << 4)) return;
    // 30-37 and 40-47 the dark colours, 90-97 and 100-107 the bright ones:
    // the page's palette gives each the console's own colour.
    const int fg_code = (fg & 8 ? 90 : 30) + ansi_colour(fg & 7);
    const int bg_code = (bg & 8 ? 100 : 40) + ansi_colour(bg & 7);
    out += "\x1b[" + std::to_string(fg_code) + ';' + std::to_string(bg_code) + 'm';
    attribute_ = fg | bg << 4;
}

void XtermWriter::update(const ConsoleBuffer& console, std::string& out) {
    for (int y = 0; y < ConsoleBuffer::kHeight; ++y) {
        for (int x = 0; x < ConsoleBuffer::kWidth; ++x) {
            const Cell& cell = console.at({x, y});
            Cell& shown = shown_[static_cast<std::size_t>(y * ConsoleBuffer::kWidth + x)];
            if (!everything_ && shown == cell) continue;
            move_to({x, y}, out);
            set_colours(cell.attribute, out);
            append_utf8(out, cp850_to_unicode(cell.code));
            shown = cell;
            // In the last column the terminal holds the wrap pending: where
            // its cursor stands then is best not relied on.
            cursor_ = x + 1 < ConsoleBuffer::kWidth ? Point{x + 1, y} : Point{-1, -1};
        }
    }
    everything_ = false;

    const int visible = console.cursor_visible() ? 1 : 0;
    if (visible) {
        move_to(console.cursor(), out);
        // A tall console cursor as a block, a short one as an underline.
        const int shape = console.cursor_size() >= 50 ? 2 : 4;
        if (shape != cursor_shape_) {
            out += "\x1b[" + std::to_string(shape) + " q";
            cursor_shape_ = shape;
        }
    }
    if (visible != cursor_visible_) {
        out += visible ? "\x1b[?25h" : "\x1b[?25l";
        cursor_visible_ = visible;
    }
}

}  // namespace patrulha::platform
