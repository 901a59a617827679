// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A small ANSI terminal, the one the tests read screens with: fed what a
// program sends (or what tmux captures with its colours), it keeps every
// cell's glyph and look and the cursor. Strict, it also notes everything a
// plain ANSI terminal would not take, so that a writer's output can be held
// to what the terminal descriptions promise.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/colours.h"

namespace patrulha::testing {

// One cell as the terminal shows it: the character as UTF-8, the colours
// as the terminal numbers them (0 to 255, kDefaultColour, or 1000 for a
// direct colour), and the attributes.
struct ShownCell {
    std::string glyph = " ";
    int fg = kDefaultColour;
    int bg = kDefaultColour;
    bool bold = false;
    bool reverse = false;
    bool acs = false;  // drawn from the line-drawing set
};

class AnsiScreen {
public:
    struct Options {
        // Erasing fills with the background in force, not the default.
        bool back_colour_erase = false;
        // Without it, moving the cursor with bold or reverse video on is a
        // fault, as on terminals without msgr.
        bool moves_in_attributes = true;
        // Whether what a plain ANSI terminal would not take is a fault.
        bool strict = true;
    };

    AnsiScreen(int columns, int rows, Options options)
        : columns_(columns),
          rows_(rows),
          options_(options),
          cells_(static_cast<std::size_t>(columns * rows)) {}
    AnsiScreen(int columns, int rows) : AnsiScreen(columns, rows, Options{}) {}

    void feed(std::string_view bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if (c == '\r' || c == '\n' || c == '\b') check_move();
            if (c == 0x1B) {
                i = escape(bytes, i);
            } else if (c == '\r') {
                x_ = 0;
                pending_wrap_ = false;
            } else if (c == '\n') {
                y_ = std::min(y_ + 1, rows_ - 1);
                pending_wrap_ = false;
            } else if (c == '\b') {
                x_ = std::max(x_ - 1, 0);
                pending_wrap_ = false;
            } else if (c == 0x0E) {
                shifted_ = true;
            } else if (c == 0x0F) {
                shifted_ = false;
            } else if (c == 7) {  // the bell: nothing to show
            } else if (c >= 0x20) {
                const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                glyph(std::string(bytes.substr(i, length)));
                i += length - 1;
            } else {
                fault("control byte " + std::to_string(c));
            }
        }
    }

    // The cell at (x, y), 0-based.
    const ShownCell& at(int x, int y) const {
        return cells_[static_cast<std::size_t>(y * columns_ + x)];
    }
    int cursor_x() const { return x_; }
    int cursor_y() const { return y_; }
    bool cursor_shown() const { return cursor_shown_; }
    // What a strict screen was sent that it would not take, one line each;
    // empty when all was well.
    const std::string& faults() const { return faults_; }

private:
    void fault(const std::string& what) {
        if (options_.strict) faults_ += what + "\n";
    }

    void check_move() {
        if (!options_.moves_in_attributes && (pen_.bold || pen_.reverse))
            fault("moved with attributes on");
    }

    void glyph(std::string g) {
        if (pending_wrap_) {
            x_ = 0;
            y_ = std::min(y_ + 1, rows_ - 1);
            pending_wrap_ = false;
        }
        ShownCell& cell = cells_[static_cast<std::size_t>(y_ * columns_ + x_)];
        cell = pen_;
        cell.glyph = std::move(g);
        cell.acs = shifted_ ? g1_graphics_ : g0_graphics_;
        if (x_ == columns_ - 1)
            pending_wrap_ = true;
        else
            ++x_;
    }

    void erase(int from, int count) {
        for (int k = 0; k < count && from + k < columns_ * rows_; ++k) {
            ShownCell& cell = cells_[static_cast<std::size_t>(from + k)];
            cell = ShownCell{};
            if (options_.back_colour_erase) cell.bg = pen_.bg;
        }
    }

    void sgr(const std::vector<int>& p) {
        for (std::size_t k = 0; k < p.size(); ++k) {
            const int n = p[k];
            if (n == 0) {
                pen_ = ShownCell{};
            } else if (n == 1 || n == 22) {
                pen_.bold = n == 1;
            } else if (n == 7 || n == 27) {
                pen_.reverse = n == 7;
            } else if (n >= 30 && n <= 49 && n % 10 != 8) {  // 30-37, 39, 40-47, 49
                (n < 40 ? pen_.fg : pen_.bg) = n % 10 == 9 ? kDefaultColour : n % 10;
            } else if ((n >= 90 && n <= 97) || (n >= 100 && n <= 107)) {
                (n < 100 ? pen_.fg : pen_.bg) = n % 10 + 8;
            } else if ((n == 38 || n == 48) && k + 2 < p.size() && p[k + 1] == 5) {
                (n == 38 ? pen_.fg : pen_.bg) = p[k + 2];
                k += 2;
            } else if ((n == 38 || n == 48) && k + 4 < p.size() && p[k + 1] == 2) {
                (n == 38 ? pen_.fg : pen_.bg) = 1000;  // a direct colour: no palette entry
                k += 4;
            } else if (n != 10) {  // 10: the primary font
                fault("SGR " + std::to_string(n));
            }
        }
    }

    // The escape sequence at `i`; the index of its last byte.
    std::size_t escape(std::string_view b, std::size_t i) {
        if (i + 1 >= b.size()) {
            fault("a lone Esc at the end");
            return i;
        }
        const char kind = b[i + 1];
        if (kind == '(' || kind == ')') {
            const bool graphics = i + 2 < b.size() && b[i + 2] == '0';
            (kind == '(' ? g0_graphics_ : g1_graphics_) = graphics;
            return i + 2;
        }
        if (kind == '=' || kind == '>') return i + 1;
        if (kind == 'M') {  // reverse index
            y_ = std::max(y_ - 1, 0);
            pending_wrap_ = false;
            return i + 1;
        }
        if (kind != '[') {
            fault(std::string("Esc ") + kind);
            return i + 1;
        }
        std::size_t j = i + 2;
        const bool private_mode = j < b.size() && b[j] == '?';
        if (private_mode) ++j;
        std::vector<int> p;
        int value = -1;
        for (; j < b.size(); ++j) {
            const char c = b[j];
            if (c >= '0' && c <= '9') {
                value = (value < 0 ? 0 : value * 10) + (c - '0');
            } else if (c == ';') {
                p.push_back(value < 0 ? 0 : value);
                value = -1;
            } else {
                break;
            }
        }
        p.push_back(value < 0 ? 0 : value);
        if (j >= b.size()) {
            fault("an unfinished control sequence");
            return b.size() - 1;
        }
        const char final = b[j];
        const int n = std::max(p[0], 1);
        if (std::string_view("HABCDGd").find(final) != std::string_view::npos) check_move();
        if (private_mode) {
            if (p[0] == 25) cursor_shown_ = final == 'h';
            return j;
        }
        switch (final) {
            case 'H':
                y_ = std::clamp(n - 1, 0, rows_ - 1);
                x_ = std::clamp((p.size() > 1 ? std::max(p[1], 1) : 1) - 1, 0, columns_ - 1);
                break;
            case 'A': y_ = std::max(y_ - n, 0); break;
            case 'B': y_ = std::min(y_ + n, rows_ - 1); break;
            case 'C': x_ = std::min(x_ + n, columns_ - 1); break;
            case 'D': x_ = std::max(x_ - n, 0); break;
            case 'G': x_ = std::clamp(n - 1, 0, columns_ - 1); break;
            case 'd': y_ = std::clamp(n - 1, 0, rows_ - 1); break;
            case 'X': erase(y_ * columns_ + x_, std::min(n, columns_ - x_)); break;
            case 'J':
                if (p[0] == 2) erase(0, columns_ * rows_);
                if (p[0] == 0) erase(y_ * columns_ + x_, columns_ * rows_);
                break;
            case 'm': sgr(p); break;
            case 'h':
            case 'l':
            case 't':         // modes and window operations
            case 'n': break;  // a status question
            default: fault(std::string("CSI final ") + final);
        }
        pending_wrap_ = false;
        return j;
    }

    int columns_, rows_;
    Options options_;
    std::vector<ShownCell> cells_;
    int x_ = 0, y_ = 0;
    bool pending_wrap_ = false;
    ShownCell pen_;
    bool shifted_ = false, g0_graphics_ = false, g1_graphics_ = false;
    bool cursor_shown_ = true;
    std::string faults_;
};

}  // namespace patrulha::testing
