#include "platform/web/web_program.h"

#include <emscripten.h>

#include <string>

#include "platform/program.h"
#include "platform/runtime.h"
#include "platform/web/web_backend.h"

namespace patrulha::platform {

// Shows the end line on the page; `error` is empty after a normal end.
EM_JS(void, page_ended, (int status, const char* error), {
    patrulhaPage.ended(status, UTF8ToString(error));
});

int run_on_web(const std::function<int()>& body) {
    WebBackend page;
    std::string error;
    const int status = run_attached(page, body, error);
    // What the game left on its console stays in view above the end line.
    Runtime::instance().pace();
    Runtime::instance().detach();
    page_ended(status, error.c_str());
    return status;
}

}  // namespace patrulha::platform
