// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The options screen's texts on a cleared console: rows 7 to 29, their
// colours, the heading OPÇOES, and column 65 left free for the preview.
#include <string>

#include "screens/telas.h"
#include "tests/support/harness.h"

namespace patrulha::testing {
namespace {

class MenuOpcoesTest : public ConsoleTest {
protected:
    void SetUp() override {
        clrscr();
        monta_menu_opcoes();
    }
};

const char* const kOpcoes =
    "\n\n\n\n\n\n"
    "                                    OPÇOES\n"
    "\n\n\n"
    "                                 ESC - VOLTAR\n"
    "\n\n\n"
    "                           Escolha o desenho da nave:\n"
    "\n"
    "                              1- ♣     2- ♠     3- ¥\n"
    "\n\n\n"
    "                             Escolha a Cor da Nave:\n"
    "\n"
    "                      4 - Amarelo   5 - Verde   6 - Vermelho\n"
    "\n\n\n"
    "                             Escolha a Cor do Tiro:\n"
    "\n"
    "                      7 - Amarelo   8 - Verde   9 - Vermelho\n";

TEST_F(MenuOpcoesTest, ThePictureOfTheOptionsScreen) {
    EXPECT_EQ(vb.picture(), kOpcoes + std::string(42 - 29, '\n'));
}

TEST_F(MenuOpcoesTest, TheHeadingIsSixCharactersWithNoPercentSign) {
    EXPECT_EQ(vb.row_codes(7, 37, 42), "OP\x80OES");
    EXPECT_EQ(vb.picture().find('%'), std::string::npos);
    EXPECT_EQ(code_at(36, 7), ' ');
    EXPECT_EQ(code_at(43, 7), ' ');
}

TEST_F(MenuOpcoesTest, EachRowInItsColourBlanksIncluded) {
    // Row, first and last column of the text (leading blanks are written
    // from column 1), colour.
    struct Linha {
        int y, last, attribute;
    };
    for (const Linha& l :
         {Linha{7, 42, WHITE}, Linha{11, 45, WHITE}, Linha{15, 53, LIGHTGREEN},
          Linha{17, 54, LIGHTGRAY}, Linha{21, 51, LIGHTGREEN}, Linha{23, 60, LIGHTGRAY},
          Linha{27, 51, LIGHTGREEN}, Linha{29, 60, LIGHTGRAY}}) {
        for (int x = 1; x <= l.last; ++x)
            ASSERT_EQ(attribute_at(x, l.y), l.attribute) << "(" << x << "," << l.y << ")";
    }
    // The glyphs on offer are the three fixed ship choices.
    EXPECT_EQ(code_at(34, 17), 5);
    EXPECT_EQ(code_at(43, 17), 6);
    EXPECT_EQ(code_at(52, 17), 190);
    EXPECT_EQ(__FOREGROUND, LIGHTGRAY);
    EXPECT_EQ(wherex(), 61);
    EXPECT_EQ(wherey(), 29);
}

TEST_F(MenuOpcoesTest, ColumnSixtyFiveStaysFreeForThePreview) {
    for (int y = 1; y <= 42; ++y) EXPECT_EQ(code_at(65, y), ' ') << y;
}

}  // namespace
}  // namespace patrulha::testing
