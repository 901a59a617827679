// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The benchmark's terminals answer status questions (CSI 5 n) as real ones
// do: the game asks them now and then to learn how far behind the screen
// is, and an answer costs it a wake and a read.
#pragma once

#include <string>
#include <string_view>

namespace patrulha::bench {

class StatusAnswers {
public:
    static constexpr std::string_view kAnswer = "\x1b[0n";

    // How many questions end in `bytes`, the program's output after what
    // was given before.
    int questions(std::string_view bytes) {
        static constexpr std::string_view kQuestion = "\x1b[5n";
        tail_ += bytes;
        int count = 0;
        for (std::size_t at = 0; (at = tail_.find(kQuestion, at)) != std::string::npos;
             at += kQuestion.size())
            ++count;
        // Only the start of a question can be left over.
        if (tail_.size() >= kQuestion.size()) tail_.erase(0, tail_.size() - (kQuestion.size() - 1));
        return count;
    }

private:
    std::string tail_;
};

}  // namespace patrulha::bench
