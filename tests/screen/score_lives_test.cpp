// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Score, bonus bombs, lives and the game-over prompt, through the real game
// and through the panel functions themselves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

// ==== Points and the bonus bomb ====

struct BonusCase {
    int aux_before;
    int valor;
    int aux_after;
    int bombs_after;  // from 10
};

std::ostream& operator<<(std::ostream& out, const BonusCase& b) {
    return out << "bomba_aux " << b.aux_before << " + " << b.valor;
}

class BonusTest : public GameTest, public ::testing::WithParamInterface<BonusCase> {};

TEST_P(BonusTest, PointsCountTowardsTheNextBomb) {
    const BonusCase b = GetParam();
    pontos = 100;
    nbombas = 10;
    bomba_aux = b.aux_before;
    matriz_col = 20;
    matriz_lin = 10;
    marca_pontuacao(b.valor);
    EXPECT_EQ(bomba_aux, b.aux_after);
    EXPECT_EQ(nbombas, b.bombs_after);
    EXPECT_EQ(pontos, 100 + b.valor);
    EXPECT_EQ(vb.row_codes(12, 60, 64), std::to_string(100 + b.valor) + "  ");
    EXPECT_EQ(vb.row_codes(10, 60, 62), std::to_string(b.bombs_after) + " ");
    EXPECT_EQ(attribute_at(60, 12), YELLOW);
    EXPECT_EQ(attribute_at(60, 10), YELLOW);
    EXPECT_EQ(__FOREGROUND, YELLOW);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, BonusTest,
                         ::testing::Values(BonusCase{248, 5, 153, 11}, BonusCase{244, 5, 249, 10},
                                           BonusCase{245, 5, 150, 11}, BonusCase{0, 6, 6, 10},
                                           BonusCase{249, 0, 249, 10}, BonusCase{246, 6, 152, 11},
                                           BonusCase{400, 0, 300, 11}, BonusCase{153, 2, 155, 10}));

TEST_F(GameTest, ShootingAnEnemyAt248AwardsABombAndTheNextComesAfter100) {
    vb.call([] {
        bomba_aux = 248;
        pontos = 248;
        matriz_tela[21][35] = 31;
    });
    vb.key('z').after_polls(1).call([this] {
        EXPECT_EQ(pontos, 253);
        EXPECT_EQ(bomba_aux, 153);
        EXPECT_EQ(nbombas, 11);
        EXPECT_EQ(vb.row_codes(10, 60, 62), "11 ");
        EXPECT_EQ(vb.row_codes(12, 60, 64), "253  ");
        matriz_tela[21][35] = 2;
        bomba_aux = 245;
    });
    vb.key('z').after_polls(1).call([] {
        EXPECT_EQ(nbombas, 12);
        EXPECT_EQ(bomba_aux, 150);
    });
    vb.end_after_polls(0);
    run_main();
}

TEST_F(GameTest, TheExplosionShowsBeforeTheNewScore) {
    std::vector<std::string> score_during_star;
    vb.call([] { matriz_tela[21][35] = 15; }).key('z').call([&] {
        vb.on_present([&] {
            if (code_at(23, 38) == '*') score_during_star.push_back(vb.row_codes(12, 60, 62));
        });
    });
    vb.end_after_polls(1);
    run_main();
    ASSERT_FALSE(score_during_star.empty());
    for (const std::string& s : score_during_star) EXPECT_EQ(s, "0  ");
    EXPECT_EQ(vb.row_codes(12, 60, 62), "5  ");
}

TEST_F(GameTest, TheScoreFieldBlanksALongerEarlierValue) {
    pontos = 0;
    nbombas = 10;
    gotoxy(60, 12);
    printf("99999");
    gotoxy(60, 10);
    printf("999");
    marca_pontuacao(0);
    EXPECT_EQ(vb.row_codes(12, 60, 64), "0  99");
    EXPECT_EQ(vb.row_codes(10, 60, 62), "10 ");
}

// ==== Lives ====

TEST_F(GameTest, MarcaVidasRedrawsAddsAndTakes) {
    vidas = 3;
    marca_vidas(0);
    EXPECT_EQ(vidas, 3);
    EXPECT_EQ(vb.row_codes(8, 60, 61), "3 ");
    marca_vidas(1);
    EXPECT_EQ(vidas, 4);
    EXPECT_EQ(vb.row_codes(8, 60, 61), "4 ");
    EXPECT_TRUE(vb.beeps().empty());

    // A hazard at (5, 20) above the ship at (5, 21), the cursor on it.
    clear_grid();
    nave = 5;
    col_nave = 5;
    lin_nave = 21;
    matriz_tela[5][20] = 111;
    matriz_tela[5][21] = 5;
    for (const auto& [x, y] : {std::pair{7, 22}, std::pair{7, 23}}) {
        gotoxy(x, y);
        printf("Q");
    }
    matriz_col = 5;
    matriz_lin = 20;
    gotoxy(7, 22);
    marca_vidas(2);
    EXPECT_EQ(vidas, 3);
    EXPECT_EQ(matriz_tela[5][20], 0);
    EXPECT_EQ(matriz_tela[5][21], 0);
    EXPECT_EQ(code_at(7, 22), ' ');
    EXPECT_EQ(code_at(7, 23), ' ');
    EXPECT_EQ(col_nave, 21);
    EXPECT_EQ(lin_nave, 37);
    EXPECT_EQ(matriz_tela[21][37], 5);
    EXPECT_EQ(code_at(23, 39), ' ') << "drawn by the next frame, not here";
    EXPECT_EQ(vb.row_codes(8, 60, 61), "3 ");
    ASSERT_EQ(vb.beeps().size(), 1u);
    EXPECT_EQ(vb.beeps()[0].frequency, 100u);
    EXPECT_EQ(vb.beeps()[0].duration_ms, 100u);
}

TEST_F(GameTest, TheLevelNameIsDrawnInYellow) {
    strcpy(nivel, "AVANCADO");
    marca_nivel();
    EXPECT_EQ(vb.row_codes(6, 60, 68), "AVANCADO ");
    EXPECT_EQ(attribute_at(67, 6), YELLOW);
}

TEST_F(GameTest, TheLivesShownAreThoseOfTheLevel) {
    niveis[0].vidas = 3;
    strcpy(nivel, "unused");
    niveis[0].nome = "TESTE";
    vb.end_after_polls(1);
    run_main();
    EXPECT_EQ(vb.row_codes(8, 60, 61), "3 ");
    EXPECT_EQ(vb.row_codes(6, 60, 65), "TESTE ");
}

// ==== Game over ====

// The prompt as it stands on screen: rows 20 and 22 from column 20.
std::string prompt_of(const platform::VirtualBackend& vb) {
    return vb.row_codes(20, 20, 32) + "|" + vb.row_codes(22, 20, 39);
}

const std::string kPrompt = "    GAME OVER|JOGAR NOVAMENTE? S/N";

TEST_F(GameTest, TheLastLifeLostByABlockedMoveBringsThePrompt) {
    niveis[0].vidas = 1;
    vb.call([] { matriz_tela[20][37] = 219; });
    vb.after_polls(1).left().call([this] {
        EXPECT_EQ(prompt_of(vb), kPrompt);
        EXPECT_EQ(attribute_at(24, 20), WHITE);
        EXPECT_EQ(attribute_at(20, 22), WHITE);
        EXPECT_EQ(vb.row_codes(8, 60, 61), "0 ");
        EXPECT_EQ(vidas, 0);
    });
    vb.key('n');
    EXPECT_EQ(run_main(), RunEnd::Returned);
    EXPECT_EQ(vb.picture(), std::string(42, '\n')) << "the console cleared at the end";
}

struct AnswerCase {
    int key;
    bool ends_program;
};

std::ostream& operator<<(std::ostream& out, const AnswerCase& a) {
    return out << "answer " << static_cast<char>(a.key);
}

class PromptAnswerTest : public GameTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(PromptAnswerTest, SPlaysAgainNEndsTheProgram) {
    const AnswerCase a = GetParam();
    niveis[0].vidas = 1;
    bool new_game = false;
    vb.call([] { matriz_tela[21][38] = 219; }).after_polls(1).down().key(a.key);
    vb.key('1');  // at the menu, for a new game
    vb.call([&] {
        // Only a new game polls again.
        new_game = true;
        EXPECT_EQ(count_in_grid(219), 0);
        EXPECT_EQ(vb.row_codes(20, 20, 32), std::string(13, ' '));
        EXPECT_EQ(vb.row_codes(8, 60, 61), "1 ");
    });
    vb.end_after_polls(0);
    const RunEnd end = run_main();
    EXPECT_EQ(end, a.ends_program ? RunEnd::Returned : RunEnd::ScriptEnded);
    EXPECT_EQ(new_game, !a.ends_program);
}

INSTANTIATE_TEST_SUITE_P(Answers, PromptAnswerTest,
                         ::testing::Values(AnswerCase{'S', false}, AnswerCase{'s', false},
                                           AnswerCase{'N', true}, AnswerCase{'n', true}));

TEST_F(GameTest, AWrongAnswerBlanksThePromptAndAsksAgain) {
    niveis[0].vidas = 1;
    // Marks just outside the blanked stretches: columns 19 and 29 to 40 of
    // row 20, 19 and 39 to 40 of row 22, and row 21.
    const auto mark = [] {
        for (const auto& [x, y] : {std::pair{19, 20}, std::pair{33, 20}, std::pair{40, 20},
                                   std::pair{19, 22}, std::pair{40, 22}, std::pair{25, 21}}) {
            gotoxy(x, y);
            printf("Q");
        }
    };
    int prompts_seen = 0;
    vb.call([&] {
        matriz_tela[21][38] = 219;
        mark();
        vb.on_present([&] { prompts_seen += prompt_of(vb) == kPrompt; });
    });
    vb.after_polls(1).down().key('x').key(224).key(72).key(27);
    vb.call([&] {
        vb.on_present(nullptr);
        EXPECT_EQ(prompt_of(vb), kPrompt);
        for (const auto& [x, y] : {std::pair{19, 20}, std::pair{33, 20}, std::pair{40, 20},
                                   std::pair{19, 22}, std::pair{40, 22}, std::pair{25, 21}}) {
            EXPECT_EQ(code_at(x, y), 'Q') << x << "," << y;
        }
        EXPECT_EQ(tecla, 27) << "still asking";
    });
    vb.key('N');
    EXPECT_EQ(run_main(), RunEnd::Returned);
    // Drawn once and again after each of the four wrong codes.
    EXPECT_EQ(prompts_seen, 5);
}

}  // namespace
}  // namespace patrulha::testing
