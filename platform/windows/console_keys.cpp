#include "platform/windows/console_keys.h"

#include "platform/cp850.h"

namespace patrulha::platform {

namespace {

using namespace console_key;

// The scan codes of the letter keys on the original keyboard, for Alt with a
// key whose event carries none.
constexpr int kLetterScanCodes[26] = {
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,  // a to m
    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44,  // n to z
};

// The second code of a key that arrives as 224 and a code; 0 for others.
int extended_code(unsigned virtual_key) {
    switch (virtual_key) {
    case kUp: return 72;
    case kDown: return 80;
    case kLeft: return 75;
    case kRight: return 77;
    case kHome: return 71;
    case kEnd: return 79;
    case kPrior: return 73;
    case kNext: return 81;
    case kInsert: return 82;
    case kDelete: return 83;
    case kF11: return 133;
    case kF12: return 134;
    default: return 0;
    }
}

// Appends the codes of one press.
void translate_press(const ConsoleKeyEvent& event, std::deque<int>& codes) {
    const unsigned vk = event.virtual_key;
    if (const int code = extended_code(vk)) {
        codes.push_back(224);
        codes.push_back(code);
        return;
    }
    if (vk >= kF1 && vk <= kF10) {
        codes.push_back(0);
        codes.push_back(59 + static_cast<int>(vk - kF1));
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
                                                 : kLetterScanCodes[vk - 'A']);
            return;
        }
        if (vk >= '0' && vk <= '9') {
            codes.push_back(0);
            codes.push_back(vk == '0' ? 129 : 120 + static_cast<int>(vk - '1'));
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
