// What the page's terminal is sent: fed through a small ANSI terminal of
// 80 x 42 kept here, the text shows every cell as the console holds it, in
// its colours, with the cursor as the console has it; and what did not
// change is not sent again.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "platform/console_buffer.h"
#include "platform/cp850.h"
#include "platform/web/xterm_writer.h"

namespace patrulha::platform {
namespace {

// The part of a terminal that the writer uses: cursor addressing, the 16
// colours of SGR 30-37, 40-47, 90-97, 100-107, the cursor's visibility and
// shape, and UTF-8 text that advances the cursor.
class MiniTerminal {
public:
    struct Shown {
        char32_t glyph = U' ';
        int fg = -1;  // palette number; -1 the default
        int bg = -1;
    };

    // Returns the number of glyphs written.
    int feed(const std::string& text) {
        int glyphs = 0;
        for (std::size_t i = 0; i < text.size();) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte == 0x1b) {
                i = escape(text, i);
                continue;
            }
            char32_t c = byte;
            int extra = 0;
            if (byte >= 0xF0) { c = byte & 0x07; extra = 3; }
            else if (byte >= 0xE0) { c = byte & 0x0F; extra = 2; }
            else if (byte >= 0xC0) { c = byte & 0x1F; extra = 1; }
            for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            i += 1 + extra;
            put(c);
            ++glyphs;
        }
        return glyphs;
    }

    const Shown& at(int x, int y) const { return cells_[static_cast<std::size_t>(y * 80 + x)]; }
    Point cursor() const { return {x_, y_}; }
    bool cursor_visible() const { return cursor_visible_; }
    int cursor_shape() const { return cursor_shape_; }

private:
    std::size_t escape(const std::string& text, std::size_t i) {
        // ESC [ parameters final
        std::size_t end = i + 2;
        while (end < text.size() && !(text[end] >= 0x40 && text[end] <= 0x7E)) ++end;
        const std::string body = text.substr(i + 2, end - i - 2);
        const char final = text[end];
        if (final == 'H') {
            const auto semi = body.find(';');
            y_ = std::stoi(body.substr(0, semi)) - 1;
            x_ = std::stoi(body.substr(semi + 1)) - 1;
        } else if (final == 'm') {
            std::size_t from = 0;
            while (from <= body.size()) {
                const auto to = body.find(';', from);
                const int n = std::stoi(body.substr(from, to - from));
                if (n >= 30 && n <= 37) fg_ = n - 30;
                if (n >= 90 && n <= 97) fg_ = n - 90 + 8;
                if (n >= 40 && n <= 47) bg_ = n - 40;
                if (n >= 100 && n <= 107) bg_ = n - 100 + 8;
                if (to == std::string::npos) break;
                from = to + 1;
            }
        } else if (final == 'h' && body == "?25") {
            cursor_visible_ = true;
        } else if (final == 'l' && body == "?25") {
            cursor_visible_ = false;
        } else if (final == 'q') {
            cursor_shape_ = std::stoi(body);
        } else {
            ADD_FAILURE() << "unexpected sequence ESC [" << body << final;
        }
        return end + 1;
    }

    void put(char32_t c) {
        ASSERT_TRUE(x_ >= 0 && x_ < 80 && y_ >= 0 && y_ < 42) << "glyph written at " << x_ << "," << y_;
        cells_[static_cast<std::size_t>(y_ * 80 + x_)] = {c, fg_, bg_};
        if (x_ < 79) ++x_;  // the last column holds the wrap pending
    }

    std::array<Shown, 80 * 42> cells_{};
    int x_ = 0, y_ = 0, fg_ = -1, bg_ = -1;
    bool cursor_visible_ = true;
    int cursor_shape_ = 0;
};

// The terminal's palette number of a console colour (blue is 1, red is 4).
int palette(int colour) {
    constexpr int kAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return kAnsi[colour & 7] + (colour & 8);
}

// Every cell of the terminal as the console holds it; the first wrong one
// is reported.
void expect_same(const ConsoleBuffer& console, const MiniTerminal& terminal) {
    for (int y = 0; y < ConsoleBuffer::kHeight; ++y) {
        for (int x = 0; x < ConsoleBuffer::kWidth; ++x) {
            const Cell& cell = console.at({x, y});
            const auto& shown = terminal.at(x, y);
            const bool same = shown.glyph == cp850_to_unicode(cell.code) &&
                              shown.fg == palette(cell.attribute & 15) &&
                              shown.bg == palette((cell.attribute >> 4) & 15);
            ASSERT_TRUE(same) << "cell " << x << "," << y << ": code " << int(cell.code)
                              << " attribute " << cell.attribute << " shown as U+" << std::hex
                              << static_cast<unsigned>(shown.glyph) << std::dec << " fg " << shown.fg
                              << " bg " << shown.bg;
        }
    }
}

TEST(XtermWriter, EveryCodeInEveryColourShowsAsTheConsoleHoldsIt) {
    ConsoleBuffer console;
    for (int i = 0; i < 80 * 42; ++i) {
        console.set({i % 80, i / 80}, Cell{static_cast<std::uint8_t>(i % 256),
                                           static_cast<std::uint16_t>((i * 7) % 256)});
    }
    XtermWriter writer;
    MiniTerminal terminal;
    std::string out;
    writer.update(console, out);
    EXPECT_EQ(terminal.feed(out), 80 * 42);
    expect_same(console, terminal);
}

// Changes made between two updates, and how many glyphs the second sends.
struct Change {
    const char* name;
    void (*apply)(ConsoleBuffer&);
    int glyphs;
};

const Change kChanges[] = {
    {"nothing", [](ConsoleBuffer&) {}, 0},
    {"one code", [](ConsoleBuffer& c) { c.at({10, 5}).code = 5; }, 1},
    {"one colour", [](ConsoleBuffer& c) { c.at({79, 41}).attribute = 0x4E; }, 1},
    {"a run", [](ConsoleBuffer& c) { c.fill_codes(219, 100, {70, 20}); }, 100},
    {"the cursor only", [](ConsoleBuffer& c) { c.set_cursor({3, 4}); }, 0},
};

void PrintTo(const Change& change, std::ostream* out) { *out << change.name; }

class XtermWriterChanges : public ::testing::TestWithParam<Change> {};

TEST_P(XtermWriterChanges, OnlyWhatChangedIsSentAgain) {
    ConsoleBuffer console;
    console.fill_attributes(0x1F, 80 * 42, {0, 0});
    XtermWriter writer;
    MiniTerminal terminal;
    std::string out;
    writer.update(console, out);
    terminal.feed(out);

    GetParam().apply(console);
    out.clear();
    writer.update(console, out);
    EXPECT_EQ(terminal.feed(out), GetParam().glyphs) << out;
    expect_same(console, terminal);
}

INSTANTIATE_TEST_SUITE_P(Changes, XtermWriterChanges, ::testing::ValuesIn(kChanges),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

TEST(XtermWriter, ARunInOneColourSetsItOnce) {
    ConsoleBuffer console;
    console.set_cursor_info(25, false);
    XtermWriter writer;
    std::string out;
    writer.update(console, out);
    console.fill_attributes(0x0C, 30, {5, 7});
    console.fill_codes('x', 30, {5, 7});
    out.clear();
    writer.update(console, out);
    EXPECT_EQ(out, "\x1b[8;6H\x1b[91;40m" + std::string(30, 'x')) << "one placement, one colour";
}

TEST(XtermWriter, TheCursorIsShownHiddenPlacedAndShapedAsTheConsoleSays) {
    ConsoleBuffer console;
    XtermWriter writer;
    MiniTerminal terminal;
    std::string out;

    console.set_cursor({12, 30});
    writer.update(console, out);
    terminal.feed(out);
    EXPECT_TRUE(terminal.cursor_visible());
    EXPECT_EQ(terminal.cursor(), (Point{12, 30}));
    EXPECT_EQ(terminal.cursor_shape(), 4) << "the console's default cursor is short: an underline";

    console.set_cursor_info(100, true);
    console.set_cursor({0, 41});
    out.clear();
    writer.update(console, out);
    terminal.feed(out);
    EXPECT_EQ(terminal.cursor(), (Point{0, 41}));
    EXPECT_EQ(terminal.cursor_shape(), 2) << "a tall cursor is a block";

    console.set_cursor_info(50, false);
    out.clear();
    writer.update(console, out);
    terminal.feed(out);
    EXPECT_FALSE(terminal.cursor_visible());

    out.clear();
    writer.update(console, out);
    EXPECT_EQ(out, "") << "a hidden cursor that stays hidden sends nothing";
}

TEST(XtermWriter, AfterForgetEverythingIsSentAgain) {
    ConsoleBuffer console;
    XtermWriter writer;
    std::string out;
    writer.update(console, out);
    writer.forget();
    MiniTerminal fresh;
    out.clear();
    writer.update(console, out);
    EXPECT_EQ(fresh.feed(out), 80 * 42);
    expect_same(console, fresh);
}

}  // namespace
}  // namespace patrulha::platform
