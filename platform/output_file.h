// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A file the program writes at the player's request (a replay, a cast):
// checked before anything else is done, emptied only once the game really
// starts, and removed again where it was made for a game that never started.
#pragma once

#include <cstdio>
#include <string>

namespace patrulha::platform {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens `path` for writing without changing what it holds. False, with
    // `error` saying why ("FILE: cannot be written: ..."), when it cannot.
    bool open(const std::string& path, std::string& error);
    bool is_open() const { return file_ != nullptr; }

    // The game starts: the file is emptied for what comes.
    bool start();
    std::FILE* get() const { return file_; }

    // Closes it; a file that never started is left as it was found (removed
    // where it did not exist). False when what was written did not all get
    // to the file.
    bool close();
    // Closes it as one that never started: a game that could not begin
    // leaves no file behind.
    void abandon() {
        started_ = false;
        close();
    }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    bool created_ = false;
    bool started_ = false;
};

}  // namespace patrulha::platform
