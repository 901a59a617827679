// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/terminal/screen_writer.h"

#include <utility>

#include "platform/cp850.h"
#include "platform/terminal/narrow_glyphs.h"

namespace patrulha::platform {

namespace {

constexpr int kWidth = ConsoleBuffer::kWidth;
constexpr int kHeight = ConsoleBuffer::kHeight;

// The parameters of a string that is one plain SGR sequence (Esc [ digits
// and semicolons m), or false.
bool sgr_parameters(const std::string& s, std::string& parameters) {
    if (s.size() < 3 || s[0] != '\033' || s[1] != '[' || s.back() != 'm') return false;
    parameters = s.substr(2, s.size() - 3);
    for (const char c : parameters)
        if (!((c >= '0' && c <= '9') || c == ';')) return false;
    return true;
}

}  // namespace

ColourMode colour_mode_for(const TerminalStrings& strings) {
    const auto has_all = [&](int n) {
        for (int i = 0; i < n; ++i)
            if (strings.foreground[static_cast<std::size_t>(i)].empty() ||
                strings.background[static_cast<std::size_t>(i)].empty())
                return false;
        return true;
    };
    if (strings.colours >= 16 && has_all(16)) return ColourMode::Full;
    if (strings.colours >= 8 && has_all(8)) return ColourMode::Eight;
    return ColourMode::None;
}

Look look_of(std::uint16_t attribute, ColourMode mode) {
    const int fg = attribute & 15, bg = (attribute >> 4) & 15;
    Look look;
    switch (mode) {
        case ColourMode::Full:
            look.fg = ansi_colour(fg);
            look.bg = ansi_colour(bg);
            break;
        case ColourMode::Eight:
            look.fg = ansi_colour(fg & 7);
            look.bold = (fg & 8) != 0;
            look.bg = ansi_colour(bg & 7);
            break;
        case ColourMode::None:
            look.bold = (fg & 8) != 0;
            look.reverse = bg != 0;
            break;
    }
    return look;
}

ScreenWriter::ScreenWriter(TerminalStrings strings, bool utf8_glyphs)
    : strings_(std::move(strings)), utf8_(utf8_glyphs), mode_(colour_mode_for(strings_)) {
    for (int code = 0; code < 256; ++code) {
        Glyph& glyph = glyphs_[static_cast<std::size_t>(code)];
        const auto c = static_cast<std::uint8_t>(code);
        if (utf8_) {
            append_utf8(glyph.bytes, cp850_to_unicode(c));
        } else {
            // Without UTF-8 only ASCII reaches the terminal intact; the line
            // drawing set, where the terminal has the character, looks closer.
            const NarrowGlyph narrow = narrow_glyph(c);
            const auto key = static_cast<unsigned char>(narrow.line_drawing);
            if (key != 0 && key < 128 && strings_.acs[key] != 0 && !strings_.enter_acs.empty()) {
                glyph.bytes = std::string(1, strings_.acs[key]);
                glyph.acs = true;
            } else {
                glyph.bytes = std::string(1, narrow.ascii);
            }
        }
        glyph.blank = glyph.bytes == " " || glyph.bytes == "\u00A0";
        glyph.shape = code;
        for (int other = 0; other < code; ++other) {
            const Glyph& g = glyphs_[static_cast<std::size_t>(other)];
            if (g.bytes == glyph.bytes && g.acs == glyph.acs) {
                glyph.shape = g.shape;
                break;
            }
        }
        looks_[static_cast<std::size_t>(code)] = look_of(static_cast<std::uint16_t>(code), mode_);
    }

    // One SGR sequence for several changes where every string involved is
    // a plain SGR: "Esc[0;1;33;44m" instead of four.
    std::string sgr0 = strings_.sgr0, p;
    if (!strings_.exit_acs.empty()) {
        const auto at = sgr0.find(strings_.exit_acs);
        if (at != std::string::npos) {
            sgr0_ends_acs_ = true;
            sgr0.erase(at, strings_.exit_acs.size());
        }
    }
    combined_sgr_ = sgr_parameters(sgr0, p) && (p.empty() || p == "0");
    if (mode_ == ColourMode::None || mode_ == ColourMode::Eight)
        combined_sgr_ = combined_sgr_ && sgr_parameters(strings_.bold, p);
    if (mode_ == ColourMode::None)
        combined_sgr_ = combined_sgr_ && sgr_parameters(strings_.reverse, p);
    const int colours = mode_ == ColourMode::Full ? 16 : mode_ == ColourMode::Eight ? 8 : 0;
    for (int i = 0; i < colours; ++i)
        combined_sgr_ = combined_sgr_ &&
                        sgr_parameters(strings_.foreground[static_cast<std::size_t>(i)], p) &&
                        sgr_parameters(strings_.background[static_cast<std::size_t>(i)], p);
    forget();
}

void ScreenWriter::forget() {
    cleared_ = true;
    known_.fill(false);
    taken_.forget();
    cursor_x_ = cursor_y_ = -1;
    pen_.known = false;
    cursor_mode_ = -1;
}

bool ScreenWriter::same_look(const Cell& shown, const Cell& wanted) const {
    const Glyph& a = glyphs_[shown.code];
    const Glyph& b = glyphs_[wanted.code];
    if (a.shape != b.shape) return false;
    const Look& la = looks_[shown.attribute & 0xFF];
    const Look& lb = looks_[wanted.attribute & 0xFF];
    // A blank shows only its background (or, without colour, whether it
    // is in reverse video).
    if (glyphs_[wanted.code].blank) return la.bg == lb.bg && la.reverse == lb.reverse;
    return la == lb;
}

bool ScreenWriter::pen_suits(const Cell& cell) const {
    if (!pen_.known) return false;
    const Look& look = looks_[cell.attribute & 0xFF];
    if (glyphs_[cell.code].blank)
        return look.bg == pen_.look.bg && look.reverse == pen_.look.reverse;
    return glyphs_[cell.code].acs == pen_.acs && look == pen_.look;
}

std::string ScreenWriter::pen_change(const Look& wanted_look, bool acs, bool background_only) {
    std::string out;
    if (!pen_.known) {
        out += strings_.sgr0;
        if (!utf8_) out += strings_.exit_acs;
        pen_ = Pen{Look{}, false, true};
    }
    Look want = wanted_look;
    if (background_only) {
        // The foreground and boldness of a blank do not show: keep what is on.
        want.fg = pen_.look.fg;
        want.bold = pen_.look.bold;
        acs = pen_.acs;
    }
    const Look& have = pen_.look;
    const bool turn_off = (have.bold && !want.bold) || (have.reverse && !want.reverse);
    if (combined_sgr_) {
        std::string parameters;
        auto add = [&](const std::string& s) {
            std::string p;
            sgr_parameters(s, p);
            if (!parameters.empty()) parameters += ';';
            parameters += p;
        };
        const Look from = turn_off ? Look{} : have;
        if (turn_off) parameters = "0";
        if (want.bold && !from.bold) add(strings_.bold);
        if (want.reverse && !from.reverse) add(strings_.reverse);
        if (want.fg >= 0 && want.fg != from.fg)
            add(strings_.foreground[static_cast<std::size_t>(want.fg)]);
        if (want.bg >= 0 && want.bg != from.bg)
            add(strings_.background[static_cast<std::size_t>(want.bg)]);
        if (turn_off || parameters != "") out += "\033[" + parameters + "m";
        pen_.look = want;
    } else {
        Look from = have;
        if (turn_off) {
            out += strings_.sgr0;
            from = Look{};
            if (sgr0_ends_acs_) pen_.acs = false;
        }
        if (want.bold && !from.bold) out += strings_.bold;
        if (want.reverse && !from.reverse) out += strings_.reverse;
        if (want.fg >= 0 && want.fg != from.fg)
            out += strings_.foreground[static_cast<std::size_t>(want.fg)];
        if (want.bg >= 0 && want.bg != from.bg)
            out += strings_.background[static_cast<std::size_t>(want.bg)];
        pen_.look = want;
    }
    if (acs != pen_.acs) {
        out += acs ? strings_.enter_acs : strings_.exit_acs;
        pen_.acs = acs;
    }
    return out;
}

// ==== Cursor moves ====
// Every way to the next cell is weighed by its length before any byte of it
// is copied: a present weighs several for each cell it draws.

void ScreenWriter::Way::add(const std::string& text, int times) {
    part[parts++] = {&text, times};
    size += text.size() * static_cast<std::size_t>(times);
}

void ScreenWriter::Way::add_cells(int y, int from, int to, std::size_t bytes) {
    part[parts++] = {nullptr, 0, y, from, to};
    size += bytes;
}

void ScreenWriter::Way::add(const Way& other) {
    for (int i = 0; i < other.parts; ++i) part[parts++] = other.part[i];
    size += other.size;
}

// Keeps the shorter of two ways; an empty candidate is no way at all.
void ScreenWriter::keep_shorter(Way& best, const Way& candidate) {
    if (candidate.size != 0 && (best.size == 0 || candidate.size < best.size)) best = candidate;
}

// `text` repeated `times` times, or no way at all when `text` is empty.
ScreenWriter::Way ScreenWriter::one(const std::string& text, int times) {
    Way way;
    way.add(text, times);
    return way;
}

void ScreenWriter::append(std::string& out, const Way& way, const ConsoleBuffer& console) const {
    for (int i = 0; i < way.parts; ++i) {
        const Way::Part& p = way.part[i];
        if (p.text) {
            for (int k = 0; k < p.times; ++k) out += *p.text;
        } else {
            for (int gx = p.from; gx < p.to; ++gx) out += glyphs_[console.at({gx, p.y}).code].bytes;
        }
    }
}

ScreenWriter::Way ScreenWriter::vertical(int from, int y) const {
    if (from == y) return {};
    Way best = one(strings_.row[static_cast<std::size_t>(y)]);
    const int n = y > from ? y - from : from - y;
    if (y > from) {
        keep_shorter(best, one(strings_.down[static_cast<std::size_t>(n)]));
        if (n <= 4) keep_shorter(best, one(strings_.down1, n));
    } else {
        keep_shorter(best, one(strings_.up[static_cast<std::size_t>(n)]));
        if (n <= 4) keep_shorter(best, one(strings_.up1, n));
    }
    return best;
}

ScreenWriter::Way ScreenWriter::horizontal(int from, int x, int y,
                                           const ConsoleBuffer& console) const {
    if (from == x) return {};
    Way best = one(strings_.column[static_cast<std::size_t>(x)]);
    if (x == 0) keep_shorter(best, one(strings_.carriage_return));
    if (from >= 0 && x > from) {
        const int n = x - from;
        keep_shorter(best, one(strings_.right[static_cast<std::size_t>(n)]));
        if (n <= 4) keep_shorter(best, one(strings_.right1, n));
        // Writing the cells in between again, as they are, when the colours
        // in force already suit them.
        std::size_t over = 0;
        for (int gx = from; gx < x; ++gx) {
            const auto i = static_cast<std::size_t>(y * kWidth + gx);
            const Cell& cell = console.at({gx, y});
            if (!known_[i] || !same_look(front_[i], cell) || !pen_suits(cell) ||
                (best.size != 0 && over >= best.size)) {
                over = 0;
                break;
            }
            over += glyphs_[cell.code].bytes.size();
        }
        if (over != 0) {
            Way again;
            again.add_cells(y, from, x, over);
            keep_shorter(best, again);
        }
    } else if (from >= 0 && x < from) {
        const int n = from - x;
        keep_shorter(best, one(strings_.left[static_cast<std::size_t>(n)]));
        if (n <= 4) keep_shorter(best, one(strings_.left1, n));
    }
    if (x > 0 && !strings_.carriage_return.empty()) {
        Way from_start = one(strings_.right[static_cast<std::size_t>(x)]);
        if (x <= 4) keep_shorter(from_start, one(strings_.right1, x));
        if (from_start.size != 0) {
            Way back = one(strings_.carriage_return);
            back.add(from_start);
            keep_shorter(best, back);
        }
    }
    return best;
}

ScreenWriter::Way ScreenWriter::motion(int x, int y, const ConsoleBuffer& console) const {
    if (cursor_x_ == x && cursor_y_ == y) return {};
    Way best = one(strings_.move_to[static_cast<std::size_t>(y * kWidth + x)]);
    if (x == 0 && y == 0) keep_shorter(best, one(strings_.home));
    if (cursor_y_ < 0) return best;
    const Way down = vertical(cursor_y_, y);
    if (cursor_y_ == y || down.size != 0) {
        if (cursor_x_ == x) {
            keep_shorter(best, down);
        } else {
            const Way across = horizontal(cursor_x_, x, y, console);
            if (across.size != 0) {
                Way both = down;
                both.add(across);
                keep_shorter(best, both);
            }
        }
    }
    return best;
}

void ScreenWriter::move(std::string& out, int x, int y, const ConsoleBuffer& console) {
    const Way way = motion(x, y, console);
    if (way.size != 0 && !strings_.move_in_attributes && pen_.known &&
        (pen_.look.bold || pen_.look.reverse)) {
        // A terminal that cannot move safely with attributes on has them
        // off first.
        out += strings_.sgr0;
        pen_.look = Look{};
        if (sgr0_ends_acs_) pen_.acs = false;
        append(out, motion(x, y, console), console);
        return;
    }
    append(out, way, console);
}

std::string ScreenWriter::cursor_mode(int mode) {
    if (mode == cursor_mode_) return {};
    std::string out;
    if (mode == 0) {
        out = strings_.hide_cursor;
    } else if (mode == 1) {
        out = strings_.show_cursor;
    } else {
        if (cursor_mode_ != 1) out = strings_.show_cursor;
        out += strings_.strong_cursor;
    }
    cursor_mode_ = mode;
    return out;
}

int ScreenWriter::blank_run(int x, int y, const ConsoleBuffer& console) const {
    const Cell& first = console.at({x, y});
    const int bg = looks_[first.attribute & 0xFF].bg;
    int run = 0, through_last_change = 0;
    while (x + run < kWidth) {
        const Cell& cell = console.at({x + run, y});
        if (!glyphs_[cell.code].blank || looks_[cell.attribute & 0xFF].bg != bg) break;
        const auto i = static_cast<std::size_t>(y * kWidth + x + run);
        ++run;
        if (!known_[i] || !same_look(front_[i], cell)) through_last_change = run;
    }
    return through_last_change;
}

void ScreenWriter::moved_after_glyph(int x, int y) {
    if (x + 1 < kWidth) {
        cursor_x_ = x + 1;
        cursor_y_ = y;
    } else if (strings_.auto_margins && !strings_.eat_newline_glitch) {
        cursor_x_ = cursor_y_ = -1;  // wrapped to somewhere on the next row
    } else {
        // The wrap is pending (or the terminal is wider): only moves to an
        // absolute column are safe from here.
        cursor_x_ = -1;
        cursor_y_ = y;
    }
}

std::string ScreenWriter::present(const ConsoleBuffer& console) {
    std::string out;
    const bool visible = console.cursor_visible();
    const int mode = visible ? (console.cursor_size() >= 50 ? 2 : 1) : 0;
    if (mode == 0) out += cursor_mode(0);  // hidden before anything is drawn

    if (cleared_) {
        cleared_ = false;
        const bool fills = rows_ == kHeight && columns_ == kWidth;
        const bool erase_in_colour = strings_.back_colour_erase && mode_ != ColourMode::None;
        // Cleared in the console's own default where the console fills the
        // terminal; around a console smaller than the window the terminal
        // keeps its own default.
        out +=
            pen_change(erase_in_colour && fills ? looks_[ConsoleBuffer::kDefaultAttribute] : Look{},
                       false, false);
        out += strings_.clear;
        cursor_x_ = cursor_y_ = 0;
        // With background-colour erase the cleared screen is blanks in the
        // console's own default; without, in the terminal's, unknown.
        if (erase_in_colour) {
            const std::string& row = strings_.erase_chars[kWidth];
            if (!fills && !row.empty()) {
                for (int y = 0; y < kHeight; ++y) {
                    append(out, motion(0, y, console), console);
                    out += pen_change(looks_[ConsoleBuffer::kDefaultAttribute], false, true);
                    out += row;
                    cursor_x_ = 0;
                    cursor_y_ = y;
                }
            }
            if (fills || !row.empty()) {
                front_.fill(Cell{' ', ConsoleBuffer::kDefaultAttribute});
                known_.fill(true);
            }
        }
    }

    const bool can_erase = strings_.back_colour_erase && mode_ != ColourMode::None;
    // After a present every cell of the console looks as `front_` says (but
    // the last one where writing it would scroll, which is never written):
    // a row not written since cannot differ, and is not looked at.
    const bool any_row = taken_.changed(console);
    if (any_row) out.reserve(1024);
    for (int y = 0; any_row && y < kHeight; ++y) {
        if (!taken_.row_changed(console, y)) continue;
        for (int x = 0; x < kWidth; ++x) {
            const auto i = static_cast<std::size_t>(y * kWidth + x);
            const Cell& cell = console.at({x, y});
            if (known_[i] && (front_[i] == cell || same_look(front_[i], cell))) continue;
            // Where writing the last cell would scroll the screen, it is left.
            if (x == kWidth - 1 && y == kHeight - 1 && strings_.auto_margins &&
                !strings_.eat_newline_glitch)
                continue;
            const Look& look = looks_[cell.attribute & 0xFF];
            const bool blank = glyphs_[cell.code].blank;

            if (blank && can_erase) {
                const int n = blank_run(x, y, console);
                const std::string& erase = strings_.erase_chars[static_cast<std::size_t>(n)];
                const std::string after =
                    x + n < kWidth ? strings_.right[static_cast<std::size_t>(n)] : std::string();
                if (n > 1 && !erase.empty() &&
                    erase.size() + after.size() < static_cast<std::size_t>(n)) {
                    move(out, x, y, console);
                    out += pen_change(look, pen_.acs, true);
                    out += erase;
                    cursor_x_ = x;
                    cursor_y_ = y;
                    for (int k = 0; k < n; ++k) {
                        front_[i + static_cast<std::size_t>(k)] = console.at({x + k, y});
                        known_[i + static_cast<std::size_t>(k)] = true;
                    }
                    x += n - 1;
                    continue;
                }
            }

            move(out, x, y, console);
            const Glyph& glyph = glyphs_[cell.code];
            out += pen_change(look, glyph.acs, blank);
            out += glyph.bytes;
            front_[i] = cell;
            known_[i] = true;
            moved_after_glyph(x, y);
        }
    }

    taken_.took(console);

    if (visible) {
        const Point at = console.cursor();
        move(out, at.x, at.y, console);
        cursor_x_ = at.x;
        cursor_y_ = at.y;
    }
    out += cursor_mode(mode);
    return out;
}

std::string ScreenWriter::plain() {
    std::string out = strings_.sgr0;
    if (!utf8_ && !sgr0_ends_acs_) out += strings_.exit_acs;
    out += strings_.orig_pair;
    pen_ = Pen{Look{}, false, true};
    return out;
}

}  // namespace patrulha::platform
