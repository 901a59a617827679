// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT
#include "platform/terminal/asciicast.h"

#include <algorithm>

#include "platform/console_buffer.h"

namespace patrulha::platform {

namespace {

// The length of the UTF-8 sequence at `at`, or 0 where it is not one.
std::size_t utf8_length(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4  ? 4
                               : lead >= 0xE0                ? 3
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                                                             : 0;
    if (length == 0 || at + length > bytes.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(bytes[at + i]) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string json_escaped(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
        } else if (const std::size_t length = byte >= 0x80 ? utf8_length(bytes, i) : 0) {
            out.append(bytes.substr(i, length));
            i += length - 1;
        } else {
            // A control character, or a byte of a terminal's own character
            // set (line drawing outside UTF-8) taken as Latin-1.
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

Asciicast::Asciicast(std::FILE* file, const std::string& term, std::time_t started, bool flush_each)
    : file_(file), flush_each_(flush_each) {
    std::fprintf(file_,
                 "{\"version\": 2, \"width\": %d, \"height\": %d, \"timestamp\": %lld, "
                 "\"env\": {\"TERM\": \"%s\"}}\n",
                 ConsoleBuffer::kWidth, ConsoleBuffer::kHeight, static_cast<long long>(started),
                 json_escaped(term).c_str());
    if (flush_each_) std::fflush(file_);
}

void Asciicast::output(std::int64_t us, std::string_view bytes) {
    if (bytes.empty()) return;
    last_us_ = std::max(last_us_, us);
    char time[32];
    std::snprintf(time, sizeof time, "[%lld.%06lld, \"o\", \"",
                  static_cast<long long>(last_us_ / 1'000'000),
                  static_cast<long long>(last_us_ % 1'000'000));
    line_ = time;
    line_ += json_escaped(bytes);
    line_ += "\"]\n";
    std::fwrite(line_.data(), 1, line_.size(), file_);
    if (flush_each_) std::fflush(file_);
}

}  // namespace patrulha::platform
