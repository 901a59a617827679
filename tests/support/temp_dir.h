// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// A temporary folder that is removed with everything in it when the test
// that made it ends, passed or failed.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace patrulha::testing {

class TempDir {
public:
    TempDir() {
        std::string name =
            (std::filesystem::temp_directory_path() / "patrulha-test-XXXXXX").string();
        if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a temporary folder");
        path_ = name;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` inside the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace patrulha::testing
