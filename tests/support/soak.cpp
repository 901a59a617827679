// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The invariants, checked at every frame and at every wait:
//   - every cell of the grid holds 0 or the glyph of a known kind,
//   - at most one cell holds the ship, and no enemy is below its zone,
//   - the ship's cell and the counters stay in their ranges (lives may
//     reach -1: a falling object can still hit in the frame that ended the
//     game),
//   - the score never falls within a game,
//   - a life is gained only where a pickup was within the ship's reach the
//     frame before: right above it, or a move away from that.
#include "tests/support/soak.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <random>

#include "game/estado.h"
#include "game/game.h"
#include "platform/runtime.h"

namespace patrulha::testing {

const char* const SoakReport::kKindNames[SoakReport::kKinds] = {
    "ship",    "asteroid",   "enemy 1", "enemy 2",   "enemy 3",
    "enemy 4", "extra life", "shot",    "enemy shot"};

namespace {

using platform::Runtime;
using platform::VirtualBackend;

// The glyphs of the two kinds of shot: values of main, not globals.
constexpr int kTiro = 127;
constexpr int kTiroInimigo = 111;

// The ship glyphs the options screen offers.
constexpr int kShipGlyphs[] = {5, 6, 190};

struct SoakOver {};

struct Failure {
    std::string what;
};

class Soak {
public:
    Soak(VirtualBackend& backend, const SoakOptions& options)
        : vb_(backend), options_(options), random_(options.seed) {}

    SoakReport run() {
        Runtime::instance().random().set_fallback(std::nullopt);
        report_.min_lives = 1 << 30;
        last_polls_ = vb_.polls();
        schedule(false);
        try {
            for (;;) {
                Runtime::instance().attach(vb_);
                ++report_.runs;
                last_score_ = -1;
                last_lives_ = kUnknown;
                patrulha::main();  // returns when the program ends; start it again
            }
        } catch (const SoakOver&) {
        } catch (const Failure& failure) {
            report_.failure = failure.what;
        }
        return report_;
    }

private:
    static constexpr int kUnknown = -100;

    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // The next look at the game, after the keys queued so far: at the next
    // poll, or at once where the game waits for a key first.
    void schedule(bool keyed) {
        vb_.after_polls(keyed ? 0 : 1).call([this] { step(); });
    }

    // A poll of the game loop (one frame played) or a wait for a key.
    void step() {
        const bool frame = vb_.polls() != last_polls_;
        last_polls_ = vb_.polls();
        check_invariants(frame);
        if (report_.frames >= options_.frames) throw SoakOver{};
        bool keyed = true;
        if (frame) {
            ++report_.frames;
            keyed = chance(options_.key_odds);
            if (keyed) play_key();
        } else {
            ++report_.waits;
            if (shows_game_over()) ++report_.game_overs;
            answer_wait();
        }
        schedule(keyed);
    }

    // A key during play: mostly moves and shots, now and then a bomb, a
    // re-centring, a pause, a key of no command, and rarely leaving the
    // game or the program.
    void play_key() {
        const int r = pick(1000);
        if (r < 550) {
            static constexpr int kArrows[] = {72, 80, 75, 77};
            vb_.key(pick(2) ? 224 : 0).key(kArrows[pick(4)]);
        } else if (r < 850) {
            vb_.key(pick(2) ? 'z' : 'Z');
        } else if (r < 900) {
            vb_.key(pick(2) ? 'x' : 'X');
        } else if (r < 930) {
            vb_.key(pick(2) ? 'a' : 'A');
        } else if (r < 945) {
            vb_.key('s');
        } else if (r < 997) {
            static constexpr int kOthers[] = {27, 13, 'q', 'H', 'P', 'K', 'M', 0, 224, 255, 1};
            vb_.key(kOthers[pick(11)]);
        } else if (r < 999) {
            vb_.key('c');
        } else {
            vb_.key('d');
        }
    }

    // The program waits for a key: at the menu, on the options screen, in a
    // pause or at the game-over prompt. Answered at random, with a bias
    // towards playing on; at the menu with the soak's level where it has one.
    void answer_wait() {
        if (options_.level > 0 && shows_menu()) {
            vb_.key('0' + options_.level);
            return;
        }
        const int r = pick(100);
        if (r < 40) {
            vb_.key('1' + pick(4));  // a difficulty, or an option
        } else if (r < 55) {
            vb_.key(pick(2) ? 's' : 'S');  // play again, or resume
        } else if (r < 62) {
            vb_.key(pick(2) ? 'n' : 'N');  // end the program
        } else if (r < 72) {
            vb_.key('5' + pick(5));  // the options screen, and its keys
        } else if (r < 80) {
            vb_.key(27);
        } else {
            static constexpr int kOthers[] = {'x', 'q', 13, 0, 224, 72, 'c', 'd'};
            vb_.key(kOthers[pick(8)]);
        }
    }

    bool shows(const char* text) const { return vb_.picture().find(text) != std::string::npos; }
    bool shows_game_over() const { return shows("GAME OVER"); }
    bool shows_menu() const { return shows("ESCOLHA NIVEL DE DIFICULDADE"); }

    [[noreturn]] void fail(const std::string& what) {
        throw Failure{"frame " + std::to_string(report_.frames) + " (seed " +
                      std::to_string(options_.seed) + "): " + what};
    }

    // Whether a pickup stands where the ship can take it within a frame:
    // right above it, or one move of the ship away from that.
    static bool pickup_within_reach() {
        for (int dc = -1; dc <= 1; ++dc)
            for (int dr = -2; dr <= 0; ++dr) {
                const int c = col_nave + dc, r = lin_nave + dr;
                if (c >= 0 && c < COLUNAS_CAMPO && r >= 0 && r < LINHAS_CAMPO &&
                    matriz_tela[c][r] == nave_vida && !(dc == 0 && dr == 0))
                    return true;
            }
        return false;
    }

    void check_invariants(bool frame) {
        bool ship_glyph_known = false;
        for (const int g : kShipGlyphs) ship_glyph_known |= nave == g;
        if (!ship_glyph_known) fail("the ship's glyph is " + std::to_string(nave));

        const int kinds[SoakReport::kKinds] = {nave,     asteroide, inimigo1, inimigo2,    inimigo3,
                                               inimigo4, nave_vida, kTiro,    kTiroInimigo};
        int ships = 0;
        for (int c = 0; c < COLUNAS_CAMPO; ++c)
            for (int r = 0; r < LINHAS_CAMPO; ++r) {
                const int code = matriz_tela[c][r];
                if (code == 0) continue;
                bool known = false;
                for (const int k : kinds) known |= code == k;
                if (!known)
                    fail("cell (" + std::to_string(c) + ", " + std::to_string(r) + ") holds " +
                         std::to_string(code));
                if (code == nave) ++ships;
                const bool enemy =
                    code == inimigo1 || code == inimigo2 || code == inimigo3 || code == inimigo4;
                if (enemy && r > LINHA_FUNDO_INIMIGOS)
                    fail("an enemy below its zone at (" + std::to_string(c) + ", " +
                         std::to_string(r) + ")");
                if (frame)
                    for (std::size_t k = 0; k < std::size(kinds); ++k)
                        if (code == kinds[k]) ++report_.cells_of_kind[k];
            }
        if (ships > 1) fail(std::to_string(ships) + " cells hold the ship");

        if (col_nave < 0 || col_nave >= COLUNAS_CAMPO || lin_nave < 0 || lin_nave >= LINHAS_CAMPO)
            fail("the ship's cell is (" + std::to_string(col_nave) + ", " +
                 std::to_string(lin_nave) + ")");
        // Lives start at 4 at most and grow by one pickup at a time, one in
        // 400 frames at best.
        if (vidas < -1 || vidas > 4 + report_.frames / 100 + 1)
            fail("lives are " + std::to_string(vidas));
        if (pontos < 0) fail("the score is " + std::to_string(pontos));
        if (nbombas < 0) fail("bombs are " + std::to_string(nbombas));
        if (bomba_aux < 0 || bomba_aux > 249)
            fail("points towards the next bomb are " + std::to_string(bomba_aux));

        // Within a game the score only grows; a new game starts it at 0.
        if (pontos != 0 && last_score_ >= 0 && pontos < last_score_)
            fail("the score fell from " + std::to_string(last_score_) + " to " +
                 std::to_string(pontos));
        last_score_ = pontos;

        if (!frame) {
            // A new game, which only a wait can lead to, sets the lives anew.
            last_lives_ = kUnknown;
        } else {
            if (last_lives_ != kUnknown && vidas > last_lives_) {
                report_.lives_gained += vidas - last_lives_;
                if (!pickup_was_within_reach_)
                    fail("a life gained with no pickup within the ship's reach");
            }
            if (last_lives_ != kUnknown && vidas < last_lives_)
                report_.lives_lost += last_lives_ - vidas;
            last_lives_ = vidas;
            pickup_was_within_reach_ = pickup_within_reach();
        }
        report_.max_score = std::max(report_.max_score, pontos);
        report_.max_lives = std::max(report_.max_lives, vidas);
        report_.min_lives = std::min(report_.min_lives, vidas);
    }

    VirtualBackend& vb_;
    SoakOptions options_;
    std::mt19937 random_;
    SoakReport report_;
    int last_polls_ = -1;
    int last_score_ = -1;
    int last_lives_ = kUnknown;
    bool pickup_was_within_reach_ = false;
};

}  // namespace

SoakReport run_soak(VirtualBackend& backend, const SoakOptions& options) {
    return Soak(backend, options).run();
}

}  // namespace patrulha::testing
