#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The browser build's checks: builds the page and the tests with emscripten,
# then runs the unit and screen tests under Node and plays the page in
# headless Chromium (which also takes the README's pictures, into
# build-web/images; copy them to docs/images to refresh the README's).
# Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
started=$SECONDS
scripts/build-web.sh --tests
echo "Built the page and the tests in $((SECONDS - started)) s: $(stat -c %s build-web/patrulha.html) bytes in build-web/patrulha.html"
tools_home build-web/tools-home
ctest --test-dir build-web --output-on-failure -j "$(build_jobs)"
