// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// The console calls of console/win32.h over the console screen buffer.
#include "console/win32.h"

#include <algorithm>

#include "platform/runtime.h"

namespace patrulha {

using platform::ConsoleBuffer;
using platform::Point;
using platform::Rect;
using platform::Runtime;

namespace {

char output_token;
char input_token;

// The console behind `handle`, charged one round trip; null when the handle
// is not the output's or no console can be reached.
ConsoleBuffer* console_for(HANDLE handle) {
    Runtime& runtime = Runtime::instance();
    runtime.charge_call();
    if (handle != &output_token || !runtime.backend().console_available()) return nullptr;
    return &runtime.console();
}

Point point(COORD c) {
    return {c.X, c.Y};
}

COORD coord(Point p) {
    return {static_cast<SHORT>(p.x), static_cast<SHORT>(p.y)};
}

Rect rect(const SMALL_RECT& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

SMALL_RECT small_rect(const Rect& r) {
    return {static_cast<SHORT>(r.left), static_cast<SHORT>(r.top), static_cast<SHORT>(r.right),
            static_cast<SHORT>(r.bottom)};
}

// The part of `region` that both the buffer and the caller's block of
// `size` (whose cell `origin` matches the region's top-left) can hold.
Rect block_region(const SMALL_RECT& region, COORD size, COORD origin) {
    const Rect wanted = rect(region);
    const Rect block{wanted.left - origin.X, wanted.top - origin.Y,
                     wanted.left - origin.X + size.X - 1, wanted.top - origin.Y + size.Y - 1};
    return wanted.intersect(ConsoleBuffer::bounds()).intersect(block);
}

}  // namespace

HANDLE GetStdHandle(DWORD which) {
    if (!Runtime::instance().backend().console_available()) return INVALID_HANDLE_VALUE;
    if (which == STD_OUTPUT_HANDLE) return &output_token;
    if (which == STD_INPUT_HANDLE) return &input_token;
    return INVALID_HANDLE_VALUE;
}

BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info) {
    ConsoleBuffer* buffer = console_for(console);
    if (!buffer || !info) return 0;
    const SHORT w = ConsoleBuffer::kWidth, h = ConsoleBuffer::kHeight;
    info->dwSize = {w, h};
    info->dwCursorPosition = coord(buffer->cursor());
    info->wAttributes = buffer->attribute();
    info->srWindow = {0, 0, static_cast<SHORT>(w - 1), static_cast<SHORT>(h - 1)};
    info->dwMaximumWindowSize = {w, h};
    return 1;
}

BOOL SetConsoleCursorPosition(HANDLE console, COORD position) {
    ConsoleBuffer* buffer = console_for(console);
    return buffer && buffer->set_cursor(point(position)) ? 1 : 0;
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attribute) {
    ConsoleBuffer* buffer = console_for(console);
    if (!buffer) return 0;
    buffer->set_attribute(attribute);
    return 1;
}

BOOL SetConsoleCursorInfo(HANDLE console, const CONSOLE_CURSOR_INFO* info) {
    ConsoleBuffer* buffer = console_for(console);
    if (!buffer || !info || info->dwSize > 100) return 0;
    return buffer->set_cursor_info(static_cast<int>(info->dwSize), info->bVisible != 0) ? 1 : 0;
}

BOOL GetConsoleCursorInfo(HANDLE console, CONSOLE_CURSOR_INFO* info) {
    ConsoleBuffer* buffer = console_for(console);
    if (!buffer || !info) return 0;
    info->dwSize = static_cast<DWORD>(buffer->cursor_size());
    info->bVisible = buffer->cursor_visible() ? 1 : 0;
    return 1;
}

BOOL FillConsoleOutputCharacterA(HANDLE console, CHAR character, DWORD length, COORD start,
                                 DWORD* written) {
    ConsoleBuffer* buffer = console_for(console);
    if (written) *written = 0;
    if (!buffer || !ConsoleBuffer::inside(point(start))) return 0;
    const int n = buffer->fill_codes(static_cast<std::uint8_t>(character),
                                     static_cast<long>(length), point(start));
    if (written) *written = static_cast<DWORD>(n);
    return 1;
}

BOOL FillConsoleOutputAttribute(HANDLE console, WORD attribute, DWORD length, COORD start,
                                DWORD* written) {
    ConsoleBuffer* buffer = console_for(console);
    if (written) *written = 0;
    if (!buffer || !ConsoleBuffer::inside(point(start))) return 0;
    const int n = buffer->fill_attributes(attribute, static_cast<long>(length), point(start));
    if (written) *written = static_cast<DWORD>(n);
    return 1;
}

BOOL ScrollConsoleScreenBufferA(HANDLE console, const SMALL_RECT* scroll, const SMALL_RECT* clip,
                                COORD destination, const CHAR_INFO* fill) {
    ConsoleBuffer* buffer = console_for(console);
    if (!buffer || !scroll || !fill) return 0;
    std::optional<Rect> clip_rect;
    if (clip) clip_rect = rect(*clip);
    const platform::Cell fill_cell{static_cast<std::uint8_t>(fill->Char.AsciiChar),
                                   fill->Attributes};
    return buffer->scroll(rect(*scroll), clip_rect, point(destination), fill_cell) ? 1 : 0;
}

BOOL ReadConsoleOutputA(HANDLE console, CHAR_INFO* cells, COORD size, COORD origin,
                        SMALL_RECT* region) {
    ConsoleBuffer* buffer = console_for(console);
    if (!buffer || !cells || !region || origin.X < 0 || origin.Y < 0) return 0;
    const Rect done = block_region(*region, size, origin);
    const Rect wanted = rect(*region);
    for (int y = done.top; y <= done.bottom; ++y)
        for (int x = done.left; x <= done.right; ++x) {
            const platform::Cell& c = buffer->at({x, y});
            CHAR_INFO& out =
                cells[(y - wanted.top + origin.Y) * size.X + (x - wanted.left + origin.X)];
            out.Char.UnicodeChar = 0;
            out.Char.AsciiChar = static_cast<CHAR>(c.code);
            out.Attributes = c.attribute;
        }
    *region = small_rect(
        done.empty() ? Rect{wanted.left, wanted.top, wanted.left - 1, wanted.top - 1} : done);
    return done.empty() ? 0 : 1;
}

BOOL WriteConsoleOutputA(HANDLE console, const CHAR_INFO* cells, COORD size, COORD origin,
                         SMALL_RECT* region) {
    ConsoleBuffer* buffer = console_for(console);
    if (!buffer || !cells || !region || origin.X < 0 || origin.Y < 0) return 0;
    const Rect done = block_region(*region, size, origin);
    const Rect wanted = rect(*region);
    for (int y = done.top; y <= done.bottom; ++y)
        for (int x = done.left; x <= done.right; ++x) {
            const CHAR_INFO& in =
                cells[(y - wanted.top + origin.Y) * size.X + (x - wanted.left + origin.X)];
            buffer->set({x, y}, {static_cast<std::uint8_t>(in.Char.AsciiChar), in.Attributes});
        }
    *region = small_rect(
        done.empty() ? Rect{wanted.left, wanted.top, wanted.left - 1, wanted.top - 1} : done);
    return done.empty() ? 0 : 1;
}

void keybd_event(BYTE virtual_key, BYTE scan_code, DWORD flags, ULONG_PTR) {
    Runtime::instance().synthesised_key(virtual_key, scan_code, flags);
}

}  // namespace patrulha
