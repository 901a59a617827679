// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The command line's options: each read as given, and every misuse refused
// with status 2 and one line saying what is wrong.
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace patrulha::testing {
namespace {

using platform::answer_command_line;
using platform::Options;
using platform::SoundChoice;

constexpr unsigned kAll = platform::kRecordAndReplay | platform::kCast | platform::kSound;

// Parses `words` (after the program's name) with the options `accepted`;
// the status, and what went to standard error in `err`.
int parse(std::vector<std::string> words, Options& options, std::string& err,
          unsigned accepted = kAll) {
    std::vector<char*> argv{const_cast<char*>("patrulha")};
    for (std::string& word : words) argv.push_back(word.data());
    ::testing::internal::CaptureStderr();
    const int status =
        answer_command_line(static_cast<int>(argv.size()), argv.data(), options, accepted);
    err = ::testing::internal::GetCapturedStderr();
    return status;
}

TEST(CommandLine, OptionsAreReadWithTheirValuesInEitherForm) {
    Options options;
    std::string err;
    ASSERT_EQ(parse({"--record", "a.rep", "--cast=a.cast", "--sound=bell"}, options, err), -1)
        << err;
    EXPECT_EQ(options.record, "a.rep");
    EXPECT_EQ(options.cast, "a.cast");
    EXPECT_EQ(options.sound, SoundChoice::bell);
    ASSERT_EQ(parse({"--replay=b.rep", "--sound", "off"}, options, err), -1) << err;
    EXPECT_EQ(options.replay, "b.rep");
    EXPECT_EQ(options.record, "") << "each parse starts afresh";
    EXPECT_EQ(options.sound, SoundChoice::off);
    ASSERT_EQ(parse({}, options, err), -1);
    EXPECT_EQ(options.sound, SoundChoice::automatic);
}

TEST(CommandLine, MisusesAreRefusedWithStatusTwoAndWhatIsWrong) {
    struct Case {
        std::vector<std::string> words;
        std::string line;
        unsigned accepted = kAll;
    };
    const std::vector<Case> cases = {
        {{"--record", "a", "--record", "b"}, "--record given twice"},
        {{"--sound=off", "--sound=bell"}, "--sound given twice"},
        {{"--record", "a", "--replay", "b"}, "--record and --replay cannot go together"},
        {{"--replay", "a", "--cast", "a"}, "--cast names the same file as --replay"},
        {{"--record"}, "--record needs a file name"},
        {{"--cast="}, "--cast needs a file name"},
        {{"--sound"}, "--sound needs a value"},
        {{"--sound=loud"}, "unknown sound 'loud' (auto, device, bell or off)"},
        {{"--cast", "x"}, "unknown argument '--cast'", platform::kRecordAndReplay},
        {{"--record=a", "extra"}, "unknown argument 'extra'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Options options;
        std::string err;
        EXPECT_EQ(parse(c.words, options, err, c.accepted), 2);
        EXPECT_EQ(err.substr(0, err.find('\n')), "patrulha: " + c.line);
        EXPECT_NE(err.find("\nusage: patrulha"), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace patrulha::testing
