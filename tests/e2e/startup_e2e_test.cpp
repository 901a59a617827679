// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The real binary in a real terminal: it starts, ends on a key, and gives
// the terminal back as it found it; it refuses to run without a terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/terminal_e2e_support.h"
#include "tests/support/temp_dir.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = kPatrulha;

TEST(StartupE2E, EndsOnAKeyAndRestoresTheTerminal) {
    TmuxSession s(recorded(kBinary));
    ASSERT_TRUE(s.wait_for_alternate_screen(true)) << s.capture();
    s.send_keys({"Escape"});  // ESC at the menu ends the program
    expect_clean_end(s);
}

TEST(StartupE2E, WithoutATerminalItSaysSoAndExitsWithOne) {
    const TempDir d;
    const std::string result = run_capture(kBinary + " </dev/null >/dev/null 2>" + d.file("err") +
                                           "; echo $?; cat " + d.file("err"));
    EXPECT_EQ(result.substr(0, 2), "1\n");
    EXPECT_NE(result.find("interactive terminal"), std::string::npos) << result;
    EXPECT_EQ(std::count(result.begin(), result.end(), '\n'), 2) << "one line of message";
}

}  // namespace
}  // namespace patrulha::testing
