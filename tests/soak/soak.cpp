// The soak: the whole program, played for a great many frames with random
// keys on an in-memory backend, built with AddressSanitizer and
// UndefinedBehaviorSanitizer, checking the game's invariants at every frame:
//   - every cell of the grid holds 0 or the glyph of a known kind,
//   - at most one cell holds the ship,
//   - the ship's cell and the counters stay in their ranges (lives may
//     reach -1: a falling object can still hit in the frame that ended the
//     game),
//   - the score never falls within a game,
// while the sanitizers stop the run at any access outside the grid or any
// other undefined behaviour. Game-over prompts, menus, the options screen
// and pauses are answered at random; when the program ends, it starts
// again.
//
//   patrulha_soak [--frames N] [--seed S] [--key-odds P]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <string>

#include "game/estado.h"
#include "game/game.h"
#include "platform/backend.h"
#include "platform/runtime.h"

namespace {

using patrulha::platform::Backend;
using patrulha::platform::ConsoleBuffer;
using patrulha::platform::Runtime;

// The glyphs of the two kinds of shot: values of main, not globals.
constexpr int kTiro = 127;
constexpr int kTiroInimigo = 111;

// The ship glyphs the options screen offers.
constexpr int kShipGlyphs[] = {5, 6, 190};

struct SoakOver {};

struct Failure {
    std::string what;
};

// An in-memory terminal: a virtual clock that follows console time, no
// output, keys drawn at random.
class SoakBackend final : public Backend {
public:
    SoakBackend(std::uint32_t seed, long frames, double key_odds)
        : random_(seed), frames_(frames), key_odds_(key_odds), seed_(seed) {}

    void present(const ConsoleBuffer&) override {}
    std::int64_t now_us() override { return now_us_; }
    void sleep_us(std::int64_t us) override { now_us_ += us; }
    void beep(unsigned, unsigned) override {}
    void bell() override {}
    void synthesised_key(int, int, unsigned) override {}
    void request_full_console() override {}
    std::time_t wall_time() override { return static_cast<std::time_t>(seed_ + runs_); }

    void read_keys(std::deque<int>& keys, bool wait) override {
        if (wait) {
            answer_wait(keys);
            return;
        }
        // A keyboard poll of the game loop: one frame has been played.
        check_invariants();
        if (++frames_played_ >= frames_) throw SoakOver{};
        if (chance(key_odds_)) play_key(keys);
    }

    long frames_played() const { return frames_played_; }
    long waits() const { return waits_; }
    void program_started() {
        ++runs_;
        last_score_ = -1;
    }
    long runs() const { return runs_; }

private:
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // A key during play: mostly moves and shots, now and then a bomb, a
    // re-centring, a pause, a key of no command, and rarely leaving the
    // game or the program.
    void play_key(std::deque<int>& keys) {
        const int r = pick(1000);
        if (r < 550) {
            static constexpr int kArrows[] = {72, 80, 75, 77};
            keys.push_back(pick(2) ? 224 : 0);
            keys.push_back(kArrows[pick(4)]);
        } else if (r < 850) {
            keys.push_back(pick(2) ? 'z' : 'Z');
        } else if (r < 900) {
            keys.push_back(pick(2) ? 'x' : 'X');
        } else if (r < 930) {
            keys.push_back(pick(2) ? 'a' : 'A');
        } else if (r < 945) {
            keys.push_back('s');
        } else if (r < 997) {
            static constexpr int kOthers[] = {27, 13, 'q', 'H', 'P', 'K', 'M', 0, 224, 255, 1};
            keys.push_back(kOthers[pick(11)]);
        } else if (r < 999) {
            keys.push_back('c');
        } else {
            keys.push_back('d');
        }
    }

    // The program waits for a key: at the menu, on the options screen, in a
    // pause or at the game-over prompt. Answered at random, with a bias
    // towards playing on.
    void answer_wait(std::deque<int>& keys) {
        ++waits_;
        check_invariants();
        if (shows_game_over()) ++game_overs_;
        if (frames_played_ >= frames_) throw SoakOver{};
        const int r = pick(100);
        if (r < 40) {
            keys.push_back('1' + pick(4));  // a difficulty, or an option
        } else if (r < 55) {
            keys.push_back(pick(2) ? 's' : 'S');  // play again, or resume
        } else if (r < 62) {
            keys.push_back(pick(2) ? 'n' : 'N');  // end the program
        } else if (r < 72) {
            keys.push_back('5' + pick(5));  // the options screen, and its keys
        } else if (r < 80) {
            keys.push_back(27);
        } else {
            static constexpr int kOthers[] = {'x', 'q', 13, 0, 224, 72, 'c', 'd'};
            keys.push_back(kOthers[pick(8)]);
        }
    }

    static bool shows_game_over() {
        const ConsoleBuffer& console = Runtime::instance().console();
        static constexpr char kText[] = "GAME OVER";
        for (int y = 0; y < ConsoleBuffer::kHeight; ++y) {
            std::string row;
            for (int x = 0; x < ConsoleBuffer::kWidth; ++x)
                row += static_cast<char>(console.at({x, y}).code);
            if (row.find(kText) != std::string::npos) return true;
        }
        return false;
    }

    [[noreturn]] void fail(const std::string& what) {
        throw Failure{"frame " + std::to_string(frames_played_) + " (seed " +
                      std::to_string(seed_) + "): " + what};
    }

    void check_invariants() {
        using namespace patrulha;
        bool ship_glyph_known = false;
        for (const int g : kShipGlyphs) ship_glyph_known |= nave == g;
        if (!ship_glyph_known) fail("the ship's glyph is " + std::to_string(nave));

        const int kinds[] = {nave,     asteroide, inimigo1, inimigo2,     inimigo3,
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
                for (std::size_t k = 0; k < std::size(kinds); ++k)
                    if (code == kinds[k]) ++cells_of_kind_[k];
            }
        if (ships > 1) fail(std::to_string(ships) + " cells hold the ship");

        if (col_nave < 0 || col_nave >= COLUNAS_CAMPO || lin_nave < 0 || lin_nave >= LINHAS_CAMPO)
            fail("the ship's cell is (" + std::to_string(col_nave) + ", " +
                 std::to_string(lin_nave) + ")");
        // Lives start at 4 at most and grow by one pickup at a time, one in
        // 400 frames at best.
        if (vidas < -1 || vidas > 4 + frames_played_ / 100 + 1)
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
        max_score_ = std::max(max_score_, pontos);
        max_lives_ = std::max(max_lives_, vidas);
        min_lives_ = std::min(min_lives_, vidas);
    }

public:
    // What the run went through, so that a reader can judge its reach.
    void print_coverage() const {
        static constexpr const char* kNames[] = {"ship",    "asteroid", "enemy 1",
                                                 "enemy 2", "enemy 3",  "enemy 4",
                                                 "extra life", "shot",  "enemy shot"};
        std::printf("soak: %ld game-over prompts, score up to %d, lives from %d to %d\n",
                    game_overs_, max_score_, min_lives_, max_lives_);
        std::printf("soak: cell-frames by kind:");
        for (std::size_t k = 0; k < std::size(kNames); ++k)
            std::printf(" %s %lld%s", kNames[k], cells_of_kind_[k],
                        k + 1 < std::size(kNames) ? "," : "\n");
    }

private:

    std::mt19937 random_;
    long frames_;
    double key_odds_;
    std::uint32_t seed_;
    std::int64_t now_us_ = 0;
    long frames_played_ = 0;
    long waits_ = 0;
    long runs_ = 0;
    int last_score_ = -1;
    long game_overs_ = 0;
    int max_score_ = 0;
    int max_lives_ = 0;
    int min_lives_ = 1 << 30;
    long long cells_of_kind_[9] = {};
};

int usage() {
    std::fputs("usage: patrulha_soak [--frames N] [--seed S] [--key-odds P]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long frames = 1'000'000;
    std::uint32_t seed = 1;
    double key_odds = 0.2;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc) return usage();
        const std::string arg = argv[i];
        const char* value = argv[++i];
        if (arg == "--frames") frames = std::atol(value);
        else if (arg == "--seed") seed = static_cast<std::uint32_t>(std::atol(value));
        else if (arg == "--key-odds") key_odds = std::atof(value);
        else return usage();
    }

    SoakBackend backend(seed, frames, key_odds);
    try {
        for (;;) {
            Runtime::instance().attach(backend);
            backend.program_started();
            patrulha::main();  // returns when the program ends; start it again
        }
    } catch (const SoakOver&) {
    } catch (const Failure& failure) {
        std::fprintf(stderr, "soak: invariant broken at %s\n", failure.what.c_str());
        return 1;
    }
    Runtime::instance().detach();
    std::printf("soak: %ld frames, %ld key waits, %ld program runs, seed %u: invariants held\n",
                backend.frames_played(), backend.waits(), backend.runs(), seed);
    backend.print_coverage();
    return 0;
}
