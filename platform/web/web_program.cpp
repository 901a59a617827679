// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/web/web_program.h"

#include <emscripten.h>

#include <string>

#include "platform/console_buffer.h"
#include "platform/program.h"
#include "platform/replay_session.h"
#include "platform/runtime.h"
#include "platform/web/web_backend.h"

namespace patrulha::platform {

// The scripts inside are the page's, not C++: left as written.
// clang-format off
// The end screen: `error` is empty after a normal end, `verdict` says how
// a replay went, `recording` is the replay of the game just played (empty
// after a replay).
EM_JS(void, page_ended, (int status, const char* error, const char* verdict, const char* recording), {
    patrulhaPage.ended(status, UTF8ToString(error), UTF8ToString(verdict), UTF8ToString(recording));
});
// Part `part` of the replay the page was given (0 its text, 1 its file's
// name) copied into `buffer` of `size` bytes; returns the part's length in
// bytes, or -1 when the page has no replay to play.
EM_JS(int, page_replay, (int part, char* buffer, int size), {
    const replay = patrulhaPage.replay();
    if (!replay) return -1;
    const text = part === 0 ? replay.text : replay.name;
    if (size > 0) stringToUTF8(text, buffer, size);
    return lengthBytesUTF8(text);
});
// clang-format on

namespace {

std::string replay_part(int part) {
    const int length = page_replay(part, nullptr, 0);
    if (length < 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    page_replay(part, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

int run_on_web(const std::function<int()>& body) {
    ReplaySession session;
    std::string recording;
    if (page_replay(0, nullptr, 0) >= 0) {
        const std::string name = replay_part(1);
        const std::string text = replay_part(0);
        try {
            if (text.size() > kLargestReplayBytes)
                throw ReplayError(name + ": too large to be a replay of this game");
            session.play(parse_replay(text, name), name);
        } catch (const ReplayError& bad) {
            page_ended(2, "", bad.what(), "");
            return 2;
        }
    } else {
        session.record_to([&recording](std::string_view lines) { recording += lines; },
                          ConsoleBuffer::kWidth, ConsoleBuffer::kHeight);
    }
    WebBackend page;
    std::string error, verdict;
    int status = run_attached(page, session.wrap(body), error);
    status = session.finish(status, verdict);
    // What the game left on its console is presented before the end
    // screen replaces it.
    Runtime::instance().present();
    Runtime::instance().detach();
    page_ended(status, error.c_str(), verdict.c_str(), recording.c_str());
    return status;
}

}  // namespace patrulha::platform
