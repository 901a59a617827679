// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Turns the console buffer into the bytes a terminal needs to show it, from
// the terminal's own control strings: only the cells that changed since the
// last present, the cheapest cursor motion between them, and a change of
// colours or attributes only where the next cell needs one. The colours in
// force, the cursor's place and what every cell shows are kept from one
// present to the next, so a present that changes three cells costs about
// three cells. Pure: it writes nothing itself, and tests drive it with any
// set of strings. Only the rows the console says were written since the
// last present are looked at: a present of an unchanged console costs a
// few comparisons.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/console_buffer.h"

namespace patrulha::platform {

constexpr int kConsoleCells = ConsoleBuffer::kWidth * ConsoleBuffer::kHeight;

// What a terminal's description says, as far as drawing is concerned, with
// every parameterised string already expanded for the values the console
// needs. An empty string is a capability the terminal does not have. The
// line feed of down1 must reach the terminal as it is (ONLCR off).
struct TerminalStrings {
    int colours = 0;                              // colors#, 0 without colour
    bool back_colour_erase = false;               // bce: erased cells take the current background
    bool auto_margins = true;                     // am
    bool eat_newline_glitch = true;               // xenl: the wrap waits for the next glyph
    bool move_in_attributes = true;               // msgr: moving with attributes on is safe
    std::string sgr0, bold, reverse, orig_pair;   // sgr0 bold rev op
    std::string enter_acs, exit_acs, enable_acs;  // smacs rmacs enacs
    std::string hide_cursor, show_cursor, strong_cursor;   // civis cnorm cvvis
    std::string enter_ca, exit_ca, keypad_on, keypad_off;  // smcup rmcup smkx rmkx
    std::string clear, bell, carriage_return, home;        // clear bel cr home
    std::string right1, left1, up1, down1;                 // cuf1 cub1 cuu1 cud1
    // Indexed by the count or position; entry 0 unused where a count.
    std::array<std::string, ConsoleBuffer::kWidth + 1> right, left, erase_chars;  // cuf cub ech
    std::array<std::string, ConsoleBuffer::kHeight + 1> up, down;                 // cuu cud
    std::array<std::string, ConsoleBuffer::kWidth> column;                        // hpa
    std::array<std::string, ConsoleBuffer::kHeight> row;                          // vpa
    std::vector<std::string> move_to;  // cup, kConsoleCells entries, row by row
    std::string cursor_address;        // cup unexpanded, for cells beyond the console
    std::array<std::string, 16> foreground,
        background;               // setaf/setab (or setf/setb), ANSI numbering
    std::array<char, 128> acs{};  // the line-drawing character of each acsc key, 0 when none
};

// How colours show.
enum class ColourMode {
    Full,   // 16 colours or more: every attribute as it is
    Eight,  // 8 colours: bright foregrounds by bold, bright backgrounds by their dark twin
    None,   // no colour: bright foregrounds bold, any background in reverse video
};

// How one console attribute shows on the terminal.
struct Look {
    int fg = -1;  // ANSI colour number, -1 for none
    int bg = -1;
    bool bold = false;
    bool reverse = false;
    friend bool operator==(const Look&, const Look&) = default;
};

ColourMode colour_mode_for(const TerminalStrings& strings);
Look look_of(std::uint16_t attribute, ColourMode mode);

class ScreenWriter {
public:
    // `utf8`: glyphs go out in UTF-8; otherwise as the narrow stand-ins,
    // through the line-drawing set where the terminal has the character.
    ScreenWriter(TerminalStrings strings, bool utf8);

    // The bytes that take the terminal from what it shows now to `console`,
    // the cursor left where the console has it, shown or hidden as it says.
    // The terminal must be at least as large as the console.
    std::string present(const ConsoleBuffer& console);

    // What the terminal shows is no longer known (it was just taken over,
    // resumed after a stop, written by someone else): the next present
    // clears it and draws every cell.
    void forget();

    // The terminal's size; the console shows at its top-left corner.
    void set_size(int rows, int columns) {
        rows_ = rows;
        columns_ = columns;
    }

    // Bytes that set the terminal's colours and attributes back to its
    // defaults, line-drawing set off. The writer knows they were sent.
    std::string plain();

    const TerminalStrings& strings() const { return strings_; }
    ColourMode colour_mode() const { return mode_; }

private:
    struct Pen {
        Look look;
        bool acs = false;
        bool known = false;
    };
    struct Glyph {
        std::string bytes;
        bool acs = false;
        bool blank = false;  // shows only its background
        int shape = 0;       // the first code sent the same way
    };
    // A way to move the cursor: a few strings, each repeated, or cells of
    // a row written again as they are; weighed before it is written.
    struct Way {
        struct Part {
            const std::string* text = nullptr;  // null: cells of row y, from..to-1
            int times = 0;
            int y = -1, from = -1, to = -1;
        };
        Part part[4];
        int parts = 0;
        std::size_t size = 0;  // its bytes
        void add(const std::string& text, int times);
        void add_cells(int y, int from, int to, std::size_t bytes);
        void add(const Way& other);
    };

    static void keep_shorter(Way& best, const Way& candidate);
    static Way one(const std::string& text, int times = 1);
    void append(std::string& out, const Way& way, const ConsoleBuffer& console) const;
    std::string pen_change(const Look& look, bool acs, bool background_only);
    Way motion(int x, int y, const ConsoleBuffer& console) const;
    // Appends the cheapest way to cell (x, y) to `out`.
    void move(std::string& out, int x, int y, const ConsoleBuffer& console);
    Way horizontal(int from, int x, int y, const ConsoleBuffer& console) const;
    Way vertical(int from, int y) const;
    std::string cursor_mode(int mode);
    bool same_look(const Cell& shown, const Cell& wanted) const;
    bool pen_suits(const Cell& cell) const;
    int blank_run(int x, int y, const ConsoleBuffer& console) const;
    void moved_after_glyph(int x, int y);

    TerminalStrings strings_;
    bool utf8_;
    ColourMode mode_;
    bool combined_sgr_ = false;  // setaf, setab, bold, rev and sgr0 are all plain SGR
    bool sgr0_ends_acs_ = false;
    std::array<Glyph, 256> glyphs_;
    std::array<Look, 256> looks_;

    std::array<Cell, kConsoleCells> front_{};
    std::array<bool, kConsoleCells> known_{};
    // What of the console was last presented; every row that changed since
    // may differ from `front_`, no other row does.
    ChangeTracker taken_;
    bool cleared_ = false;  // the next present starts with clear
    int cursor_x_ = -1;     // -1: unknown
    int cursor_y_ = -1;
    Pen pen_;
    int cursor_mode_ = -1;  // 0 hidden, 1 normal, 2 very visible; -1 unknown
    int rows_ = ConsoleBuffer::kHeight;
    int columns_ = ConsoleBuffer::kWidth;
};

}  // namespace patrulha::platform
