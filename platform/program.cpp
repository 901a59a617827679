// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "platform/program.h"

#include <exception>

#include "platform/runtime.h"

namespace patrulha::platform {

int run_attached(Backend& backend, const std::function<int()>& body, std::string& failure) {
    Runtime::instance().attach(backend);
    try {
        return body();
    } catch (const ProgramEnded& ended) {
        return ended.status;
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unexpected error";
    }
    return 1;
}

}  // namespace patrulha::platform
