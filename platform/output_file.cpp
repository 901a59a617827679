// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
#include "platform/output_file.h"

#include <cerrno>
#include <cstring>

namespace patrulha::platform {

OutputFile::~OutputFile() {
    close();
}

bool OutputFile::open(const std::string& path, std::string& error) {
    path_ = path;
    std::FILE* existing = std::fopen(path.c_str(), "rb");
    created_ = existing == nullptr;
    if (existing) std::fclose(existing);
    // Appending changes nothing yet: a file that was there stays whole
    // until the game starts.
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) {
        error = path + ": cannot be written: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool OutputFile::start() {
    if (!file_) return false;
    file_ = std::freopen(path_.c_str(), "wb", file_);
    started_ = file_ != nullptr;
    return started_;
}

bool OutputFile::close() {
    if (!file_) return true;
    const bool good = std::ferror(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!started_ && created_) std::remove(path_.c_str());
    return good && closed;
}

}  // namespace patrulha::platform
