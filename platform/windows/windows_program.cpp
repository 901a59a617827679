#include "platform/windows/windows_program.h"

#include <cstdio>
#include <exception>
#include <string>

#include "platform/runtime.h"
#include "platform/windows/windows_backend.h"

namespace patrulha::platform {

int run_on_console(const char* name, const wchar_t* title, const std::function<int()>& body) {
    try {
        WindowsBackend console(title);
        Runtime::instance().attach(console);
        int status = 0;
        std::string failure;
        try {
            status = body();
        } catch (const ConsoleInterrupted& interrupted) {
            status = interrupted.status;
        } catch (const ConsoleGone&) {
            status = 1;
        } catch (const std::exception& error) {
            failure = error.what();
            status = 1;
        } catch (...) {
            failure = "unexpected error";
            status = 1;
        }
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
