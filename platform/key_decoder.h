// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Turns the characters a terminal sends, escape sequences included, into the
// key codes the game reads with _getch:
//
//   Up, Down, Left, Right      224 then 72, 80, 75, 77
//   Home, End                  224 then 71, 79
//   Page Up, Page Down         224 then 73, 81
//   Insert, Delete             224 then 82, 83
//   F1 to F10                  0 then 59 to 68
//   F11, F12                   224 then 133, 134
//   Enter, Backspace, Tab, Esc 13, 8, 9, 27
//   printable ASCII            itself
//   Alt + letter or digit      0 then a letter's scan code (Alt+X gives 0,
//   (Esc and the key in one    45), digits 120 to 129
//    burst)
//   another typed character    its code page 850 code where it has one
//
// The cursor, editing and function keys are read in every form terminals
// send them, whatever their description says: CSI or SS3 with A B C D H F
// (cursor mode normal or application), SS3 P Q R S (F1 to F4), CSI n ~ (F1
// to F12 and the editing keys) and CSI [ A to E (F1 to F5).
//
// Anything else, an escape sequence that none of these is above all, is
// dropped whole: none of its bytes ever arrives as a key.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace patrulha::platform {

// The keys that come as sequences (or, on the Windows console, as virtual
// keys) rather than as characters.
enum class NamedKey {
    Up,
    Down,
    Left,
    Right,
    Home,
    End,
    PageUp,
    PageDown,
    Insert,
    Delete,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    Enter,
    Backspace,
    Other,  // recognised, but not a key of the game's table
};

// Appends the codes the game reads for `key` (nothing for Other).
void append_key_codes(NamedKey key, std::deque<int>& codes);

// The second code of Alt with a letter or digit (the first is 0): a
// letter's scan code, digits 120 to 129.
int alt_key_code(char32_t letter_or_digit);

class KeyDecoder {
public:
    // A partial escape sequence left alone longer than this is abandoned:
    // its bytes are dropped and what follows is read afresh. Of a sequence
    // only its first parameter is kept, capped, so however long it runs it
    // costs no memory.
    static constexpr std::int64_t kStaleSequenceMs = 100;

    // How long a lone Esc waits for the rest of a sequence before it is a
    // key of its own, for a reader that goes by the clock (expire) rather
    // than by bursts: a slow link may space a sequence's bytes out that far.
    static constexpr std::int64_t kEscapeWaitMs = 110;

    // After a sequence body was given up by the clock, how long what may
    // still follow of it is dropped rather than read as keys; a key typed
    // later than that is a key. (After a lone Esc, a [ or O that follows,
    // however late, is dropped with the rest of its sequence: neither is a
    // key anyone types after Esc.)
    static constexpr std::int64_t kLeftoverMs = 200;

    // One character of input, a Unicode scalar value (controls included).
    void feed_char(char32_t c, std::int64_t now_ms);
    // One byte of UTF-8 input: its character goes on once its last byte has
    // come, so a character may be split across reads. A broken character is
    // dropped, and the byte that broke it is read afresh.
    void feed_utf8(unsigned char byte, std::int64_t now_ms);
    // Nothing more is immediately available: a lone Esc is a key of its own.
    void end_burst(std::int64_t now_ms);

    // Gives up what has waited past its time, by the clock alone: a lone
    // Esc kEscapeWaitMs after it came is a key of its own (Esc O is Alt+O),
    // a sequence begun but not ended within kStaleSequenceMs of its last
    // byte is abandoned. What arrives of such a sequence afterwards (the
    // "[A" of an arrow whose Esc went alone, the final byte of an abandoned
    // sequence) is dropped, so that none of it
    // becomes a key. A reader that calls this never needs end_burst.
    void expire(std::int64_t now_ms);

    // When expire next has something to give up, or -1 while nothing waits
    // on the clock.
    std::int64_t deadline_ms() const;

    // True while part of an escape sequence is held back.
    bool pending() const { return state_ != State::Ground && state_ != State::Leftover; }

    // Decoded codes, oldest first.
    std::deque<int>& codes() { return codes_; }

    // How many status reports (CSI 0 n, a terminal's answer to CSI 5 n)
    // came since the last call. They are no keys.
    int take_status_reports() { return std::exchange(status_reports_, 0); }

    // Decodes a whole burst of UTF-8 bytes, as one read of the terminal
    // would. Invalid UTF-8 bytes are dropped.
    static std::deque<int> decode_bytes(const std::string& bytes);

private:
    enum class State { Ground, Escape, Csi, CsiBracket, Ss3, Ss3Parameters, String, Leftover };

    void ground_char(char32_t c);
    void csi_char(char32_t c);
    void emit_key(NamedKey key);
    void emit(int code) { codes_.push_back(code); }
    void emit(int first, int second) {
        codes_.push_back(first);
        codes_.push_back(second);
    }
    void abandon_if_stale(std::int64_t now_ms);
    void leftover_char(char32_t c);

    State state_ = State::Ground;
    bool string_saw_escape_ = false;  // inside a string: an Esc that may start its terminator
    bool leftover_intro_ = false;     // leftover of a lone Esc: only [ or O may follow
    bool dropping_ = false;           // the sequence being read is a leftover: it gives no key
    int csi_length_ = 0;              // characters after CSI so far, capped
    int csi_parameter_ = 0;           // its first parameter, capped
    bool csi_plain_ = true;  // nothing but digits so far: no second parameter, no intermediate
    std::int64_t last_input_ms_ = 0;
    char32_t utf8_char_ = 0;  // the character being assembled from UTF-8
    int utf8_left_ = 0;       // its bytes still to come
    std::deque<int> codes_;
    int status_reports_ = 0;
};

}  // namespace patrulha::platform
