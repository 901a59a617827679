#include "platform/windows/windows_program.h"

#include <cstdio>
#include <string>

#include "platform/program.h"
#include "platform/runtime.h"
#include "platform/windows/windows_backend.h"

namespace patrulha::platform {

int run_on_console(const char* name, const wchar_t* title, const std::function<int()>& body) {
    try {
        WindowsBackend console(title);
        std::string failure;
        const int status = run_attached(console, body, failure);
        console.restore();
        Runtime::instance().detach();
        if (!failure.empty()) std::fprintf(stderr, "%s: %s\n", name, failure.c_str());
        return status;
    } catch (const ConsoleError& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    }
}

}  // namespace patrulha::platform
