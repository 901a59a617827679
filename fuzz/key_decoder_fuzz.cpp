// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Fuzz target for the key decoder, driven the way the terminal backend
// drives it: characters in bursts, bursts that end, time that passes. Aborts (and so reports) when
// the decoder
//   - hands out a code or code pair that is not in its key table,
//   - lets any byte of an unrecognised escape sequence through as a key,
//   - fails to come back to reading plain keys after such a sequence,
//   - decodes a plain key or a recognised key differently from its table.
//
// The input is a stream of operations:
//   0xF8 k        the sequence a terminal sends for one of the keys of the
//                 table (k selects it), fed with no time passing
//   0xF9 t        the burst ends, then t milliseconds pass
//   0xFA a b c    one character, the code point (a << 16 | b << 8 | c)
//   0xFB k ...    a whole unrecognised escape sequence built from what
//                 follows (see feed_unknown_sequence), checked to vanish
//   other bytes   characters: UTF-8 where the bytes form it, a lone byte
//                 otherwise (as a Latin-1 character)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <vector>

#include "platform/key_decoder.h"

using patrulha::platform::append_key_codes;
using patrulha::platform::KeyDecoder;
using patrulha::platform::NamedKey;

namespace {

constexpr std::uint8_t kOpKey = 0xF8;
constexpr std::uint8_t kOpBurstEnd = 0xF9;
constexpr std::uint8_t kOpCodePoint = 0xFA;
constexpr std::uint8_t kOpUnknownSequence = 0xFB;

[[noreturn]] void fail(const char* what, const std::vector<int>& codes) {
    std::fprintf(stderr, "key decoder fault: %s; codes:", what);
    for (const int c : codes) std::fprintf(stderr, " %d", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

// The second codes that may follow 224 and 0.
bool extended_second(int code) {
    switch (code) {
        case 72:
        case 80:
        case 75:
        case 77:  // arrows
        case 71:
        case 79:
        case 73:
        case 81:  // Home, End, Page Up, Page Down
        case 82:
        case 83:  // Insert, Delete
        case 133:
        case 134:  // F11, F12
            return true;
        default: return false;
    }
}

bool function_or_alt_second(int code) {
    if (code >= 59 && code <= 68) return true;    // F1 to F10
    if (code >= 120 && code <= 129) return true;  // Alt + digit
    // Alt + letter: the letter keys' scan codes.
    return (code >= 16 && code <= 25) || (code >= 30 && code <= 38) || (code >= 44 && code <= 50);
}

// A single code a typed character may give: controls, printable ASCII and
// code page 850's upper half. 0 and 127 never come alone.
bool single_code(int code) {
    return (code >= 1 && code <= 126) || (code >= 128 && code <= 255);
}

// What one call to the decoder may add: nothing, one code, or one pair.
void check_emission(const std::vector<int>& added) {
    if (added.empty()) return;
    if (added.size() == 1) {
        if (!single_code(added[0])) fail("a code outside the table", added);
        return;
    }
    if (added.size() == 2) {
        if (added[0] == 224 && extended_second(added[1])) return;
        if (added[0] == 0 && function_or_alt_second(added[1])) return;
        fail("a code pair outside the table", added);
    }
    fail("more than one key from one input", added);
}

// The codes the game's keyboard gives for a complete escape sequence that
// terminals send for one of its keys, written out independently of the
// decoder; empty for every other sequence, which must vanish whole.
std::vector<int> table_codes(const std::vector<char32_t>& seq) {
    if (seq.size() < 3 || seq[0] != 27) return {};
    const char32_t final = seq.back();
    const auto cursor = [](char32_t f) -> std::vector<int> {
        switch (f) {
            case 'A': return {224, 72};
            case 'B': return {224, 80};
            case 'C': return {224, 77};
            case 'D': return {224, 75};
            case 'H': return {224, 71};
            case 'F': return {224, 79};
            default: return {};
        }
    };
    if (seq[1] == 'O') {
        if (seq.size() != 3) return {};  // parameters: a modified key
        if (final >= 'P' && final <= 'S') return {0, 59 + static_cast<int>(final - 'P')};
        return cursor(final);
    }
    if (seq[1] != '[') return {};
    if (seq.size() == 4 && seq[2] == '[') {  // the Linux console's F1 to F5
        if (final >= 'A' && final <= 'E') return {0, 59 + static_cast<int>(final - 'A')};
        return {};
    }
    long number = 0;
    for (std::size_t i = 2; i + 1 < seq.size(); ++i) {
        if (seq[i] < '0' || seq[i] > '9') return {};  // separators, marks, intermediates
        number = std::min(number * 10 + static_cast<long>(seq[i] - '0'), 1000L);
    }
    if (final == '~') {
        switch (number) {
            case 1:
            case 7: return {224, 71};
            case 2: return {224, 82};
            case 3: return {224, 83};
            case 4:
            case 8: return {224, 79};
            case 5: return {224, 73};
            case 6: return {224, 81};
            case 11:
            case 12:
            case 13:
            case 14:
            case 15: return {0, 59 + static_cast<int>(number - 11)};
            case 17:
            case 18:
            case 19:
            case 20:
            case 21: return {0, 64 + static_cast<int>(number - 17)};
            case 23: return {224, 133};
            case 24: return {224, 134};
            default: return {};
        }
    }
    if (number <= 1) return cursor(final);
    return {};
}

class Driver {
public:
    Driver(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    void run() {
        while (pos_ < size_) step();
        end_burst();
    }

private:
    bool more() const { return pos_ < size_; }
    std::uint8_t next() { return pos_ < size_ ? data_[pos_++] : 0; }

    // Codes added to the decoder's queue since `before`, taken out of it so
    // that the queue never grows without bound.
    std::vector<int> take_from(std::size_t before) {
        auto& q = decoder_.codes();
        std::vector<int> added(q.begin() + static_cast<std::ptrdiff_t>(before), q.end());
        q.clear();
        return added;
    }

    std::vector<int> feed_char(char32_t c) {
        decoder_.feed_char(c, now_ms_);
        auto added = take_from(0);
        check_emission(added);
        return added;
    }

    void end_burst() {
        decoder_.end_burst(now_ms_);
        check_emission(take_from(0));
    }

    void step() {
        const std::uint8_t b = next();
        switch (b) {
            case kOpKey: return feed_key(next());
            case kOpBurstEnd:
                end_burst();
                now_ms_ += next();
                return;
            case kOpCodePoint: {
                char32_t c = next();
                c = (c << 8) | next();
                c = (c << 8) | next();
                feed_char(c);
                return;
            }
            case kOpUnknownSequence: return feed_unknown_sequence();
            default: break;
        }
        feed_char(utf8_from(b));
    }

    // The character starting with byte `b`: decoded UTF-8 when the bytes
    // after it complete a sequence, the byte itself otherwise.
    char32_t utf8_from(std::uint8_t b) {
        int extra = 0;
        char32_t c = b;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
        }
        if (extra == 0 || pos_ + static_cast<std::size_t>(extra) > size_) return b;
        for (int k = 0; k < extra; ++k)
            if ((data_[pos_ + static_cast<std::size_t>(k)] & 0xC0) != 0x80) return b;
        for (int k = 0; k < extra; ++k) c = (c << 6) | (next() & 0x3F);
        return c;
    }

    // The bytes a terminal sends for `key`, in one of the forms the decoder
    // reads.
    static const char* sequence_of(NamedKey key) {
        static const char* const kSequences[] = {
            "\x1b[A",   "\x1b[B",   "\x1b[D",   "\x1b[C",   "\x1b[H",   "\x1b[F",
            "\x1b[5~",  "\x1b[6~",  "\x1b[2~",  "\x1b[3~",  "\x1bOP",   "\x1bOQ",
            "\x1bOR",   "\x1bOS",   "\x1b[15~", "\x1b[17~", "\x1b[18~", "\x1b[19~",
            "\x1b[20~", "\x1b[21~", "\x1b[23~", "\x1b[24~", "\r",       "\x7f",
        };
        static_assert(std::size(kSequences) == static_cast<std::size_t>(NamedKey::Other));
        return kSequences[static_cast<std::size_t>(key)];
    }

    void feed_key(std::uint8_t selector) {
        constexpr int kKeys = static_cast<int>(NamedKey::Other);
        const auto key = static_cast<NamedKey>(selector % kKeys);
        const bool was_ground = !decoder_.pending();
        std::vector<int> added;
        for (const char* c = sequence_of(key); *c != 0; ++c) {
            const auto codes = feed_char(static_cast<unsigned char>(*c));
            added.insert(added.end(), codes.begin(), codes.end());
        }
        if (!was_ground) return;  // read together with what came before
        if (decoder_.pending()) fail("a key's sequence left a sequence pending", added);
        std::deque<int> table;
        append_key_codes(key, table);
        if (added != std::vector<int>(table.begin(), table.end()))
            fail("a key's sequence is not decoded as its table says", added);
    }

    // A character for the body of a sequence, from the next input byte,
    // kept inside [low, high].
    char32_t in_range(char32_t low, char32_t high) {
        return low + static_cast<char32_t>(next()) % (high - low + 1);
    }

    // Builds a complete escape sequence of the shapes terminals send and
    // feeds it with no time passing. Those few that are keys of the game's
    // keyboard (table_codes) must give that key; every other must vanish. The selector byte picks
    // its kind:
    //   CSI  Esc [ parameters (0x30-0x3F)* intermediates (0x20-0x2F)* final
    //   SS3  Esc O parameters (0x30-0x3F)* final (0x40-0x7E)
    //   OSC, APC, PM  Esc ] _ ^, a payload with no BEL or Esc, ended by BEL
    //        or Esc backslash
    // A length byte bounds the body. Bursts may end inside the sequence once
    // its introducer is complete, as reads split a sequence. A plain key
    // right after it must come out as itself.
    void feed_unknown_sequence() {
        // Let any earlier partial sequence go stale, so that the decoder is
        // reading afresh when the sequence starts.
        now_ms_ += KeyDecoder::kStaleSequenceMs + 1;
        end_burst();
        if (decoder_.pending()) fail("a stale sequence was not abandoned", {});

        const std::uint8_t kind = next();
        const int body = more() ? next() % 24 : 0;
        std::vector<char32_t> seq = {27};
        switch (kind % 5) {
            case 0:  // CSI
                seq.push_back('[');
                for (int i = 0; i < body && more(); ++i)
                    seq.push_back(next() & 1 ? in_range(0x30, 0x3F) : in_range(0x20, 0x2F));
                // Intermediates come after parameters: order them so.
                {
                    std::vector<char32_t> params, inter;
                    for (std::size_t i = 2; i < seq.size(); ++i)
                        (seq[i] >= 0x30 ? params : inter).push_back(seq[i]);
                    seq.resize(2);
                    seq.insert(seq.end(), params.begin(), params.end());
                    seq.insert(seq.end(), inter.begin(), inter.end());
                }
                seq.push_back(in_range(0x40, 0x7E));
                // Esc [ [ is the Linux console's prefix: one more byte ends it.
                if (seq.size() == 3 && seq[2] == '[') seq.push_back(in_range(0x40, 0x7E));
                break;
            case 1:  // SS3, with the parameters some terminals send for modifiers
                seq.push_back('O');
                for (int i = 0; i < body % 4 && more(); ++i) seq.push_back(in_range(0x30, 0x3F));
                seq.push_back(in_range(0x40, 0x7E));
                break;
            default: {  // OSC, APC, PM
                static constexpr char32_t kIntro[3] = {']', '_', '^'};
                seq.push_back(kIntro[kind % 5 - 2]);
                for (int i = 0; i < body && more(); ++i) {
                    char32_t c = utf8_from(next());
                    if (c == 7 || c == 27) c = ';';
                    seq.push_back(c);
                }
                if (next() & 1) {
                    seq.push_back(7);
                } else {
                    seq.push_back(27);
                    seq.push_back('\\');
                }
                break;
            }
        }

        // A sequence some terminal sends for a key of the game's keyboard
        // gives that key, once, at its last byte; any other vanishes.
        const std::vector<int> expected = table_codes(seq);
        // Esc O ending a read is Alt+O, not the start of a sequence.
        const std::size_t first_split = kind % 5 == 1 ? 2 : 1;
        const std::uint8_t splits = next();
        for (std::size_t i = 0; i < seq.size(); ++i) {
            const auto added = feed_char(seq[i]);
            if (i + 1 == seq.size() && !expected.empty()) {
                if (added != expected) fail("a known key's sequence gave the wrong codes", added);
                continue;
            }
            if (!added.empty()) fail("a byte of an unrecognised sequence came out as a key", added);
            if (i >= first_split && i + 1 < seq.size() && (splits >> (i % 8)) & 1) {
                // A read ended inside the sequence; the rest follows at once.
                decoder_.end_burst(now_ms_);
                const auto split_added = take_from(0);
                if (!split_added.empty())
                    fail("a sequence split across reads came out as a key", split_added);
            }
        }
        if (decoder_.pending()) fail("a complete sequence left the decoder waiting", {});
        const auto after = feed_char('q');
        if (after != std::vector<int>{'q'}) fail("the key after a sequence was lost", after);
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::int64_t now_ms_ = 1000;
    KeyDecoder decoder_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Driver(data, size).run();
    return 0;
}
