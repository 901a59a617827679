// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Keys as a terminal sends them: raw byte sequences written into a
// pseudo-terminal, read on its other side by the real terminal backend,
// which reads them raw and decodes them with the key decoder. A child
// process runs the backend on the terminal and reports each decoded code
// down a pipe.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/key_reporter.h"
#include "tests/support/pty_child.h"

namespace patrulha::testing {
namespace {

using namespace std::chrono_literals;

// The time between two bursts of input, counted from when the child has
// read the first: longer than the backend waits for the rest of an escape
// sequence (25 ms) and than the decoder holds a broken one (100 ms).
constexpr auto kBurstGap = 250ms;

struct KeyCase {
    const char* name;
    std::vector<std::string> bursts;  // written with a pause between them
    std::vector<int> codes;
};

// Sends each case's bursts to a fresh child and checks the codes it decoded.
void check_cases(const std::vector<KeyCase>& cases, const char* term = "xterm-256color") {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PtyChild child([term](int codes_fd) { report_decoded_keys(codes_fd, term); });
        ASSERT_TRUE(child.wait_until([&] { return has_line(child.report(), "ready"); }))
            << child.report();
        for (std::size_t i = 0; i < c.bursts.size(); ++i) {
            if (i > 0) {
                // The burst before has been read; time passes before this
                // one, as between two presses of a key.
                ASSERT_TRUE(child.wait_until([&] { return child.input_taken(); }));
                child.pause(kBurstGap);
            }
            child.type(c.bursts[i]);
        }
        // Everything the case expects, then the end mark in a read of its
        // own: anything decoded late shows up before it.
        child.wait_until([&] { return reported_codes(child.report()) == c.codes; });
        ASSERT_TRUE(child.wait_until([&] { return child.input_taken(); }));
        child.type(std::string(1, kSentinel));
        ASSERT_TRUE(child.wait_until([&] {
            return has_line(child.report(), std::to_string(kSentinel));
        })) << "the child did not echo the end mark: "
            << child.report();
        EXPECT_EQ(reported_codes(child.report()), c.codes);
    }
}

// ==== The table ====

TEST(KeyDecodingPty, CursorKeysInNormalAndApplicationMode) {
    check_cases({
        {"Up, application mode", {"\x1bOA"}, {224, 72}},
        {"Down, application mode", {"\x1bOB"}, {224, 80}},
        {"Right, application mode", {"\x1bOC"}, {224, 77}},
        {"Left, application mode", {"\x1bOD"}, {224, 75}},
        {"Up, normal mode", {"\x1b[A"}, {224, 72}},
        {"Down, normal mode", {"\x1b[B"}, {224, 80}},
        {"Right, normal mode", {"\x1b[C"}, {224, 77}},
        {"Left, normal mode", {"\x1b[D"}, {224, 75}},
    });
}

TEST(KeyDecodingPty, EditingKeys) {
    check_cases({
        {"Home, application mode", {"\x1bOH"}, {224, 71}},
        {"End, application mode", {"\x1bOF"}, {224, 79}},
        {"Home, normal mode", {"\x1b[H"}, {224, 71}},
        {"End, normal mode", {"\x1b[F"}, {224, 79}},
        {"Home, as VT220 keyboards send it", {"\x1b[1~"}, {224, 71}},
        {"End, as VT220 keyboards send it", {"\x1b[4~"}, {224, 79}},
        {"Page Up", {"\x1b[5~"}, {224, 73}},
        {"Page Down", {"\x1b[6~"}, {224, 81}},
        {"Insert", {"\x1b[2~"}, {224, 82}},
        {"Delete", {"\x1b[3~"}, {224, 83}},
    });
}

TEST(KeyDecodingPty, FunctionKeys) {
    check_cases({
        {"F1", {"\x1bOP"}, {0, 59}},
        {"F2", {"\x1bOQ"}, {0, 60}},
        {"F3", {"\x1bOR"}, {0, 61}},
        {"F4", {"\x1bOS"}, {0, 62}},
        {"F5", {"\x1b[15~"}, {0, 63}},
        {"F6", {"\x1b[17~"}, {0, 64}},
        {"F7", {"\x1b[18~"}, {0, 65}},
        {"F8", {"\x1b[19~"}, {0, 66}},
        {"F9", {"\x1b[20~"}, {0, 67}},
        {"F10", {"\x1b[21~"}, {0, 68}},
        {"F11", {"\x1b[23~"}, {224, 133}},
        {"F12", {"\x1b[24~"}, {224, 134}},
        {"F1 as VT100 keyboards number it", {"\x1b[11~"}, {0, 59}},
        {"F4 as VT100 keyboards number it", {"\x1b[14~"}, {0, 62}},
    });
}

TEST(KeyDecodingPty, ControlKeys) {
    check_cases({
        {"Enter", {"\r"}, {13}},
        {"Backspace as DEL", {"\x7f"}, {8}},
        {"Backspace as BS", {"\x08"}, {8}},
        {"Tab", {"\t"}, {9}},
        {"printable ASCII", {"aZ5 ~"}, {'a', 'Z', '5', ' ', '~'}},
    });
}

TEST(KeyDecodingPty, EscapeAloneAndWithKeys) {
    check_cases({
        {"Esc alone", {"\x1b"}, {27}},
        {"Esc, then ordinary keys in a later burst", {"\x1b", "ab"}, {27, 'a', 'b'}},
        {"Esc, then a digit in a later burst", {"\x1b", "2"}, {27, '2'}},
        {"Esc twice in one burst", {"\x1b\x1b"}, {27, 27}},
        {"Alt+X in one burst", {"\x1bx"}, {0, 45}},
        {"Alt+A and Alt+Q",
         {"\x1b"
          "a",
          "\x1bq"},
         {0, 30, 0, 16}},
        {"Alt+1",
         {"\x1b"
          "1"},
         {0, 120}},
        {"Alt+0",
         {"\x1b"
          "0"},
         {0, 129}},
    });
}

TEST(KeyDecodingPty, UnknownAndTruncatedSequencesAreDroppedWhole) {
    check_cases({
        {"an unknown CSI key", {"\x1b[99~"}, {}},
        {"an unknown CSI key, then a digit",
         {"\x1b[57~"
          "2"},
         {'2'}},
        {"Ctrl+Up", {"\x1b[1;5A"}, {}},
        {"a pasted text's start mark", {"\x1b[200~"}, {}},
        {"an unknown SS3 key", {"\x1bOx"}, {}},
        {"an operating-system string",
         {"\x1b]0;x\x07"
          "k"},
         {'k'}},
        {"a truncated CSI, then a key in a later burst", {"\x1b[1", "5"}, {'5'}},
        {"a bare CSI, then a key in a later burst", {"\x1b[", "z"}, {'z'}},
        {"a truncated CSI with a parameter list", {"\x1b[1;", "2"}, {'2'}},
    });
}

TEST(KeyDecodingPty, TypedCharactersBecomeTheirCodePageCodes) {
    check_cases({
        {"c cedilla", {"\xc3\xa7"}, {135}},
        {"a tilde", {"\xc3\xa3"}, {198}},
        {"capital C cedilla and e acute", {"\xc3\x87\xc3\xa9"}, {128, 130}},
        {"the euro sign, which has no code",
         {"\xe2\x82\xac"
          "e"},
         {'e'}},
    });
}

TEST(KeyDecodingPty, UnderTheLinuxConsolesDescription) {
    check_cases(
        {
            {"F1", {"\x1b[[A"}, {0, 59}},
            {"F5", {"\x1b[[E"}, {0, 63}},
            {"F6", {"\x1b[17~"}, {0, 64}},
            {"Up", {"\x1b[A"}, {224, 72}},
            {"Up, application mode", {"\x1bOA"}, {224, 72}},
            {"Home", {"\x1b[1~"}, {224, 71}},
            {"End", {"\x1b[4~"}, {224, 79}},
            {"Backspace", {"\x7f"}, {8}},
            {"Alt+X", {"\x1bx"}, {0, 45}},
        },
        "linux");
}

TEST(KeyDecodingPty, ABurstOfManyKeys) {
    // As many as the type-ahead holds (seven rounds of nine codes); what
    // happens beyond is in type_ahead_pty_test.cpp.
    std::string burst;
    std::vector<int> codes;
    for (int i = 0; i < 7; ++i) {
        burst += "z";
        codes.push_back('z');
        burst += "\x1bOA";
        codes.insert(codes.end(), {224, 72});
        burst += "\x1b[D";
        codes.insert(codes.end(), {224, 75});
        burst += "\xc3\xa7";
        codes.push_back(135);
        burst += "\x1b[6~";
        codes.insert(codes.end(), {224, 81});
        burst += static_cast<char>('0' + i % 10);
        codes.push_back('0' + i % 10);
    }
    check_cases({{"7 rounds of letter, arrows, c cedilla, Page Down, digit", {burst}, codes}});
}

}  // namespace
}  // namespace patrulha::testing
