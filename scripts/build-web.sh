#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# Builds the browser version: build-web/patrulha.html, one file that plays
# the whole game when opened from disk or served by any web server, and
# build-web/web/, the same page to host, which installs on a phone and plays
# offline (index.html, manifest, icons, service worker). With
# --tests, also the unit and screen tests for Node and the browser test's
# modules. Installs what is missing first.
#
#   scripts/build-web.sh [--tests]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh

tests=OFF
[ "${1:-}" = "--tests" ] && tests=ON

# Debian's emscripten comes with its system libraries already built, so a
# first build compiles only the game.
ensure_packages emscripten cmake make
# Any Node will do (Debian's, or one installed from elsewhere with its npm).
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    ensure_packages nodejs npm
fi
# The tests build GoogleTest from the sources Debian ships, and play the
# page in Chromium.
if [ "$tests" = ON ]; then
    ensure_packages googletest chromium
fi
# The page's monospace font, for whoever opens it on this machine (and for
# the pictures the browser test takes).
ensure_packages fonts-dejavu-core

# Not through emcmake: the Node it names to run the tests takes a flag that
# Node 20 refuses.
toolchain="$(em-config EMSCRIPTEN_ROOT)/cmake/Modules/Platform/Emscripten.cmake"
cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node)" -DCMAKE_BUILD_TYPE=Release \
    -DPATRULHA_WERROR=ON -DPATRULHA_TESTS="$tests" >/dev/null
cmake --build build-web -j "$(build_jobs)"
