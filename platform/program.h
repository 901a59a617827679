// SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
// SPDX-License-Identifier: MIT

// What every program of the game does between taking its backend over and
// giving it back: runs its body with the runtime on the backend, and tells
// how it ended.
#pragma once

#include <functional>
#include <string>

#include "platform/backend.h"

namespace patrulha::platform {

// Attaches the runtime to `backend` and runs `body`. Returns what `body`
// returned; the status of a ProgramEnded; or 1 when an error ended it, with
// `failure` saying why. The runtime stays attached, so that the caller can
// still show the last picture before it detaches.
int run_attached(Backend& backend, const std::function<int()>& body, std::string& failure);

}  // namespace patrulha::platform
