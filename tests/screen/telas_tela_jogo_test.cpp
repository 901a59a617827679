// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The game screen drawn on a cleared console: the frame and its joints, an
// empty playfield, the panel's texts and colours, the credits, and the pace
// of the drawing on the virtual clock.
#include <string>

#include "screens/telas.h"
#include "tests/support/drawing_steps.h"
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

class TelaJogoTest : public ConsoleTest {
protected:
    void SetUp() override {
        clrscr();
        monta_tela_jogo();
    }
};

// The screen as the player sees it once the credits are up.
const char* const kTelaJogo =
    "╔═══════════════════════════════════════════╦══════════════════════════════════╗\n"
    "║                                           ║                                  ║\n"
    "║                                           ║       STATUS                     ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    NIVEL:                        ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    VIDAS:                        ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    ESPECIAIS:                    ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    PONTOS:                       ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ╠══════════════════════════════════╣\n"
    "║                                           ║                                  ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║       CONTROLES                  ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    ←  →  ↑  ↓ - MOVIMENTOS       ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    X - CENTRALIZA A NAVE         ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    Z - TIRO                      ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    A - ESPECIAIS                 ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    S - PAUSA / DESPAUSA          ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    C - MENU PRINCIPAL            ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    D - KILL GAME                 ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║    PATRULHA ESTELAR              ║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║Feito pela equipe Patrulha Estelar║\n"
    "║                                           ║                                  ║\n"
    "║                                           ║   Obrigado por jogar, piloto     ║\n"
    "║                                           ║                                  ║\n"
    "╚═══════════════════════════════════════════╩══════════════════════════════════╝\n";

TEST_F(TelaJogoTest, ThePictureOfTheWholeScreen) {
    EXPECT_EQ(vb.picture(), kTelaJogo);
}

TEST_F(TelaJogoTest, FrameCornersAndJointsAreTheDoubleLineCodes) {
    EXPECT_EQ(code_at(1, 1), 201);
    EXPECT_EQ(code_at(80, 1), 187);
    EXPECT_EQ(code_at(80, 42), 188);
    EXPECT_EQ(code_at(1, 42), 200);
    EXPECT_EQ(code_at(45, 1), 203) << "divider meets the top edge";
    EXPECT_EQ(code_at(45, 42), 202) << "divider meets the bottom edge";
    EXPECT_EQ(code_at(45, 15), 204) << "panel divider leaves the divider";
    EXPECT_EQ(code_at(80, 15), 185) << "panel divider meets the right edge";
    for (int x = 2; x <= 79; ++x) {
        if (x == 45) continue;
        EXPECT_EQ(code_at(x, 1), 205) << x;
        EXPECT_EQ(code_at(x, 42), 205) << x;
    }
    for (int y = 2; y <= 41; ++y) {
        EXPECT_EQ(code_at(1, y), 186) << y;
        EXPECT_EQ(code_at(45, y == 15 ? 14 : y), 186) << y;
        if (y != 15) {
            EXPECT_EQ(code_at(80, y), 186) << y;
        }
    }
    for (int x = 46; x <= 79; ++x) EXPECT_EQ(code_at(x, 15), 205) << x;
}

TEST_F(TelaJogoTest, TheFrameIsGreenAndThePlayfieldUntouched) {
    for (int x = 1; x <= 80; ++x) {
        EXPECT_EQ(attribute_at(x, 1), GREEN) << x;
        EXPECT_EQ(attribute_at(x, 42), GREEN) << x;
    }
    for (int y = 1; y <= 42; ++y) {
        EXPECT_EQ(attribute_at(1, y), GREEN) << y;
        EXPECT_EQ(attribute_at(45, y), GREEN) << y;
        EXPECT_EQ(attribute_at(80, y), GREEN) << y;
    }
    // Nothing is written inside the playfield: every cell keeps the blank
    // and the colour the clear gave it.
    for (int y = 2; y <= 41; ++y)
        for (int x = 2; x <= 44; ++x) {
            ASSERT_EQ(code_at(x, y), ' ') << x << "," << y;
            ASSERT_EQ(attribute_at(x, y), LIGHTGRAY) << x << "," << y;
        }
}

TEST_F(TelaJogoTest, PanelTextsTheirLengthsAndColours) {
    struct Texto {
        int x, y, length, attribute;
    };
    // The binding lines keep their trailing blanks, written in the colour.
    // The headings pass 137 whole: light blue on dark grey, blanks included.
    const Texto textos[] = {
        {52, 3, 8, 137},  {49, 6, 7, 12},    {49, 8, 7, 12},   {49, 10, 11, 12},
        {49, 12, 8, 12},  {52, 18, 11, 137}, {49, 20, 25, 12}, {49, 22, 25, 12},
        {49, 24, 25, 12}, {49, 26, 29, 12},  {49, 28, 25, 12}, {49, 30, 25, 12},
        {49, 32, 25, 12}, {49, 36, 18, 14},  {46, 38, 34, 14}, {49, 40, 26, 14},
    };
    for (const Texto& t : textos) {
        for (int x = t.x; x < t.x + t.length; ++x)
            EXPECT_EQ(attribute_at(x, t.y), t.attribute) << "(" << x << "," << t.y << ")";
        if (t.x > 46) {
            EXPECT_EQ(attribute_at(t.x - 1, t.y), LIGHTGRAY) << "before row " << t.y;
        }
        if (t.x + t.length < 80) {
            EXPECT_EQ(attribute_at(t.x + t.length, t.y), LIGHTGRAY) << "after row " << t.y;
        }
    }
    EXPECT_EQ(vb.row_codes(20, 49, 73), std::string(" \x1B  \x1A  \x18  \x19 - MOVIMENTOS "));
    EXPECT_EQ(attribute_at(53, 3), 0x89) << "light blue on dark grey";
}

TEST_F(TelaJogoTest, CreditsNameTheGameAndItsTeam) {
    EXPECT_EQ(code_at(46, 38), 'F') << "the second line fills the panel";
    EXPECT_EQ(code_at(79, 38), 'r') << "and ends in column 79";
    const std::string credits = vb.row_text(36) + vb.row_text(38) + vb.row_text(40);
    EXPECT_NE(credits.find("PATRULHA ESTELAR"), std::string::npos);
    EXPECT_NE(credits.find("equipe Patrulha Estelar"), std::string::npos);
    // The drawing leaves yellow set and the cursor after the last credit.
    EXPECT_EQ(__FOREGROUND, YELLOW);
    EXPECT_EQ(wherex(), 75);
    EXPECT_EQ(wherey(), 40);
}

TEST_F(TelaJogoTest, TheFrameRunsAtTwoMillisecondsACharacterThenTheBindingsHold) {
    const auto& sleeps = vb.sleeps();
    ASSERT_EQ(sleeps.size(), 319u) << "one pause per frame character, then one more";
    // Steps 1 to 9 are the outer edge: 78 + 1 + 1 + 40 + 1 + 78 + 1 + 40 + 1
    // characters, the last of which is the top-left corner.
    constexpr std::size_t kCanto = 240;
    for (std::size_t i = 0; i < 318; ++i) EXPECT_EQ(sleeps[i].ms, i == kCanto ? 15u : 2u) << i;
    EXPECT_EQ(sleeps[318].ms, 600u);
    // 317 x 2 + 15 + 600 ms of pauses, plus the console calls themselves.
    EXPECT_GE(vb.now_ms(), 1249.0);
    EXPECT_LT(vb.now_ms(), 1249.0 + 20.0);
}

TEST(TelaJogoSteps, TheFrameRunsClockwiseFromTheTopLeftOneCharacterAPause) {
    reset_conio_state();
    VirtualBackend vb;
    DrawingSteps watch(vb);
    clrscr();
    monta_tela_jogo();

    // The frame's cells in drawing order, with their codes.
    std::vector<WrittenCell> expected;
    auto put = [&](int x, int y, int code) { expected.push_back({x, y, code, GREEN}); };
    for (int x = 2; x <= 79; ++x) put(x, 1, 205);
    put(45, 1, 203);
    put(80, 1, 187);
    for (int y = 2; y <= 41; ++y) put(80, y, 186);
    put(80, 42, 188);
    for (int x = 79; x >= 2; --x) put(x, 42, 205);
    put(1, 42, 200);
    for (int y = 41; y >= 2; --y) put(1, y, 186);
    put(1, 1, 201);
    for (int y = 2; y <= 41; ++y) put(45, y, 186);
    put(45, 42, 202);
    put(45, 15, 204);
    for (int x = 46; x <= 79; ++x) put(x, 15, 205);
    put(80, 15, 185);

    const auto& steps = watch.steps();
    ASSERT_EQ(steps.size(), expected.size() + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("character " + std::to_string(i));
        ASSERT_EQ(steps[i].cells.size(), 1u);
        const WrittenCell& c = steps[i].cells[0];
        EXPECT_EQ(c.x, expected[i].x);
        EXPECT_EQ(c.y, expected[i].y);
        EXPECT_EQ(c.code, expected[i].code);
        EXPECT_EQ(c.attribute, GREEN);
        EXPECT_EQ(steps[i].ms, expected[i].x == 1 && expected[i].y == 1 ? 15u : 2u);
    }
    // The 600 ms pause holds the panel and the bindings, without credits.
    const DrawingStep& panel = steps.back();
    EXPECT_EQ(panel.ms, 600u);
    for (const WrittenCell& c : panel.cells) {
        EXPECT_GE(c.x, 49);
        EXPECT_LE(c.y, 32) << "no credit line before the pause";
    }
}

}  // namespace
}  // namespace patrulha::testing
