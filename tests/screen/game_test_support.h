// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What the game's screen tests share: a fixture that runs the real main on
// the virtual backend with the difficulty table put back afterwards, and
// helpers to read the grid and the playfield on screen.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "game/estado.h"
#include "game/jogo.h"
#include "tests/support/harness.h"

namespace patrulha::testing {

class GameTest : public ConsoleTest {
protected:
    GameTest() {
        std::copy(std::begin(niveis), std::end(niveis), saved_.begin());
        // Quiet frames: with 3, no enemy fires or moves, nothing spawns and
        // no asteroid falls at the first level.
        vb.steady_rand(3);
        // The program starts at the menu: its title screen takes the first
        // draw for the banner, then '1' takes the first level. A test that
        // goes back to the menu ('C', or S at the game-over prompt) queues
        // the next '1' itself.
        vb.force_rand({1}).key('1');
    }
    ~GameTest() override { std::copy(saved_.begin(), saved_.end(), std::begin(niveis)); }

    // How many cells of the grid hold `glyph`.
    static int count_in_grid(int glyph) {
        int n = 0;
        for (const auto& column : matriz_tela) {
            for (const unsigned char cell : column) n += cell == glyph;
        }
        return n;
    }

    // Console time since the runtime was attached, in microseconds.
    static std::int64_t console_time() {
        return platform::Runtime::instance().clock().console_time();
    }

    static void clear_grid() {
        for (auto& column : matriz_tela) std::fill(std::begin(column), std::end(column), 0);
    }

    // The screen cell of grid cell (c, r).
    int field_code(int c, int r) const { return code_at(c + 2, r + 2); }
    int field_attribute(int c, int r) const { return attribute_at(c + 2, r + 2); }

    // Rows `from` to `to` of the playfield on screen (grid rows), one line
    // each, blanks as '.', the game's glyphs as letters: S ship, ^ player's
    // shot, o enemy shot, 1-4 enemies, # asteroid, + pickup; any other code
    // as itself.
    std::string field_picture(int from, int to, int col_from = 0, int col_to = 42) const {
        return picture_of([this](int c, int r) { return field_code(c, r); }, from, to, col_from,
                          col_to);
    }

    // The same for the grid itself.
    static std::string grid_picture(int from, int to, int col_from = 0, int col_to = 42) {
        return picture_of([](int c, int r) { return int{matriz_tela[c][r]}; }, from, to, col_from,
                          col_to);
    }

    template <typename CodeAt>
    static std::string picture_of(CodeAt code_at, int from, int to, int col_from, int col_to) {
        std::string out;
        for (int r = from; r <= to; ++r) {
            for (int c = col_from; c <= col_to; ++c) out += symbol(code_at(c, r));
            out += '\n';
        }
        return out;
    }

    static char symbol(int code) {
        if (code == ' ' || code == 0) return '.';
        if (code == 5) return 'S';
        if (code == 127) return '^';
        if (code == 111) return 'o';
        if (code == 31) return '1';
        if (code == 4) return '2';
        if (code == 2) return '3';
        if (code == 15) return '4';
        if (code == 219) return '#';
        if (code == 3) return '+';
        return static_cast<char>(code);
    }

    std::array<nivel_dificuldade, 4> saved_{};
};

}  // namespace patrulha::testing
