// The screen writer against a small terminal: what it sends for a long
// run of random screens, played into an emulator of the ANSI terminals in
// question, must leave every cell showing the console's glyph and colours,
// with every terminal's own description, in UTF-8 and narrow locales; and
// it must send nothing that is not needed.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/cp850.h"
#include "platform/terminal/narrow_glyphs.h"
#include "platform/terminal/screen_writer.h"
#include "platform/terminal/terminfo.h"

namespace patrulha::testing {
namespace {

using platform::Cell;
using platform::ColourMode;
using platform::ConsoleBuffer;
using platform::Look;
using platform::ScreenWriter;
using platform::TerminalStrings;

constexpr int kWidth = ConsoleBuffer::kWidth;
constexpr int kHeight = ConsoleBuffer::kHeight;

// ==== A terminal of 80 x 42 that understands what the descriptions send ====

struct EmulatedCell {
    std::string glyph = " ";
    Look look;  // fg and bg -1: the terminal's default
    bool acs = false;
};

class Emulator {
public:
    // Without `moves_in_attributes`, moving the cursor with bold or reverse
    // video on is a fault, as on terminals without msgr.
    explicit Emulator(bool back_colour_erase, bool moves_in_attributes = true)
        : bce_(back_colour_erase), msgr_(moves_in_attributes) {
        cells_.assign(kWidth * kHeight, EmulatedCell{});
    }

    void feed(const std::string& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if ((c == '\r' || c == '\n' || c == '\b') && !msgr_ && (pen_.bold || pen_.reverse))
                ADD_FAILURE() << "moved with attributes on";
            if (c == 0x1B) {
                i = escape(bytes, i);
            } else if (c == '\r') {
                x_ = 0;
                pending_wrap_ = false;
            } else if (c == '\n') {
                y_ = std::min(y_ + 1, kHeight - 1);
                pending_wrap_ = false;
            } else if (c == '\b') {
                x_ = std::max(x_ - 1, 0);
                pending_wrap_ = false;
            } else if (c == 0x0E) {
                shifted_ = true;
            } else if (c == 0x0F) {
                shifted_ = false;
            } else if (c == 7) {
                ++bells;
            } else if (c >= 0x20) {
                std::size_t length = 1;
                if (c >= 0xF0) length = 4;
                else if (c >= 0xE0) length = 3;
                else if (c >= 0xC0) length = 2;
                glyph(bytes.substr(i, length));
                i += length - 1;
            } else {
                ADD_FAILURE() << "control byte " << int(c) << " sent";
            }
        }
    }

    const EmulatedCell& at(int x, int y) const {
        return cells_[static_cast<std::size_t>(y * kWidth + x)];
    }
    int cursor_x() const { return x_; }
    int cursor_y() const { return y_; }
    bool cursor_shown = true;
    int bells = 0;

private:
    void glyph(const std::string& g) {
        if (pending_wrap_) {
            x_ = 0;
            y_ = std::min(y_ + 1, kHeight - 1);
            pending_wrap_ = false;
        }
        EmulatedCell& cell = cells_[static_cast<std::size_t>(y_ * kWidth + x_)];
        cell.glyph = g;
        cell.look = pen_;
        cell.acs = shifted_ ? g1_graphics_ : g0_graphics_;
        if (x_ == kWidth - 1)
            pending_wrap_ = true;
        else
            ++x_;
    }

    void erase(int from, int count) {
        for (int k = 0; k < count && from + k < kWidth * kHeight; ++k) {
            EmulatedCell& cell = cells_[static_cast<std::size_t>(from + k)];
            cell = EmulatedCell{};
            if (bce_) cell.look.bg = pen_.bg;
        }
    }

    void sgr(const std::vector<int>& p) {
        for (std::size_t k = 0; k < p.size(); ++k) {
            const int n = p[k];
            if (n == 0) pen_ = Look{};
            else if (n == 1) pen_.bold = true;
            else if (n == 7) pen_.reverse = true;
            else if (n == 22) pen_.bold = false;
            else if (n == 27) pen_.reverse = false;
            else if (n >= 30 && n <= 37) pen_.fg = n - 30;
            else if (n == 39) pen_.fg = -1;
            else if (n >= 40 && n <= 47) pen_.bg = n - 40;
            else if (n == 49) pen_.bg = -1;
            else if (n >= 90 && n <= 97) pen_.fg = n - 90 + 8;
            else if (n >= 100 && n <= 107) pen_.bg = n - 100 + 8;
            else if ((n == 38 || n == 48) && k + 2 < p.size() && p[k + 1] == 5) {
                (n == 38 ? pen_.fg : pen_.bg) = p[k + 2];
                k += 2;
            } else if (n == 10) {
            } else {
                ADD_FAILURE() << "SGR " << n;
            }
        }
    }

    std::size_t escape(const std::string& b, std::size_t i) {
        if (i + 1 >= b.size()) {
            ADD_FAILURE() << "a lone Esc at the end";
            return i;
        }
        const char kind = b[i + 1];
        if (kind == '(' || kind == ')') {
            const bool graphics = b[i + 2] == '0';
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
            ADD_FAILURE() << "Esc " << kind;
            return i + 1;
        }
        std::size_t j = i + 2;
        bool private_mode = false;
        if (j < b.size() && b[j] == '?') {
            private_mode = true;
            ++j;
        }
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
        const char final = b[j];
        const int n = std::max(p[0], 1);
        if (std::string("HABCDGd").find(final) != std::string::npos && !msgr_ &&
            (pen_.bold || pen_.reverse))
            ADD_FAILURE() << "moved with attributes on";
        if (private_mode) {
            if (p[0] == 25) cursor_shown = final == 'h';
            return j;
        }
        switch (final) {
        case 'H':
            y_ = std::clamp(std::max(p[0], 1) - 1, 0, kHeight - 1);
            x_ = std::clamp((p.size() > 1 ? std::max(p[1], 1) : 1) - 1, 0, kWidth - 1);
            break;
        case 'A': y_ = std::max(y_ - n, 0); break;
        case 'B': y_ = std::min(y_ + n, kHeight - 1); break;
        case 'C': x_ = std::min(x_ + n, kWidth - 1); break;
        case 'D': x_ = std::max(x_ - n, 0); break;
        case 'G': x_ = std::clamp(n - 1, 0, kWidth - 1); break;
        case 'd': y_ = std::clamp(n - 1, 0, kHeight - 1); break;
        case 'X': erase(y_ * kWidth + x_, std::min(n, kWidth - x_)); break;
        case 'J':
            if (p[0] == 2) erase(0, kWidth * kHeight);
            if (p[0] == 0) erase(y_ * kWidth + x_, kWidth * kHeight);
            break;
        case 'm': sgr(p); break;
        case 'h': case 'l': case 't': break;  // modes and window operations
        default: ADD_FAILURE() << "CSI final " << final;
        }
        pending_wrap_ = false;
        return j;
    }

    bool bce_;
    bool msgr_;
    std::vector<EmulatedCell> cells_;
    int x_ = 0, y_ = 0;
    bool pending_wrap_ = false;
    Look pen_;
    bool shifted_ = false, g0_graphics_ = false, g1_graphics_ = false;
};

// ==== What each cell should show ====

std::string utf8_of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Compares the emulated screen with the console; "" when they agree.
std::string difference(const Emulator& screen, const ConsoleBuffer& console,
                       const TerminalStrings& strings, bool utf8) {
    const ColourMode mode = platform::colour_mode_for(strings);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Cell& cell = console.at({x, y});
            const EmulatedCell& shown = screen.at(x, y);
            std::string glyph = utf8_of(platform::cp850_to_unicode(cell.code));
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
            const Look want = platform::look_of(cell.attribute, mode);
            const bool blank = glyph == " " || glyph == "\u00A0";
            std::string why;
            if (shown.glyph != glyph) why = "glyph '" + shown.glyph + "' for '" + glyph + "'";
            else if (!blank && shown.acs != acs) why = "line-drawing set";
            else if (shown.look.bg != want.bg) why = "background " + std::to_string(shown.look.bg);
            else if (shown.look.reverse != want.reverse) why = "reverse video";
            else if (!blank && shown.look.fg != want.fg) why = "foreground " + std::to_string(shown.look.fg);
            else if (!blank && shown.look.bold != want.bold) why = "bold";
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
    bool larger = false;  // a window larger than the console
    bool no_msgr = false;  // as if moving with attributes on were unsafe
};

TEST(ScreenWriter, EveryCellShowsTheConsoleAfterEveryPresentOnEveryTerminal) {
    for (const WriterCase& c : {WriterCase{"xterm-256color", true}, WriterCase{"tmux-256color", true},
                                WriterCase{"screen-256color", true}, WriterCase{"linux", true},
                                WriterCase{"xterm", true}, WriterCase{"vt100", true},
                                WriterCase{"xterm-256color", false}, WriterCase{"tmux-256color", false},
                                WriterCase{"linux", false}, WriterCase{"vt100", false},
                                WriterCase{"xterm-256color", true, true}, WriterCase{"linux", true, true},
                                WriterCase{"xterm", true, false, true}, WriterCase{"vt100", false, false, true}}) {
        SCOPED_TRACE(std::string(c.term) + (c.utf8 ? ", UTF-8" : ", narrow") +
                     (c.larger ? ", larger window" : "") + (c.no_msgr ? ", no msgr" : ""));
        TerminalStrings strings = platform::load_terminal_strings(c.term);
        ASSERT_FALSE(strings.move_to.empty()) << "no description";
        if (c.no_msgr) strings.move_in_attributes = false;
        ScreenWriter writer(strings, c.utf8);
        if (c.larger) writer.set_size(50, 100);
        Emulator screen(strings.back_colour_erase, strings.move_in_attributes);
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
                ASSERT_EQ(screen.cursor_shown, console.cursor_visible()) << "after present " << present;
            }
        }
    }
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
                for (int k = pick(120); k > 0; --k) console.put(static_cast<std::uint8_t>(32 + pick(90)));
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
    Emulator screen(strings.back_colour_erase);
    ConsoleBuffer console;
    for (int attribute = 0; attribute < 256; ++attribute)
        console.set({attribute % 16 * 2, attribute / 16},
                    Cell{'X', static_cast<std::uint16_t>(attribute)});
    screen.feed(writer.present(console));
    EXPECT_EQ(difference(screen, console, strings, true), "");
    for (int attribute = 0; attribute < 256; ++attribute) {
        const auto& shown = screen.at(attribute % 16 * 2, attribute / 16);
        constexpr int kAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
        EXPECT_EQ(shown.look.fg, kAnsi[attribute & 7]) << attribute;
        EXPECT_EQ(shown.look.bg, kAnsi[(attribute >> 4) & 7]) << attribute;
        EXPECT_EQ(shown.look.bold, (attribute & 8) != 0) << attribute;
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
    // An empty variable proves nothing.
    EXPECT_EQ(platform::richer_term(
                  "xterm", [](const char*) -> const char* { return ""; },
                  [](const std::string&) { return true; }),
              "xterm");
}

}  // namespace
}  // namespace patrulha::testing
