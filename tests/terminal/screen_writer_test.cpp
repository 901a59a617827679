// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The screen writer against a small terminal: what it sends for a long
// run of random screens, played into an emulator of the ANSI terminals in
// question, must leave every cell showing the console's glyph and colours,
// with every terminal's own description, in UTF-8 and narrow locales; and
// it must send nothing that is not needed.
#include "platform/terminal/screen_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/cp850.h"
#include "platform/terminal/narrow_glyphs.h"
#include "platform/terminal/terminal_backend.h"
#include "platform/terminal/terminfo.h"
#include "tests/support/ansi_screen.h"
#include "tests/support/colours.h"

namespace patrulha::testing {
namespace {

using platform::Cell;
using platform::ColourMode;
using platform::ConsoleBuffer;
using platform::ScreenWriter;
using platform::TerminalStrings;

constexpr int kWidth = ConsoleBuffer::kWidth;
constexpr int kHeight = ConsoleBuffer::kHeight;

// A terminal of 80 x 42 that understands what the descriptions send.
AnsiScreen terminal_for(const TerminalStrings& strings) {
    return AnsiScreen(kWidth, kHeight, {strings.back_colour_erase, strings.move_in_attributes});
}

// ==== What each cell should show ====

// Compares the emulated screen with the console; "" when they agree.
std::string difference(const AnsiScreen& screen, const ConsoleBuffer& console,
                       const TerminalStrings& strings, bool utf8) {
    if (!screen.faults().empty()) return "sent what the terminal does not take: " + screen.faults();
    const ColourMode mode = platform::colour_mode_for(strings);
    const int colours = mode == ColourMode::Full ? 16 : mode == ColourMode::Eight ? 8 : 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Cell& cell = console.at({x, y});
            const ShownCell& shown = screen.at(x, y);
            std::string glyph;
            platform::append_utf8(glyph, platform::cp850_to_unicode(cell.code));
            bool acs = false;
            if (!utf8) {
                const auto narrow = platform::narrow_glyph(cell.code);
                const auto key = static_cast<unsigned char>(narrow.line_drawing);
                if (key != 0 && strings.acs[key] != 0 && !strings.enter_acs.empty()) {
                    glyph = std::string(1, strings.acs[key]);
                    acs = true;
                } else {
                    glyph = std::string(1, narrow.ascii);
                }
            }
            const ExpectedLook want = expected_look(cell.attribute, colours);
            const bool blank = glyph == " " || glyph == "\u00A0";
            std::string why;
            if (shown.glyph != glyph)
                why = "glyph '" + shown.glyph + "' for '" + glyph + "'";
            else if (!blank && shown.acs != acs)
                why = "line-drawing set";
            else if (shown.bg != want.bg)
                why = "background " + std::to_string(shown.bg);
            else if (shown.reverse != want.reverse)
                why = "reverse video";
            else if (!blank && shown.fg != want.fg)
                why = "foreground " + std::to_string(shown.fg);
            else if (!blank && shown.bold != want.bold)
                why = "bold";
            if (!why.empty())
                return "cell " + std::to_string(x) + "," + std::to_string(y) + " (code " +
                       std::to_string(cell.code) + ", attribute " + std::to_string(cell.attribute) +
                       "): " + why;
        }
    return {};
}

// Changes a screen the way the game does: a few cells, now and then a run
// of blanks or a whole region, the cursor moved or hidden.
void change(ConsoleBuffer& console, std::mt19937& random) {
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const int kind = pick(10);
    if (kind == 0) {
        const std::uint16_t attribute = static_cast<std::uint16_t>(pick(256));
        const int y = pick(kHeight), x = pick(kWidth), n = 1 + pick(kWidth);
        for (int k = 0; k < n && x + k < kWidth; ++k) console.set({x + k, y}, Cell{' ', attribute});
    } else if (kind == 1) {
        const int top = pick(kHeight), left = pick(kWidth);
        for (int y = top; y < std::min(kHeight, top + 12); ++y)
            for (int x = left; x < std::min(kWidth, left + 30); ++x)
                console.set({x, y}, Cell{static_cast<std::uint8_t>(pick(256)),
                                         static_cast<std::uint16_t>(pick(256))});
    } else {
        for (int k = 1 + pick(6); k > 0; --k) {
            // Mostly a few attributes, as a game's screen has.
            const std::uint16_t attribute =
                pick(3) == 0 ? static_cast<std::uint16_t>(pick(256))
                             : static_cast<std::uint16_t>(std::array{7, 14, 12, 0x1F, 10}[pick(5)]);
            console.set({pick(kWidth), pick(kHeight)},
                        Cell{static_cast<std::uint8_t>(pick(256)), attribute});
        }
    }
    if (pick(4) == 0) console.set_cursor({pick(kWidth), pick(kHeight)});
    if (pick(8) == 0) console.set_cursor_info(pick(2) == 0 ? 25 : 100, pick(3) != 0);
}

struct WriterCase {
    const char* term;
    bool utf8;
    bool larger = false;   // a window larger than the console
    bool no_msgr = false;  // as if moving with attributes on were unsafe
};

TEST(ScreenWriter, EveryCellShowsTheConsoleAfterEveryPresentOnEveryTerminal) {
    for (const WriterCase& c :
         {WriterCase{"xterm-256color", true}, WriterCase{"tmux-256color", true},
          WriterCase{"screen-256color", true}, WriterCase{"linux", true}, WriterCase{"xterm", true},
          WriterCase{"vt100", true}, WriterCase{"xterm-256color", false},
          WriterCase{"tmux-256color", false}, WriterCase{"linux", false},
          WriterCase{"vt100", false}, WriterCase{"xterm-256color", true, true},
          WriterCase{"linux", true, true}, WriterCase{"xterm", true, false, true},
          WriterCase{"vt100", false, false, true}}) {
        SCOPED_TRACE(std::string(c.term) + (c.utf8 ? ", UTF-8" : ", narrow") +
                     (c.larger ? ", larger window" : "") + (c.no_msgr ? ", no msgr" : ""));
        TerminalStrings strings = platform::load_terminal_strings(c.term);
        ASSERT_FALSE(strings.move_to.empty()) << "no description";
        if (c.no_msgr) strings.move_in_attributes = false;
        ScreenWriter writer(strings, c.utf8);
        if (c.larger) writer.set_size(50, 100);
        AnsiScreen screen = terminal_for(strings);
        if (!c.utf8) screen.feed(strings.enable_acs);
        ConsoleBuffer console;
        std::mt19937 random(7);
        for (int present = 0; present < 400; ++present) {
            if (present == 150 || present == 300) writer.forget();  // a resume: all sent again
            if (present > 0) change(console, random);
            screen.feed(writer.present(console));
            const std::string wrong = difference(screen, console, strings, c.utf8);
            ASSERT_EQ(wrong, "") << "after present " << present;
            if (console.cursor_visible()) {
                ASSERT_EQ(screen.cursor_x(), console.cursor().x) << "after present " << present;
                ASSERT_EQ(screen.cursor_y(), console.cursor().y) << "after present " << present;
            }
            if (!strings.hide_cursor.empty()) {
                ASSERT_EQ(screen.cursor_shown(), console.cursor_visible())
                    << "after present " << present;
            }
        }
    }
}

TEST(ScreenWriter, AnUnknownDescriptionIsAnErrorNotAnEmptySetOfStrings) {
    EXPECT_THROW(platform::load_terminal_strings("no-such-terminal"), platform::TerminalError);
    const TerminalStrings strings = platform::load_terminal_strings("xterm-256color");
    // Anywhere in a window of any size, beyond the console's own cells.
    EXPECT_EQ(platform::cursor_to(strings.cursor_address, 29, 299), "\033[30;300H");
}

// The writer looks only at the rows written since its last present. Its
// twin is given a fresh copy of the console every time, which counts as
// wholly written, so it compares every cell: both must send the same bytes,
// whatever wrote the cells (single cells, fills, scrolls, text that wraps
// and scrolls the buffer), also around a forget and a present of another
// buffer.
TEST(ScreenWriter, LookingOnlyAtWrittenRowsSendsTheBytesOfAFullComparison) {
    for (const char* term : {"xterm-256color", "tmux-256color", "linux", "vt100"}) {
        SCOPED_TRACE(term);
        const TerminalStrings strings = platform::load_terminal_strings(term);
        ASSERT_FALSE(strings.move_to.empty()) << "no description";
        ScreenWriter writer(strings, true), twin(strings, true);
        ConsoleBuffer console, other;
        std::mt19937 random(11);
        auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        for (int present = 0; present < 400; ++present) {
            const int kind = pick(12);
            if (kind == 0) {
                console.fill_codes(static_cast<std::uint8_t>(pick(256)), pick(200),
                                   {pick(kWidth), pick(kHeight)});
            } else if (kind == 1) {
                console.fill_attributes(static_cast<std::uint16_t>(pick(256)), pick(200),
                                        {pick(kWidth), pick(kHeight)});
            } else if (kind == 2) {
                const int top = pick(kHeight), left = pick(kWidth);
                console.scroll({left, top, left + pick(20), top + pick(10)}, std::nullopt,
                               {pick(kWidth), pick(kHeight)}, Cell{' ', 0x17});
            } else if (kind == 3) {
                console.set_cursor({pick(kWidth), kHeight - 1});
                for (int k = pick(120); k > 0; --k)
                    console.put(static_cast<std::uint8_t>(32 + pick(90)));
            } else if (kind == 4) {
                // Nothing written: the present must cost nothing.
            } else {
                change(console, random);
            }
            if (present == 120) {
                writer.forget();
                twin.forget();
            }
            if (present == 250) {
                change(other, random);
                ASSERT_EQ(writer.present(other), twin.present(ConsoleBuffer(other)));
            }
            const std::string bytes = writer.present(console);
            ASSERT_EQ(bytes, twin.present(ConsoleBuffer(console))) << "present " << present;
            if (kind == 4 && present != 120 && present != 250) {
                ASSERT_EQ(bytes, "") << "present " << present;
            }
        }
    }
}

TEST(ScreenWriter, SendsOnlyWhatChangedAndKeepsTheColoursInForce) {
    const TerminalStrings strings = platform::load_terminal_strings("xterm-256color");
    ScreenWriter writer(strings, true);
    ConsoleBuffer console;
    console.set_cursor_info(25, false);
    writer.present(console);
    EXPECT_EQ(writer.present(console), "") << "nothing changed";

    // A yellow shot climbs: the first cell sets the colour and moves there,
    // the next moves and writes, in the colour already in force.
    console.set({10, 20}, Cell{'|', 14});
    EXPECT_EQ(writer.present(console), "\033[21;11H\033[93m|");
    console.set({10, 20}, Cell{' ', 7});
    console.set({10, 19}, Cell{'|', 14});
    // Up and back one cell, the shot, then the blank below with the
    // background that is already on.
    EXPECT_EQ(writer.present(console), "\033[A\b|\n\b ");
    // Fg and bg in one sequence where the description's strings are plain SGR.
    console.set({0, 0}, Cell{'A', 0x1C});
    EXPECT_EQ(writer.present(console), "\033[H\033[91;44mA");
}

TEST(ScreenWriter, EightColourTerminalsShowBrightForegroundsBoldAndEveryPairItsColours) {
    const TerminalStrings strings = platform::load_terminal_strings("xterm");
    ASSERT_EQ(platform::colour_mode_for(strings), ColourMode::Eight);
    ScreenWriter writer(strings, true);
    AnsiScreen screen = terminal_for(strings);
    ConsoleBuffer console;
    for (int attribute = 0; attribute < 256; ++attribute)
        console.set({attribute % 16 * 2, attribute / 16},
                    Cell{'X', static_cast<std::uint16_t>(attribute)});
    screen.feed(writer.present(console));
    EXPECT_EQ(difference(screen, console, strings, true), "");
    for (int attribute = 0; attribute < 256; ++attribute) {
        const auto& shown = screen.at(attribute % 16 * 2, attribute / 16);
        constexpr int kAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
        EXPECT_EQ(shown.fg, kAnsi[attribute & 7]) << attribute;
        EXPECT_EQ(shown.bg, kAnsi[(attribute >> 4) & 7]) << attribute;
        EXPECT_EQ(shown.bold, (attribute & 8) != 0) << attribute;
    }
}

TEST(TermUpgrade, ARichDescriptionOnlyWhereTheEnvironmentProvesIt) {
    struct Case {
        const char* term;
        const char* variable;  // set to "1", or nullptr
        std::vector<std::string> known;
        const char* expected;
    };
    const std::vector<std::string> both = {"xterm-256color", "xterm-16color"};
    for (const Case& c : std::vector<Case>{
             {"xterm", nullptr, both, "xterm"},
             {"xterm", "XTERM_VERSION", both, "xterm-256color"},
             {"xterm", "VTE_VERSION", both, "xterm-256color"},
             {"xterm", "COLORTERM", both, "xterm-256color"},
             {"xterm", "KITTY_WINDOW_ID", both, "xterm-256color"},
             {"xterm", "KONSOLE_VERSION", both, "xterm-256color"},
             {"xterm", "XTERM_VERSION", {"xterm-16color"}, "xterm-16color"},
             {"xterm", "XTERM_VERSION", {}, "xterm"},
             {"xterm-color", "COLORTERM", both, "xterm-256color"},
             {"xterm-256color", "COLORTERM", both, "xterm-256color"},
             {"screen", "COLORTERM", both, "screen"},
             {"linux", "XTERM_VERSION", both, "linux"},
             {"xterm", "TMUX", both, "xterm"},
             // GNU screen and mlterm prove themselves by variables of their own.
             {"screen", "STY", {"screen-256color"}, "screen-256color"},
             {"screen", "STY", {}, "screen"},
             {"screen", "MLTERM", {"screen-256color"}, "screen"},
             {"screen-256color", "STY", {"screen-256color"}, "screen-256color"},
             {"mlterm", "MLTERM", {"mlterm-256color"}, "mlterm-256color"},
             {"mlterm", "MLTERM", {}, "mlterm"},
             {"mlterm", "COLORTERM", {"mlterm-256color"}, "mlterm"},
             {"mlterm", "STY", {"mlterm-256color"}, "mlterm"},
         }) {
        const std::string variable = c.variable ? c.variable : "";
        const std::string got = platform::richer_term(
            c.term,
            [&](const char* name) -> const char* { return variable == name ? "1" : nullptr; },
            [&](const std::string& name) {
                return std::find(c.known.begin(), c.known.end(), name) != c.known.end();
            });
        EXPECT_EQ(got, c.expected) << c.term << " with " << variable;
    }
    // The names upgraded to are the database's own (mlterm's comes with the
    // fuller database only).
    for (const char* richer : {"xterm-256color", "screen-256color"})
        EXPECT_TRUE(platform::terminal_known(richer)) << richer;
    // An empty variable proves nothing.
    EXPECT_EQ(platform::richer_term(
                  "xterm", [](const char*) -> const char* { return ""; },
                  [](const std::string&) { return true; }),
              "xterm");
}

}  // namespace
}  // namespace patrulha::testing
