// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Blocks of screen cells saved, restored and moved, lines deleted and
// inserted, and a password read behind stars: on a screen painted with a
// different code and attribute in every cell, so that a cell copied from the
// wrong place shows.
#include <climits>
#include <cstring>
#include <new>
#include <sstream>
#include <vector>

#include "platform/runtime.h"
#include "tests/support/harness.h"

namespace {

// Set by a test to make every nothrow array allocation fail, as it would on a
// machine out of memory.
bool refuse_nothrow_arrays = false;

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (refuse_nothrow_arrays) return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace patrulha::testing {
namespace {

using platform::Cell;
using platform::ConsoleBuffer;
constexpr int kW = ConsoleBuffer::kWidth;
constexpr int kH = ConsoleBuffer::kHeight;

// Every cell of the screen, row after row.
using Screen = std::vector<Cell>;

Cell pattern_cell(int x, int y) {
    // Codes 1 to 254 and attributes over all 16 bits, so that neither a
    // sign nor a high byte can be lost unseen.
    return Cell{static_cast<std::uint8_t>(1 + (x + kW * y) % 254),
                static_cast<std::uint16_t>((x * 257 + y * 4099 + 1) & 0xFFFF)};
}

struct Move;

class BlocksTest : public ConsoleTest {
protected:
    // Each move, of a freshly painted screen, leaves what `moved` says.
    void expect_moves(const std::vector<Move>& moves);

    ConsoleBuffer& console() { return platform::Runtime::instance().console(); }

    // Paints the whole buffer with the pattern; returns what it shows.
    Screen paint() {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) console().set({x, y}, pattern_cell(x, y));
        return screen();
    }

    Screen screen() {
        Screen s;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) s.push_back(console().at({x, y}));
        return s;
    }

    // The cell at window position (x, y), 1-based, of a screen.
    static Cell& at(Screen& s, int x, int y) {
        return s[static_cast<std::size_t>((y - 1) * kW + x - 1)];
    }
    static bool on_screen(int x, int y) { return x >= 1 && x <= kW && y >= 1 && y <= kH; }

    // The first few cells where two screens differ, described for a failure.
    static std::string differences(const Screen& got, const Screen& want) {
        std::ostringstream out;
        int shown = 0;
        for (std::size_t i = 0; i < got.size() && shown < 6; ++i)
            if (!(got[i] == want[i])) {
                out << " (" << i % kW + 1 << "," << i / kW + 1 << "): got " << int{got[i].code}
                    << "/" << got[i].attribute << " want " << int{want[i].code} << "/"
                    << want[i].attribute << ";";
                ++shown;
            }
        return out.str();
    }

    ~BlocksTest() override { refuse_nothrow_arrays = false; }
};

constexpr char_info kUntouched{'?', 0xBEEF};

char_info info_of(const Cell& c) {
    return {static_cast<char>(c.code), c.attribute};
}

bool same(const char_info& a, const char_info& b) {
    return a.letter == b.letter && a.attr == b.attr;
}

// ==== Reading and writing blocks ====

TEST_F(BlocksTest, ABlockReadThenWrittenBackLeavesTheScreenUnchanged) {
    const Screen before = paint();
    gotoxy(33, 17);
    std::vector<char_info> block(56 * 38);
    _conio_gettext(5, 3, 60, 40, block.data());
    puttext(5, 3, 60, 40, block.data());
    EXPECT_EQ(differences(screen(), before), "");
    EXPECT_EQ(wherex(), 33) << "the cursor does not move";
    EXPECT_EQ(wherey(), 17);

    // The same block, written onto a cleared screen, brings back just its
    // rectangle: the write is no accident of an unchanged screen.
    clrscr();
    Screen want = screen();
    for (int y = 3; y <= 40; ++y)
        for (int x = 5; x <= 60; ++x) at(want, x, y) = at(const_cast<Screen&>(before), x, y);
    puttext(5, 3, 60, 40, block.data());
    EXPECT_EQ(differences(screen(), want), "");
}

TEST_F(BlocksTest, ABlockHoldsTheRectangleInRowOrder) {
    Screen before = paint();
    char_info block[4 * 2];
    _conio_gettext(79, 41, 80, 42, block);  // the bottom-right corner, 2 x 2
    _conio_gettext(10, 1, 13, 2, block);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 4; ++col)
            EXPECT_TRUE(same(block[row * 4 + col], info_of(at(before, 10 + col, 1 + row))))
                << "block cell " << row * 4 + col;

    // Written elsewhere, the cells land in the same order: whole-width
    // rows, codes of 128 and more and the attribute's high byte intact.
    std::vector<char_info> wide(80);
    _conio_gettext(1, 30, 80, 30, wide.data());
    puttext(1, 2, 80, 2, wide.data());
    Screen want = before;
    for (int x = 1; x <= 80; ++x) at(want, x, 2) = at(before, x, 30);
    EXPECT_EQ(differences(screen(), want), "");
}

TEST_F(BlocksTest, AnInvertedRectangleCopiesNothing) {
    const Screen before = paint();
    char_info block[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
    _conio_gettext(10, 5, 9, 6, block);
    _conio_gettext(10, 5, 11, 4, block);
    for (const auto& c : block) EXPECT_TRUE(same(c, kUntouched));
    const char_info written[4] = {{'a', 1}, {'b', 2}, {'c', 3}, {'d', 4}};
    puttext(10, 5, 9, 6, written);
    puttext(10, 5, 11, 4, written);
    movetext(10, 5, 9, 6, 1, 1);
    movetext(10, 5, 11, 4, 1, 1);
    EXPECT_EQ(differences(screen(), before), "");
}

// ==== Clipping at the buffer's edges ====

struct Rectangle {
    const char* name;
    int left, top, right, bottom;
};

// Rectangles of window positions reaching past each edge, a corner, the
// whole buffer and beyond, and positions far outside it.
const std::vector<Rectangle> kReaching = {
    {"left edge", -1, 5, 3, 6},
    {"right edge", 78, 7, 82, 8},
    {"top edge", 20, -2, 22, 1},
    {"bottom edge", 30, 41, 31, 45},
    {"bottom-right corner", 79, 41, 81, 43},
    {"around the buffer", 0, 0, 81, 43},
    {"wholly left of it", -9, 1, 0, 3},
    {"wholly below it", 1, 43, 5, 44},
    {"far right", INT_MAX - 3, 2, INT_MAX, 2},
    {"far up", 3, INT_MIN, 3, INT_MIN + 2},
    {"65536 columns on", 65537, 1, 65540, 1},
};

TEST_F(BlocksTest, ReadingPastAnEdgeLeavesTheOutsideCellsOfTheBlockAsGiven) {
    Screen before = paint();
    for (const auto& r : kReaching) {
        const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
        std::vector<char_info> block(static_cast<std::size_t>(w * h), kUntouched);
        _conio_gettext(r.left, r.top, r.right, r.bottom, block.data());
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col) {
                const long long x = static_cast<long long>(r.left) + col;
                const long long y = static_cast<long long>(r.top) + row;
                const bool inside = x >= 1 && x <= kW && y >= 1 && y <= kH;
                const char_info want =
                    inside ? info_of(at(before, static_cast<int>(x), static_cast<int>(y)))
                           : kUntouched;
                EXPECT_TRUE(same(block[static_cast<std::size_t>(row * w + col)], want))
                    << r.name << ": block cell " << col << "," << row;
            }
    }
    EXPECT_EQ(differences(screen(), before), "");
}

TEST_F(BlocksTest, WritingPastAnEdgeWritesJustTheCellsInside) {
    for (const auto& r : kReaching) {
        Screen want = paint();
        const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
        // An exactly sized block: a read past its end would show under the
        // address sanitizer.
        std::vector<char_info> block(static_cast<std::size_t>(w * h));
        for (int i = 0; i < w * h; ++i)
            block[static_cast<std::size_t>(i)] = {static_cast<char>('A' + i % 26),
                                                  static_cast<unsigned short>(0x4000 + i)};
        puttext(r.left, r.top, r.right, r.bottom, block.data());
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col) {
                const long long x = static_cast<long long>(r.left) + col;
                const long long y = static_cast<long long>(r.top) + row;
                if (x < 1 || x > kW || y < 1 || y > kH) continue;
                const char_info& in = block[static_cast<std::size_t>(row * w + col)];
                at(want, static_cast<int>(x), static_cast<int>(y)) =
                    Cell{static_cast<std::uint8_t>(in.letter), in.attr};
            }
        EXPECT_EQ(differences(screen(), want), "") << r.name;
    }
}

// ==== Moving blocks ====

struct Move {
    const char* name;
    int left, top, right, bottom, new_left, new_top;
};

// The screen after moving a rectangle, cell by cell from the screen before:
// each cell of the source that lies on the screen lands on its destination
// when that lies on the screen too.
Screen moved(Screen before, const Move& m) {
    Screen after = before;
    for (int y = m.top; y <= m.bottom; ++y)
        for (int x = m.left; x <= m.right; ++x) {
            const int to_x = m.new_left + x - m.left, to_y = m.new_top + y - m.top;
            if (x < 1 || x > kW || y < 1 || y > kH) continue;
            if (to_x < 1 || to_x > kW || to_y < 1 || to_y > kH) continue;
            after[static_cast<std::size_t>((to_y - 1) * kW + to_x - 1)] =
                before[static_cast<std::size_t>((y - 1) * kW + x - 1)];
        }
    return after;
}

void BlocksTest::expect_moves(const std::vector<Move>& moves) {
    for (const auto& m : moves) {
        const Screen before = paint();
        movetext(m.left, m.top, m.right, m.bottom, m.new_left, m.new_top);
        EXPECT_EQ(differences(screen(), moved(before, m)), "") << m.name;
    }
}

TEST_F(BlocksTest, MovingOverlappingBlocksCopiesInEveryDirection) {
    const std::vector<Move> moves = {
        {"10 x 3 one column right", 20, 10, 29, 12, 21, 10},
        {"one column left", 20, 10, 29, 12, 19, 10},
        {"one row down", 20, 10, 29, 12, 20, 11},
        {"one row up", 20, 10, 29, 12, 20, 9},
        {"down and right", 20, 10, 29, 15, 22, 12},
        {"up and left", 20, 10, 29, 15, 17, 8},
        {"onto itself", 20, 10, 29, 12, 20, 10},
        {"apart", 1, 1, 5, 2, 70, 40},
        {"the whole screen one row down", 1, 1, 80, 42, 1, 2},
        {"the whole screen one column left", 1, 1, 80, 42, 0, 1},
    };
    expect_moves(moves);
}

TEST_F(BlocksTest, MovingPastAnEdgeMovesOnlyCellsThatAreOnTheScreen) {
    const std::vector<Move> moves = {
        // The destination cells whose source lies off the screen keep theirs.
        {"source past the left edge", -1, 5, 4, 6, 10, 5},
        {"source past the bottom edge", 30, 40, 33, 44, 30, 20},
        {"source past the top-right corner", 78, -1, 82, 2, 40, 30},
        {"destination past the right edge", 70, 5, 80, 6, 76, 5},
        {"destination past the top edge", 10, 1, 12, 3, 10, -1},
        {"destination wholly off the screen", 10, 1, 12, 3, 100, 1},
        {"source wholly off the screen", 90, 1, 92, 3, 1, 1},
    };
    expect_moves(moves);
}

// ==== Without memory or console ====

TEST_F(BlocksTest, WithoutTemporaryMemoryNothingHappens) {
    const Screen before = paint();
    char_info block[3 * 2];
    for (auto& c : block) c = kUntouched;
    refuse_nothrow_arrays = true;
    _conio_gettext(2, 2, 4, 3, block);
    for (const auto& c : block) EXPECT_TRUE(same(c, kUntouched));
    const char_info written[6] = {{'a', 1}, {'b', 2}, {'c', 3}, {'d', 4}, {'e', 5}, {'f', 6}};
    puttext(2, 2, 4, 3, written);
    movetext(1, 1, 10, 10, 3, 3);
    refuse_nothrow_arrays = false;
    EXPECT_EQ(differences(screen(), before), "");
}

TEST_F(BlocksTest, AConsoleThatCannotBeQueriedIsLeftAlone) {
    const Screen before = paint();
    char_info block[2] = {kUntouched, kUntouched};
    vb.set_console_available(false);
    _conio_gettext(1, 1, 2, 1, block);
    const char_info written[2] = {{'a', 1}, {'b', 2}};
    puttext(1, 1, 2, 1, written);
    movetext(1, 1, 5, 5, 2, 2);
    delline();
    insline();
    vb.set_console_available(true);
    EXPECT_TRUE(same(block[0], kUntouched));
    EXPECT_TRUE(same(block[1], kUntouched));
    EXPECT_EQ(differences(screen(), before), "");
}

// ==== Deleting and inserting lines ====

// The screen with rows rearranged: row y shows row source(y) of `before`,
// or, for 0, a blank row in `fill`.
template <typename Source>
Screen rows_from(Screen before, Source source, std::uint16_t fill) {
    Screen after(before.size());
    for (int y = 1; y <= kH; ++y)
        for (int x = 1; x <= kW; ++x) {
            const int from = source(y);
            after[static_cast<std::size_t>((y - 1) * kW + x - 1)] =
                from == 0 ? Cell{' ', fill}
                          : before[static_cast<std::size_t>((from - 1) * kW + x - 1)];
        }
    return after;
}

TEST_F(BlocksTest, DellineRemovesTheCursorsRowAndBlanksTheLastInTheLibrarysColours) {
    for (const int row : {1, 20, 41, 42}) {
        const Screen before = paint();
        textcolor(YELLOW);
        textbackground(BLUE);
        // The console's own attribute differs: the library's colours fill.
        SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x4C);
        gotoxy(7, row);
        delline();
        const Screen want = rows_from(
            before, [row](int y) { return y < row ? y : (y == kH ? 0 : y + 1); }, 0x1E);
        EXPECT_EQ(differences(screen(), want), "") << "cursor on row " << row;
        EXPECT_EQ(wherex(), 7);
        EXPECT_EQ(wherey(), row);
    }
}

TEST_F(BlocksTest, InslineBlanksTheCursorsRowAndPushesTheRestDown) {
    for (const int row : {1, 20, 41, 42}) {
        const Screen before = paint();
        textcolor(LIGHTGREEN);
        textbackground(RED);
        SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x07);
        gotoxy(80, row);
        insline();
        const Screen want = rows_from(
            before, [row](int y) { return y < row ? y : (y == row ? 0 : y - 1); }, 0x4A);
        EXPECT_EQ(differences(screen(), want), "") << "cursor on row " << row;
        EXPECT_EQ(wherex(), 80);
        EXPECT_EQ(wherey(), row);
    }
}

// ==== Password input ====

// A password buffer: the maximum, then room for it, and a guard beyond.
struct PasswordBuffer {
    explicit PasswordBuffer(unsigned char maximum) {
        std::memset(bytes, 0x55, sizeof bytes);
        bytes[0] = static_cast<char>(maximum);
    }
    int count() const { return static_cast<unsigned char>(bytes[1]); }
    char bytes[140];
};

class GetpassTest : public BlocksTest {
protected:
    // Shows the prompt at (10, 5) and reads with `maximum`.
    char* read(PasswordBuffer& buffer, const char* prompt = "Senha: ") {
        gotoxy(10, 5);
        return getpass(prompt, buffer.bytes);
    }
    // Row 5 from the prompt's first column, as text.
    std::string shown() const { return vb.row_text(5).substr(9); }
};

TEST_F(GetpassTest, KeepsAtMostTheMaximumAndShowsAStarForEach) {
    PasswordBuffer buffer(4);
    textcolor(LIGHTCYAN);
    vb.keys("abcde\r");
    char* text = read(buffer);
    EXPECT_EQ(text, buffer.bytes + 2);
    EXPECT_STREQ(text, "abcd") << "the fifth key is ignored";
    EXPECT_EQ(buffer.count(), 4);
    EXPECT_EQ(buffer.bytes[7], 0x55) << "nothing written past the terminator";
    EXPECT_EQ(shown(), "Senha: ****");
    for (int x = 17; x <= 20; ++x) EXPECT_EQ(attribute_at(x, 5), LIGHTCYAN);
    EXPECT_EQ(code_at(21, 5), ' ');
}

TEST_F(GetpassTest, BackspaceWithNothingTypedStaysAtTheStartColumn) {
    PasswordBuffer buffer(8);
    vb.key(8).key(8).keys("q\r");
    EXPECT_STREQ(read(buffer), "q");
    EXPECT_EQ(shown(), "Senha: *") << "the prompt keeps its last character";
    EXPECT_EQ(buffer.count(), 1);
}

TEST_F(GetpassTest, BackspaceInTheMiddleTakesTheLastCharacterBack) {
    struct Case {
        const char* name;
        std::string keys;
        const char* text;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {"a character, Backspace, another", "a\bb\r", "b", "Senha: *"},
        {"two, Backspace, one", "ab\bc\r", "ac", "Senha: **"},
        {"three, two Backspaces", "abc\b\b\r", "a", "Senha: *"},
        {"all taken back", "ab\b\b\b\r", "", "Senha:"},
        {"back at the maximum, then more", "wxyz\bQR\r", "wxyQ", "Senha: ****"},
    };
    for (const auto& c : cases) {
        clrscr();
        PasswordBuffer buffer(4);
        vb.keys(c.keys);
        EXPECT_STREQ(read(buffer), c.text) << c.name;
        EXPECT_EQ(buffer.count(), static_cast<int>(std::strlen(c.text))) << c.name;
        EXPECT_EQ(shown(), c.shown) << c.name;
        EXPECT_EQ(wherex(), 17 + static_cast<int>(std::strlen(c.text)))
            << c.name << ": the cursor stands after the last star";
        EXPECT_EQ(wherey(), 5) << c.name;
    }
}

TEST_F(GetpassTest, AMaximumOfZeroOrAbove127AcceptsNothing) {
    for (const int maximum : {0, 128, 200, 255}) {
        clrscr();
        PasswordBuffer buffer(static_cast<unsigned char>(maximum));
        vb.keys("xyz\r");
        EXPECT_STREQ(read(buffer), "") << "maximum byte " << maximum;
        EXPECT_EQ(buffer.count(), 0) << "maximum byte " << maximum;
        EXPECT_EQ(buffer.bytes[3], 0x55) << "maximum byte " << maximum;
        EXPECT_EQ(shown(), "Senha:") << "maximum byte " << maximum;
    }
}

TEST_F(GetpassTest, AMaximumOf127IsKept) {
    PasswordBuffer buffer(127);
    const std::string typed(130, 'k');
    vb.keys(typed + "\r");
    gotoxy(1, 5);
    const char* text = getpass("", buffer.bytes);
    EXPECT_EQ(std::strlen(text), 127u);
    EXPECT_EQ(buffer.count(), 127);
    EXPECT_EQ(buffer.bytes[130], 0x55);
    EXPECT_EQ(vb.row_text(5), std::string(80, '*'));
    // Past column 80 the cursor is refused and stays where the last star
    // left it, so the rest follow on the next row.
    EXPECT_EQ(vb.row_text(6), std::string(47, '*'));
}

TEST_F(GetpassTest, EscAndBothCodesOfACursorKeyAreCharacters) {
    PasswordBuffer buffer(5);
    vb.key(27).up().keys("\r");
    const char* text = read(buffer);
    EXPECT_EQ(buffer.count(), 3);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 27);
    EXPECT_EQ(static_cast<unsigned char>(text[1]), 224);
    EXPECT_EQ(static_cast<unsigned char>(text[2]), 72);
    EXPECT_EQ(text[3], '\0');
    EXPECT_EQ(shown(), "Senha: ***");
}

}  // namespace
}  // namespace patrulha::testing
