// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A recording of what the terminal was sent, as an asciicast (version 2): a
// JSON header line, then one [seconds, "o", data] line for each write.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace patrulha::platform {

class Asciicast {
public:
    // Writes the header to `file` (which the caller owns and closes): the
    // console's 80 x 42, `term` as the terminal type, `started` as the
    // recording's date. With `flush_each`, every event goes to the file at
    // once, so that a crash leaves it playable up to that moment.
    Asciicast(std::FILE* file, const std::string& term, std::time_t started, bool flush_each);

    // One write of `bytes` to the terminal, `us` microseconds after the
    // start. A time earlier than the last is taken as the last: the times
    // never go backwards.
    void output(std::int64_t us, std::string_view bytes);

    // Whether every event got to the file so far.
    bool good() const { return std::ferror(file_) == 0; }

private:
    std::FILE* file_;
    bool flush_each_;
    std::int64_t last_us_ = 0;
    std::string line_;
};

// `bytes` as the body of a JSON string: UTF-8 sequences kept, control
// characters and any byte that is not UTF-8 escaped.
std::string json_escaped(std::string_view bytes);

}  // namespace patrulha::platform
