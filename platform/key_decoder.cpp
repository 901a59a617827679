// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/key_decoder.h"

#include <algorithm>

#include "platform/cp850.h"

namespace patrulha::platform {

namespace {

constexpr int kEsc = 27;

// The scan codes of the letter keys (Alt with a letter gives 0 and its scan
// code).
constexpr int kLetterScanCodes[26] = {
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,  // a to m
    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44,  // n to z
};

bool is_alt_key(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The key of a plain CSI or SS3 sequence ending in `final`, the same in
// both cursor modes.
NamedKey cursor_key(char32_t final) {
    switch (final) {
        case 'A': return NamedKey::Up;
        case 'B': return NamedKey::Down;
        case 'C': return NamedKey::Right;
        case 'D': return NamedKey::Left;
        case 'H': return NamedKey::Home;
        case 'F': return NamedKey::End;
        default: return NamedKey::Other;
    }
}

// The key of CSI n ~, as VT220 keyboards and their emulators number them.
NamedKey tilde_key(int n) {
    switch (n) {
        case 1:
        case 7: return NamedKey::Home;
        case 2: return NamedKey::Insert;
        case 3: return NamedKey::Delete;
        case 4:
        case 8: return NamedKey::End;
        case 5: return NamedKey::PageUp;
        case 6: return NamedKey::PageDown;
        case 11: return NamedKey::F1;
        case 12: return NamedKey::F2;
        case 13: return NamedKey::F3;
        case 14: return NamedKey::F4;
        case 15: return NamedKey::F5;
        case 17: return NamedKey::F6;
        case 18: return NamedKey::F7;
        case 19: return NamedKey::F8;
        case 20: return NamedKey::F9;
        case 21: return NamedKey::F10;
        case 23: return NamedKey::F11;
        case 24: return NamedKey::F12;
        default: return NamedKey::Other;
    }
}

constexpr int kCsiCap = 1000;

}  // namespace

void KeyDecoder::abandon_if_stale(std::int64_t now_ms) {
    if (state_ != State::Ground && state_ != State::Escape && state_ != State::Leftover &&
        now_ms - last_input_ms_ > kStaleSequenceMs)
        state_ = State::Ground;
}

void KeyDecoder::ground_char(char32_t c) {
    if (c == kEsc) {
        state_ = State::Escape;
        dropping_ = false;
        return;
    }
    if (c == 127) {  // what most terminals send for Backspace
        emit(8);
        return;
    }
    if (c == 0) return;  // Ctrl+Space: no key of the game's keyboard
    if (c < 128) {
        emit(static_cast<int>(c));
        return;
    }
    if (auto code = unicode_to_cp850(c)) emit(*code);
}

void KeyDecoder::feed_char(char32_t c, std::int64_t now_ms) {
    abandon_if_stale(now_ms);
    if (state_ == State::Leftover && !leftover_intro_ && now_ms - last_input_ms_ > kLeftoverMs)
        state_ = State::Ground;
    last_input_ms_ = now_ms;
    switch (state_) {
        case State::Ground:
            dropping_ = false;
            ground_char(c);
            return;
        case State::Leftover: leftover_char(c); return;
        case State::Escape:
            if (c == '[') {
                state_ = State::Csi;
                csi_length_ = 0;
                csi_parameter_ = 0;
                csi_plain_ = true;
            } else if (c == 'O') {
                state_ = State::Ss3;
            } else if (c == ']' || c == '_' || c == '^') {  // OSC, APC, PM strings
                state_ = State::String;
                string_saw_escape_ = false;
            } else if (c == kEsc) {
                emit(kEsc);  // the first Esc was a key; the second starts afresh
            } else if (is_alt_key(c)) {
                emit(0, alt_key_code(c));
                state_ = State::Ground;
            } else {
                state_ = State::Ground;  // Alt with any other key: not in the table
            }
            return;
        case State::Csi: csi_char(c); return;
        case State::CsiBracket:
            state_ = State::Ground;
            if (c >= 'A' && c <= 'E') {
                emit_key(static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + (c - 'A')));
                return;
            }
            if (c >= 0x20 && c <= 0x7E) return;
            ground_char(c);
            return;
        case State::Ss3:
        case State::Ss3Parameters: {
            // Some terminals put a modifier between Esc O and the final byte
            // (Esc O 2 P for Shift+F1): digits and separators stay inside the
            // sequence, or the final byte would come out as a key of its own.
            if (c >= 0x30 && c <= 0x3F) {
                state_ = State::Ss3Parameters;
                return;
            }
            const bool plain = state_ == State::Ss3;
            state_ = State::Ground;
            if (c >= 0x20 && c <= 0x7E && !plain) return;  // a modified key: not the game's
            if (c >= 'P' && c <= 'S') {
                emit_key(static_cast<NamedKey>(static_cast<int>(NamedKey::F1) + (c - 'P')));
                return;
            }
            if (const NamedKey key = cursor_key(c); key != NamedKey::Other) {
                emit_key(key);
                return;
            }
            if (c >= 0x20 && c <= 0x7E) return;
            ground_char(c);
            return;
        }
        case State::String:
            if (c == 7 || (string_saw_escape_ && c == '\\')) {
                state_ = State::Ground;
                return;
            }
            string_saw_escape_ = (c == kEsc);
            return;
    }
}

void KeyDecoder::csi_char(char32_t c) {
    const bool first = csi_length_ == 0;
    csi_length_ = std::min(csi_length_ + 1, kCsiCap);
    if (c >= '0' && c <= '9') {
        if (csi_plain_)
            csi_parameter_ = std::min(csi_parameter_ * 10 + static_cast<int>(c - '0'), kCsiCap);
        return;
    }
    if (c >= 0x20 && c <= 0x3F) {  // a second parameter, a private mark, an intermediate
        csi_plain_ = false;
        return;
    }
    if (c >= 0x40 && c <= 0x7E) {  // the final byte ends the sequence
        state_ = State::Ground;
        if (c == '[' && first) {
            state_ = State::CsiBracket;
            return;
        }
        // A modifier (Ctrl+Up is CSI 1;5A) or any other parameter makes a
        // key the game's keyboard does not have: dropped with the rest.
        if (!csi_plain_) return;
        if (c == 'n' && csi_parameter_ == 0 && !dropping_) {
            ++status_reports_;
            return;
        }
        if (c == '~') {
            emit_key(tilde_key(csi_parameter_));
        } else if (csi_parameter_ <= 1) {
            emit_key(cursor_key(c));
        }
        return;
    }
    // Not part of any sequence: the broken sequence is dropped and the
    // character read afresh.
    state_ = State::Ground;
    ground_char(c);
}

void append_key_codes(NamedKey key, std::deque<int>& codes) {
    const auto pair = [&codes](int first, int second) {
        codes.push_back(first);
        codes.push_back(second);
    };
    switch (key) {
        case NamedKey::Up: pair(224, 72); break;
        case NamedKey::Down: pair(224, 80); break;
        case NamedKey::Left: pair(224, 75); break;
        case NamedKey::Right: pair(224, 77); break;
        case NamedKey::Home: pair(224, 71); break;
        case NamedKey::End: pair(224, 79); break;
        case NamedKey::PageUp: pair(224, 73); break;
        case NamedKey::PageDown: pair(224, 81); break;
        case NamedKey::Insert: pair(224, 82); break;
        case NamedKey::Delete: pair(224, 83); break;
        case NamedKey::F1:
        case NamedKey::F2:
        case NamedKey::F3:
        case NamedKey::F4:
        case NamedKey::F5:
        case NamedKey::F6:
        case NamedKey::F7:
        case NamedKey::F8:
        case NamedKey::F9:
        case NamedKey::F10:
            pair(0, 59 + static_cast<int>(key) - static_cast<int>(NamedKey::F1));
            break;
        case NamedKey::F11: pair(224, 133); break;
        case NamedKey::F12: pair(224, 134); break;
        case NamedKey::Enter: codes.push_back(13); break;
        case NamedKey::Backspace: codes.push_back(8); break;
        case NamedKey::Other: break;
    }
}

int alt_key_code(char32_t c) {
    if (c >= '1' && c <= '9') return 120 + static_cast<int>(c - '1');
    if (c == '0') return 129;
    if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
    return kLetterScanCodes[c - 'a'];
}

void KeyDecoder::emit_key(NamedKey key) {
    if (!dropping_) append_key_codes(key, codes_);
}

void KeyDecoder::leftover_char(char32_t c) {
    state_ = State::Ground;
    if (leftover_intro_) {
        // After a lone Esc that went by the clock: [ or O is its sequence
        // going on, read to its end and dropped.
        if (c == '[' || c == 'O') {
            state_ = c == '[' ? State::Csi : State::Ss3;
            csi_length_ = 0;
            csi_parameter_ = 0;
            csi_plain_ = true;
            dropping_ = true;
            return;
        }
        dropping_ = false;
        ground_char(c);
        return;
    }
    // The rest of an abandoned sequence: parameters and intermediates go on
    // being dropped, its final byte ends it, anything else is read afresh.
    if (c >= 0x20 && c <= 0x3F) {
        state_ = State::Leftover;
        return;
    }
    if (c >= 0x40 && c <= 0x7E) return;
    dropping_ = false;
    ground_char(c);
}

std::int64_t KeyDecoder::deadline_ms() const {
    switch (state_) {
        case State::Escape:
        case State::Ss3: return last_input_ms_ + kEscapeWaitMs;
        case State::Csi:
        case State::CsiBracket:
        case State::Ss3Parameters:
        case State::String: return last_input_ms_ + kStaleSequenceMs;
        case State::Ground:
        case State::Leftover: break;
    }
    return -1;
}

void KeyDecoder::expire(std::int64_t now_ms) {
    const std::int64_t deadline = deadline_ms();
    if (deadline < 0 || now_ms < deadline) return;
    switch (state_) {
        case State::Escape:
            if (!dropping_) emit(kEsc);
            state_ = State::Leftover;
            leftover_intro_ = true;
            break;
        case State::Ss3:
            if (!dropping_) emit(0, alt_key_code('o'));
            state_ = State::Leftover;
            leftover_intro_ = false;
            break;
        case State::Csi:
        case State::CsiBracket:
        case State::Ss3Parameters:
            state_ = State::Leftover;
            leftover_intro_ = false;
            break;
        case State::String:
        case State::Ground:
        case State::Leftover: state_ = State::Ground; break;
    }
}

void KeyDecoder::end_burst(std::int64_t now_ms) {
    switch (state_) {
        case State::Escape:
            emit(kEsc);
            state_ = State::Ground;
            break;
        case State::Ss3:
            // Esc and O alone: Alt+O, since a real SS3 key would have come whole.
            emit(0, alt_key_code('o'));
            state_ = State::Ground;
            break;
        case State::Csi:
        case State::CsiBracket:
        case State::Ss3Parameters:
        case State::String:
            // A sequence split across reads may still be completed; it is
            // abandoned when it goes stale.
            abandon_if_stale(now_ms);
            break;
        case State::Ground:
        case State::Leftover: break;
    }
}

void KeyDecoder::feed_utf8(unsigned char b, std::int64_t now_ms) {
    if (utf8_left_ > 0 && (b & 0xC0) == 0x80) {
        utf8_char_ = (utf8_char_ << 6) | (b & 0x3F);
        if (--utf8_left_ == 0) feed_char(utf8_char_, now_ms);
        return;
    }
    utf8_left_ = 0;
    if (b < 0x80) {
        feed_char(b, now_ms);
    } else if ((b & 0xE0) == 0xC0) {
        utf8_char_ = b & 0x1F;
        utf8_left_ = 1;
    } else if ((b & 0xF0) == 0xE0) {
        utf8_char_ = b & 0x0F;
        utf8_left_ = 2;
    } else if ((b & 0xF8) == 0xF0) {
        utf8_char_ = b & 0x07;
        utf8_left_ = 3;
    }
}

std::deque<int> KeyDecoder::decode_bytes(const std::string& bytes) {
    KeyDecoder decoder;
    for (const char byte : bytes) decoder.feed_utf8(static_cast<unsigned char>(byte), 0);
    decoder.end_burst(0);
    return decoder.codes_;
}

}  // namespace patrulha::platform
