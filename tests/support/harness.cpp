// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

#include "tests/support/harness.h"

namespace patrulha::testing {

RunEnd ConsoleTest::run_main() {
    try {
        patrulha::main();
        return RunEnd::Returned;
    } catch (const platform::ScriptEnded&) {
        return RunEnd::ScriptEnded;
    }
}

}  // namespace patrulha::testing
