// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/size_notice.h"

#include <algorithm>

#include "platform/console_buffer.h"

namespace patrulha::platform {

std::vector<NoticeLine> size_notice(int columns, int rows) {
    if (columns <= 0 || rows <= 0) return {};
    const std::string needed =
        std::to_string(ConsoleBuffer::kWidth) + " x " + std::to_string(ConsoleBuffer::kHeight);
    const std::string current = std::to_string(columns) + " x " + std::to_string(rows);
    std::vector<std::string> lines = {
        "Terminal pequeno demais", "precisa: " + needed, "atual: " + current,  "",
        "Aumente a janela ou",     "reduza a fonte.",    "Ctrl-C sai do jogo."};
    const auto widest = [](const std::vector<std::string>& all) {
        std::size_t w = 0;
        for (const std::string& line : all) w = std::max(w, line.size());
        return static_cast<int>(w);
    };
    // The blank line between the sizes and the advice goes first.
    if (rows < static_cast<int>(lines.size())) lines.erase(lines.begin() + 3);
    if (rows < static_cast<int>(lines.size()) || columns < widest(lines)) {
        lines = {"min " + std::to_string(ConsoleBuffer::kWidth) + "x" +
                     std::to_string(ConsoleBuffer::kHeight),
                 "tem " + std::to_string(columns) + "x" + std::to_string(rows), "Ctrl-C sai"};
    }
    // A tiny window shows the first lines, each cut to the window's width.
    lines.resize(std::min(lines.size(), static_cast<std::size_t>(rows)));
    const int top = (rows - static_cast<int>(lines.size())) / 2;
    std::vector<NoticeLine> notice;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string text = lines[i].substr(0, static_cast<std::size_t>(columns));
        if (text.empty()) continue;
        const int x = (columns - static_cast<int>(text.size())) / 2;
        notice.push_back({x, top + static_cast<int>(i), std::move(text)});
    }
    return notice;
}

}  // namespace patrulha::platform
