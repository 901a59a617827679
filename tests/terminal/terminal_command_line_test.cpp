// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The command line: --help and --version answer on standard output; any
// other argument is refused with the usage on standard error and status 2.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/tmux_session.h"
#include "tests/support/temp_dir.h"

namespace patrulha::testing {
namespace {

const std::string kBinary = PATRULHA_BINARY;

// Runs the binary with `arguments`, without a terminal; returns
// "<status>\n<stdout>---\n<stderr>".
std::string run(const std::string& arguments) {
    const TempDir d;
    return run_capture(kBinary + " " + arguments + " >" + d.file("out") + " 2>" + d.file("err") +
                       " </dev/null; echo $?; cat " + d.file("out") + "; echo ---; cat " +
                       d.file("err"));
}

TEST(TerminalCommandLine, HelpPrintsTheUsageWithTheKeys) {
    const std::string result = run("--help");
    ASSERT_EQ(result.substr(0, 2), "0\n") << result;
    const std::string out = result.substr(2, result.find("---\n") - 2);
    EXPECT_EQ(out.rfind("usage: patrulha", 0), 0u) << out;
    for (const char* key : {"Esc", "Z fire", "A special bomb", "S pause", "D quit", "arrows"})
        EXPECT_NE(out.find(key), std::string::npos) << key;
    EXPECT_EQ(result.substr(result.find("---\n") + 4), "") << "nothing on standard error";
}

TEST(TerminalCommandLine, VersionPrintsTheVersion) {
    EXPECT_EQ(run("--version"), "0\npatrulha " PATRULHA_VERSION "\n---\n");
}

TEST(TerminalCommandLine, AnyOtherArgumentIsRefusedWithStatusTwo) {
    // The argument named is the first one refused, not the good one before it.
    for (const auto& [arguments, refused] :
         std::vector<std::pair<std::string, std::string>>{{"--bogus", "--bogus"},
                                                          {"-h", "-h"},
                                                          {"1", "1"},
                                                          {"--help --version", "--version"},
                                                          {"--version x", "x"},
                                                          {"--help extra", "extra"},
                                                          {"''", ""}}) {
        SCOPED_TRACE(arguments);
        const std::string result = run(arguments);
        ASSERT_EQ(result.substr(0, 6), "2\n---\n") << "status 2, nothing on standard output:\n"
                                                   << result;
        const std::string err = result.substr(6);
        EXPECT_EQ(err.rfind("patrulha: unknown argument '" + refused + "'\n", 0), 0u) << err;
        EXPECT_NE(err.find("usage: patrulha"), std::string::npos) << err;
    }
}

TEST(TerminalCommandLine, AnAnswerThatCannotBeWrittenIsAFailure) {
    if (run_capture("test -w /dev/full && echo yes") != "yes\n") GTEST_SKIP() << "no /dev/full";
    for (const char* argument : {"--help", "--version"}) {
        SCOPED_TRACE(argument);
        EXPECT_EQ(run_capture(kBinary + " " + argument + " >/dev/full 2>/dev/null; echo $?"),
                  "1\n");
    }
}

}  // namespace
}  // namespace patrulha::testing
