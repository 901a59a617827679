// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/windows/console_keys.h"

#include "platform/cp850.h"
#include "platform/key_decoder.h"

namespace patrulha::platform {

namespace {

using namespace console_key;

// The key of a virtual key that the key table names; Other for the rest.
NamedKey named_key(unsigned virtual_key) {
    switch (virtual_key) {
        case kUp: return NamedKey::Up;
        case kDown: return NamedKey::Down;
        case kLeft: return NamedKey::Left;
        case kRight: return NamedKey::Right;
        case kHome: return NamedKey::Home;
        case kEnd: return NamedKey::End;
        case kPrior: return NamedKey::PageUp;
        case kNext: return NamedKey::PageDown;
        case kInsert: return NamedKey::Insert;
        case kDelete: return NamedKey::Delete;
        default: break;
    }
    if (virtual_key >= kF1 && virtual_key <= kF12)
        return static_cast<NamedKey>(static_cast<int>(NamedKey::F1) +
                                     static_cast<int>(virtual_key - kF1));
    return NamedKey::Other;
}

// Appends the codes of one press.
void translate_press(const ConsoleKeyEvent& event, std::deque<int>& codes) {
    const unsigned vk = event.virtual_key;
    if (const NamedKey key = named_key(vk); key != NamedKey::Other) {
        append_key_codes(key, codes);
        return;
    }
    // Some consoles report Esc with no character.
    if (vk == kEscape) {
        codes.push_back(27);
        return;
    }
    // Alt with a letter or digit; AltGr (Ctrl and right Alt together) types
    // characters instead.
    const bool alt = (event.control_keys & (kLeftAlt | kRightAlt)) != 0;
    const bool ctrl = (event.control_keys & (kLeftCtrl | kRightCtrl)) != 0;
    if (alt && !ctrl) {
        if (vk >= 'A' && vk <= 'Z') {
            codes.push_back(0);
            codes.push_back(event.scan_code != 0 ? static_cast<int>(event.scan_code)
                                                 : alt_key_code(vk));
            return;
        }
        if (vk >= '0' && vk <= '9') {
            codes.push_back(0);
            codes.push_back(alt_key_code(vk));
            return;
        }
    }
    const char16_t c = event.character;
    if (c == 0) {
        // Enter, Backspace and Tab carry their characters on every console
        // seen; these are for one that leaves them out.
        if (vk == kReturn) codes.push_back(13);
        if (vk == kBack) codes.push_back(8);
        if (vk == kTab) codes.push_back(9);
        return;
    }
    // Halves of a character beyond the basic plane: nothing in code page 850.
    if (c >= 0xD800 && c <= 0xDFFF) return;
    if (c < 32) {
        codes.push_back(c);  // Enter, Backspace, Tab and Ctrl + letter
        return;
    }
    if (c == 127) {  // Ctrl+Backspace
        codes.push_back(127);
        return;
    }
    if (const auto code = unicode_to_cp850(c)) codes.push_back(*code);
}

}  // namespace

void translate_key_event(const ConsoleKeyEvent& event, std::deque<int>& codes) {
    if (!event.key_down) {
        // A character typed as Alt and digits on the numeric keypad comes
        // with the release of Alt.
        if (event.virtual_key == kMenu && event.character != 0) {
            if (const auto code = unicode_to_cp850(event.character)) codes.push_back(*code);
        }
        return;
    }
    const unsigned repeats = event.repeat_count == 0 ? 1 : event.repeat_count;
    for (unsigned i = 0; i < repeats; ++i) translate_press(event, codes);
}

}  // namespace patrulha::platform
