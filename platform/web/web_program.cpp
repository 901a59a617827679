// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/web/web_program.h"

#include <emscripten.h>

#include <string>

#include "platform/program.h"
#include "platform/runtime.h"
#include "platform/web/web_backend.h"

namespace patrulha::platform {

// The script inside is the page's, not C++: left as written.
// clang-format off
// Shows the end screen on the page; `error` is empty after a normal end.
EM_JS(void, page_ended, (int status, const char* error), {
    patrulhaPage.ended(status, UTF8ToString(error));
});
// clang-format on

int run_on_web(const std::function<int()>& body) {
    WebBackend page;
    std::string error;
    const int status = run_attached(page, body, error);
    // What the game left on its console is presented before the end
    // screen replaces it.
    Runtime::instance().present();
    Runtime::instance().detach();
    page_ended(status, error.c_str());
    return status;
}

}  // namespace patrulha::platform
