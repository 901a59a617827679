// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The console's key events become the game's key codes: the same table as
// on terminals.
#include "platform/windows/console_keys.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace patrulha::platform {
namespace {

using namespace console_key;

struct KeyCase {
    std::string name;
    ConsoleKeyEvent event;
    std::vector<int> codes;
};

ConsoleKeyEvent press(unsigned vk, char16_t c = 0, unsigned control = 0, unsigned scan = 0) {
    ConsoleKeyEvent e;
    e.virtual_key = vk;
    e.character = c;
    e.control_keys = control;
    e.scan_code = scan;
    return e;
}

ConsoleKeyEvent release(unsigned vk, char16_t c = 0) {
    ConsoleKeyEvent e = press(vk, c);
    e.key_down = false;
    return e;
}

ConsoleKeyEvent repeated(ConsoleKeyEvent e, unsigned count) {
    e.repeat_count = count;
    return e;
}

constexpr unsigned kEnhanced = 0x0100;

const std::vector<KeyCase> kCases = {
    {"up", press(kUp, 0, kEnhanced), {224, 72}},
    {"down", press(kDown), {224, 80}},
    {"left", press(kLeft), {224, 75}},
    {"right", press(kRight), {224, 77}},
    {"home and end", press(kHome), {224, 71}},
    {"end", press(kEnd), {224, 79}},
    {"page up", press(kPrior), {224, 73}},
    {"page down", press(kNext), {224, 81}},
    {"insert", press(kInsert), {224, 82}},
    {"delete", press(kDelete, 0, kEnhanced), {224, 83}},
    {"F1", press(kF1), {0, 59}},
    {"F10", press(kF10), {0, 68}},
    {"F11", press(kF11), {224, 133}},
    {"F12", press(kF12), {224, 134}},
    {"Esc with its character", press(kEscape, 27), {27}},
    {"Esc without a character", press(kEscape, 0), {27}},
    {"Enter", press(kReturn, 13), {13}},
    {"Enter without a character", press(kReturn, 0), {13}},
    {"Backspace", press(kBack, 8), {8}},
    {"Tab", press(kTab, 9), {9}},
    {"lower-case letter", press('Z', 'z'), {'z'}},
    {"upper-case letter", press('Z', 'Z', kShiftPressed), {'Z'}},
    {"digit", press('1', '1'), {'1'}},
    {"Ctrl+C as a key", press('C', 3, kLeftCtrl), {3}},
    {"accented letter", press(0xDE, u'\u00e1'), {160}},
    {"c cedilla", press(0xBA, u'\u00c7'), {128}},
    {"a character outside code page 850", press(0, u'\u20ac'), {}},
    {"half of a surrogate pair", press(0, static_cast<char16_t>(0xD83D)), {}},
    {"Alt+X with its scan code", press('X', 'x', kLeftAlt, 45), {0, 45}},
    {"Alt+X without a scan code", press('X', 'x', kLeftAlt), {0, 45}},
    {"right Alt+A", press('A', 'a', kRightAlt), {0, 30}},
    {"Alt+1", press('1', '1', kLeftAlt), {0, 120}},
    {"Alt+0", press('0', '0', kLeftAlt), {0, 129}},
    {"AltGr types its character", press('Q', '@', kRightAlt | kLeftCtrl), {'@'}},
    {"Alt+Up is still Up", press(kUp, 0, kLeftAlt), {224, 72}},
    {"Shift alone", press(kShift, 0, kShiftPressed), {}},
    {"Ctrl alone", press(kControl, 0, kLeftCtrl), {}},
    {"a release", release('Z', 'z'), {}},
    {"a release of an arrow", release(kUp), {}},
    {"Alt and keypad digits give their character on release", release(kMenu, u'\u00e7'), {135}},
    {"a held arrow repeats whole", repeated(press(kLeft), 3), {224, 75, 224, 75, 224, 75}},
    {"a held letter repeats", repeated(press('Z', 'z'), 2), {'z', 'z'}},
    {"a repeat count of 0 is one press", repeated(press('Z', 'z'), 0), {'z'}},
};

TEST(ConsoleKeys, EventsBecomeTheGamesCodes) {
    for (const KeyCase& c : kCases) {
        std::deque<int> codes;
        translate_key_event(c.event, codes);
        EXPECT_EQ(std::vector<int>(codes.begin(), codes.end()), c.codes) << c.name;
    }
}

TEST(ConsoleKeys, CodesAreAppendedAfterThoseWaiting) {
    std::deque<int> codes = {'1'};
    translate_key_event(press(kDown), codes);
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.end()), (std::vector<int>{'1', 224, 80}));
}

}  // namespace
}  // namespace patrulha::platform
