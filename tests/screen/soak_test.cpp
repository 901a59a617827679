// Long unattended play with the real generator at every level: the rules'
// invariants hold after every frame.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "platform/runtime.h"
#include "tests/screen/game_test_support.h"

namespace patrulha::testing {
namespace {

class SoakTest : public GameTest, public ::testing::WithParamInterface<int> {};

TEST_P(SoakTest, TheRulesHoldFrameAfterFrame) {
    niveis[0] = niveis[GetParam()];
    platform::Runtime::instance().random().set_fallback(std::nullopt);
    constexpr int kFrames = 4000;
    int gained = 0, lost = 0, enemies_seen = 0;
    int last_vidas = -100;
    bool pickup_over_ship = false;
    std::string fault;
    const auto check = [&] {
        int ships = 0;
        for (int c = 0; c < 43; ++c) {
            for (int r = 0; r < 40; ++r) {
                const int g = matriz_tela[c][r];
                ships += g == nave;
                if ((g == 31 || g == 4 || g == 2 || g == 15) && r > LINHA_FUNDO_INIMIGOS) {
                    fault += "enemy below its zone at " + std::to_string(c) + "," +
                             std::to_string(r) + "\n";
                }
                if (g == 31 || g == 4 || g == 2 || g == 15) ++enemies_seen;
            }
        }
        if (ships > 1) fault += "two ships\n";
        if (last_vidas != -100 && vidas > last_vidas) {
            gained += vidas - last_vidas;
            if (!pickup_over_ship) fault += "a life gained with no pickup above the ship\n";
        }
        if (last_vidas != -100 && vidas < last_vidas) lost += last_vidas - vidas;
        last_vidas = vidas;
        pickup_over_ship = false;
        for (int c = 0; c < 43; ++c) {
            for (int r = 0; r < 39; ++r) {
                pickup_over_ship |= matriz_tela[c][r] == nave_vida && matriz_tela[c][r + 1] == nave;
            }
        }
    };
    for (int i = 0; i < kFrames; ++i) vb.after_polls(1).call(check);
    // A game over asks: the answer N ends the run.
    vb.key('n');
    const RunEnd end = run_main();
    const bool over = end == RunEnd::Returned;
    // After a game over the remaining checks run at once, inside the prompt.
    std::cout << "[ figures  ] level " << GetParam() + 1 << ": " << vb.polls() << " frames, "
              << enemies_seen << " enemy-frames, lives +" << gained << " -" << lost
              << (over ? ", game over" : "") << "\n";
    EXPECT_EQ(fault, "");
    EXPECT_GT(enemies_seen, 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, SoakTest, ::testing::Values(0, 1, 2, 3));

}  // namespace
}  // namespace patrulha::testing
