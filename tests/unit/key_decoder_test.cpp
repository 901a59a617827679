// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The key decoder on its own, fed as the terminal backend feeds it: raw
// characters in bursts; and the key table it shares with the Windows console.
#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace patrulha::platform {
namespace {

std::vector<int> codes_of(const std::string& bytes) {
    const auto d = KeyDecoder::decode_bytes(bytes);
    return {d.begin(), d.end()};
}

struct ByteCase {
    const char* name;
    std::string bytes;
    std::vector<int> codes;
};

TEST(KeyDecoder, RawBurstsDecodeAsTheTableSays) {
    const std::vector<ByteCase> cases = {
        {"printable ASCII", "zZ1 ~", {'z', 'Z', '1', ' ', '~'}},
        {"Enter, Tab", "\r\t", {13, 9}},
        {"Backspace as DEL", "\x7f", {8}},
        {"Backspace as BS", "\x08", {8}},
        {"Esc alone", "\x1b", {27}},
        {"Esc Esc", "\x1b\x1b", {27, 27}},
        {"Alt+X", "\x1bx", {0, 45}},
        {"Alt+Shift+X", "\x1bX", {0, 45}},
        {"Alt+A, Alt+Z, Alt+Q",
         "\x1b"
         "a\x1bz\x1bq",
         {0, 30, 0, 44, 0, 16}},
        {"Alt+1, Alt+0",
         "\x1b"
         "1\x1b"
         "0",
         {0, 120, 0, 129}},
        {"Alt+O alone", "\x1bO", {0, 24}},
        {"Alt with punctuation", "\x1b;", {}},
        {"unknown CSI dropped whole", "\x1b[99~", {}},
        {"unknown CSI then a key",
         "\x1b[1;5P"
         "2",
         {'2'}},
        {"unknown SS3 dropped", "\x1bOx", {}},
        // Shift+F1 and Ctrl+Up as some terminals send them: the final byte
        // ('P' is also the down arrow's second code) must not leak.
        {"SS3 with a modifier dropped whole",
         "\x1bO2P"
         "z",
         {'z'}},
        {"SS3 with parameters dropped whole", "\x1bO1;5A", {}},
        {"OSC string dropped", "\x1b]0;title\x07z", {'z'}},
        {"OSC ended by ST", "\x1b]52;c;abc\x1b\\s", {'s'}},
        {"a broken CSI gives back the character that broke it", "\x1b[12\r", {13}},
        {"cursor keys, normal mode",
         "\x1b[A\x1b[B\x1b[C\x1b[D",
         {224, 72, 224, 80, 224, 77, 224, 75}},
        {"cursor keys, application mode",
         "\x1bOA\x1bOB\x1bOC\x1bOD",
         {224, 72, 224, 80, 224, 77, 224, 75}},
        {"Home and End, both modes",
         "\x1b[H\x1b[F\x1bOH\x1bOF",
         {224, 71, 224, 79, 224, 71, 224, 79}},
        {"VT220 editing keys",
         "\x1b[1~\x1b[2~\x1b[3~\x1b[4~\x1b[5~\x1b[6~\x1b[7~\x1b[8~",
         {224, 71, 224, 82, 224, 83, 224, 79, 224, 73, 224, 81, 224, 71, 224, 79}},
        {"F1 to F4 as SS3", "\x1bOP\x1bOQ\x1bOR\x1bOS", {0, 59, 0, 60, 0, 61, 0, 62}},
        {"F1 to F12 as CSI n ~",
         "\x1b[11~\x1b[12~\x1b[13~\x1b[14~\x1b[15~\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~"
         "\x1b[23~\x1b[24~",
         {0, 59, 0, 60, 0, 61, 0, 62, 0,   63,  0,   64,
          0, 65, 0, 66, 0, 67, 0, 68, 224, 133, 224, 134}},
        {"the Linux console's F1 to F5", "\x1b[[A\x1b[[E", {0, 59, 0, 63}},
        {"the Linux console's form with another letter", "\x1b[[Zq", {'q'}},
        {"numbers between the known ones", "\x1b[16~\x1b[22~\x1b[25~\x1b[0~", {}},
        {"modified keys are none of the game's", "\x1b[1;5A\x1b[5;2~\x1b[2A\x1b[?1A", {}},
        {"a huge parameter", "\x1b[99999999999999999999~x", {'x'}},
        {"UTF-8 letters", "\xc3\xa7\xc3\xa3\xc3\x87", {135, 198, 128}},
        {"a character with no code", "\xe2\x82\xac", {}},
        {"a font symbol is no typed key", "\xe2\x99\xa5", {}},
        {"invalid UTF-8 dropped",
         "\xc3(\xff\xfe"
         "a",
         {'(', 'a'}},
        {"truncated UTF-8 at the end", "b\xe2\x82", {'b'}},
    };
    for (const auto& c : cases) EXPECT_EQ(codes_of(c.bytes), c.codes) << c.name;
}

TEST(KeyDecoder, RecognisedKeysGiveTheirCodePairs) {
    const std::vector<std::pair<NamedKey, std::vector<int>>> table = {
        {NamedKey::Up, {224, 72}},     {NamedKey::Down, {224, 80}},
        {NamedKey::Left, {224, 75}},   {NamedKey::Right, {224, 77}},
        {NamedKey::Home, {224, 71}},   {NamedKey::End, {224, 79}},
        {NamedKey::PageUp, {224, 73}}, {NamedKey::PageDown, {224, 81}},
        {NamedKey::Insert, {224, 82}}, {NamedKey::Delete, {224, 83}},
        {NamedKey::F1, {0, 59}},       {NamedKey::F10, {0, 68}},
        {NamedKey::F11, {224, 133}},   {NamedKey::F12, {224, 134}},
        {NamedKey::Enter, {13}},       {NamedKey::Backspace, {8}},
        {NamedKey::Other, {}},
    };
    for (const auto& [key, expected] : table) {
        std::deque<int> codes;
        append_key_codes(key, codes);
        EXPECT_EQ(std::vector<int>(codes.begin(), codes.end()), expected) << static_cast<int>(key);
    }
}

TEST(KeyDecoder, AnEscBeforeACursorKeysSequenceIsAKeyOfItsOwn) {
    KeyDecoder d;
    for (const char c : std::string("\x1b\x1b[A")) d.feed_char(static_cast<unsigned char>(c), 0);
    d.end_burst(0);
    EXPECT_EQ(std::vector<int>(d.codes().begin(), d.codes().end()),
              (std::vector<int>{27, 224, 72}));
}

TEST(KeyDecoder, EscThenAKeyInALaterBurstAreTwoKeys) {
    KeyDecoder d;
    d.feed_char(27, 0);
    d.end_burst(0);
    d.feed_char('x', 300);
    d.end_burst(300);
    EXPECT_EQ(std::vector<int>(d.codes().begin(), d.codes().end()), (std::vector<int>{27, 'x'}));
}

TEST(KeyDecoder, ASequenceSplitAcrossReadsIsStillDroppedWhole) {
    KeyDecoder d;
    for (char c : std::string("\x1b[9")) d.feed_char(static_cast<unsigned char>(c), 0);
    d.end_burst(0);
    EXPECT_TRUE(d.pending());
    d.feed_char('9', 5);
    d.feed_char('~', 5);
    d.end_burst(5);
    EXPECT_TRUE(d.codes().empty());
    EXPECT_FALSE(d.pending());
}

TEST(KeyDecoder, AKeySplitAcrossReadsIsStillOneKey) {
    KeyDecoder d;
    for (char c : std::string("\x1b[2")) d.feed_char(static_cast<unsigned char>(c), 0);
    d.end_burst(0);
    d.feed_char('0', 5);
    d.feed_char('~', 5);
    d.end_burst(5);
    EXPECT_EQ(std::vector<int>(d.codes().begin(), d.codes().end()), (std::vector<int>{0, 67}))
        << "F9";
}

TEST(KeyDecoder, AnSs3SequenceWithAModifierSplitAcrossReadsIsStillDroppedWhole) {
    KeyDecoder d;
    for (char c : std::string("\x1bO5")) d.feed_char(static_cast<unsigned char>(c), 0);
    d.end_burst(0);
    EXPECT_TRUE(d.pending());
    d.feed_char('A', 5);
    d.end_burst(5);
    EXPECT_TRUE(d.codes().empty());
    EXPECT_FALSE(d.pending());
}

TEST(KeyDecoder, AStalePartialSequenceIsAbandoned) {
    KeyDecoder d;
    d.feed_char(27, 0);
    d.feed_char('[', 0);
    d.end_burst(0);
    d.feed_char('a', KeyDecoder::kStaleSequenceMs + 50);
    d.end_burst(KeyDecoder::kStaleSequenceMs + 50);
    EXPECT_EQ(std::vector<int>(d.codes().begin(), d.codes().end()), (std::vector<int>{'a'}));
}

TEST(KeyDecoder, AVeryLongSequenceNeverLeaksItsBytes) {
    std::string bytes = "\x1b[";
    bytes += std::string(10'000, '1');
    bytes += "kz";
    EXPECT_EQ(codes_of(bytes), (std::vector<int>{'z'}));
}

TEST(KeyDecoder, ABurstOfManyKeysKeepsThemAllInOrder) {
    std::string bytes;
    std::vector<int> expected;
    for (int i = 0; i < 5000; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        bytes += c;
        expected.push_back(c);
    }
    EXPECT_EQ(codes_of(bytes), expected);
}

// A reader that goes by the clock (expire), as on a slow link.
std::vector<int> codes_by_clock(const std::vector<std::pair<std::int64_t, std::string>>& input,
                                std::int64_t end_ms) {
    KeyDecoder d;
    for (const auto& [at, bytes] : input) {
        d.expire(at);
        for (const char c : bytes) d.feed_utf8(static_cast<unsigned char>(c), at);
    }
    d.expire(end_ms);
    return std::vector<int>(d.codes().begin(), d.codes().end());
}

TEST(KeyDecoder, ByTheClockASequenceSpacedOutIsItsKeyAndWhatIsLeftOfAGivenUpOneIsNoKey) {
    // Bytes up to 100 ms apart: the key.
    EXPECT_EQ(codes_by_clock({{0, "\x1b"}, {90, "["}, {180, "A"}}, 1000),
              (std::vector<int>{224, 72}));
    EXPECT_EQ(codes_by_clock({{0, "\x1b"}, {100, "O"}, {190, "B"}}, 1000),
              (std::vector<int>{224, 80}));
    // The Esc waited too long: a key of its own, at its deadline and not
    // before; the rest of its sequence, however late, no key at all.
    EXPECT_TRUE(codes_by_clock({{0, "\x1b"}}, KeyDecoder::kEscapeWaitMs - 1).empty());
    EXPECT_EQ(codes_by_clock({{0, "\x1b"}}, KeyDecoder::kEscapeWaitMs), (std::vector<int>{27}));
    EXPECT_EQ(codes_by_clock({{0, "\x1b"}, {300, "[A"}, {310, "z"}}, 1000),
              (std::vector<int>{27, 'z'}));
    EXPECT_EQ(codes_by_clock({{0, "\x1b"}, {5000, "OA"}}, 6000), (std::vector<int>{27}));
    // Given up inside the sequence: its final byte is dropped with it, and a
    // key typed well after is a key.
    EXPECT_TRUE(codes_by_clock({{0, "\x1b[1"}, {150, ";5A"}}, 1000).empty());
    EXPECT_EQ(codes_by_clock({{0, "\x1b["}, {150, "A"}, {2000, "a"}}, 3000),
              (std::vector<int>{'a'}));
    // After a timed-out Esc, anything else is read as itself.
    EXPECT_EQ(codes_by_clock({{0, "\x1b"}, {300, "x\x1b[B"}}, 1000),
              (std::vector<int>{27, 'x', 224, 80}));
}

}  // namespace
}  // namespace patrulha::platform
