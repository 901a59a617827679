// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// Turns the key events of the Windows console's input into the key codes
// the game reads with _getch, with the same table as on terminals (see
// platform/key_decoder.h):
//
//   Up, Down, Left, Right      224 then 72, 80, 75, 77
//   Home, End                  224 then 71, 79
//   Page Up, Page Down         224 then 73, 81
//   Insert, Delete             224 then 82, 83
//   F1 to F10                  0 then 59 to 68
//   F11, F12                   224 then 133, 134
//   Esc                        27, whatever character the event carries
//   Alt + letter or digit      0 then the key's code on the original
//                              keyboard: letters their scan code, digits
//                              120 to 129
//   a typed character          its code page 850 code where it has one
//
// Releases, keys alone such as Shift, and characters outside code page 850
// give nothing. Nothing here needs <windows.h>: the event's fields come in
// as plain numbers, with the console's own values.
#pragma once

#include <cstdint>
#include <deque>

namespace patrulha::platform {

// The fields of a console KEY_EVENT_RECORD.
struct ConsoleKeyEvent {
    bool key_down = true;
    unsigned repeat_count = 1;
    unsigned virtual_key = 0;
    unsigned scan_code = 0;
    char16_t character = 0;  // the UTF-16 unit typed, 0 for none
    unsigned control_keys = 0;
};

// The console's virtual keys and control-key flags that the table uses.
namespace console_key {
constexpr unsigned kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kControl = 0x11,
                   kMenu = 0x12, kEscape = 0x1B, kPrior = 0x21, kNext = 0x22, kEnd = 0x23,
                   kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28,
                   kInsert = 0x2D, kDelete = 0x2E, kF1 = 0x70, kF10 = 0x79, kF11 = 0x7A,
                   kF12 = 0x7B;
constexpr unsigned kRightAlt = 0x0001, kLeftAlt = 0x0002, kRightCtrl = 0x0004, kLeftCtrl = 0x0008,
                   kShiftPressed = 0x0010;
}  // namespace console_key

// Appends the codes of `event` to `codes`, once for each repeat.
void translate_key_event(const ConsoleKeyEvent& event, std::deque<int>& codes);

}  // namespace patrulha::platform
