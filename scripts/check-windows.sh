#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The Windows leg of ./check (./check --windows): cross-builds patrulha.exe
# and its tests with mingw-w64 into build-windows/, runs the unit and screen
# tests under wine, checks that the .exe needs no DLL beyond Windows' own,
# and plays patrulha.exe under wine in tmux. Installs what is missing. Wine
# runs in a temporary prefix, made once for the run and removed afterwards
# with its wine server, whatever the outcome (tests/windows/wine_prefix.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh

WINDOWS_PACKAGES=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 tmux googletest python3)
ensure_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
if ! command -v wine >/dev/null 2>&1; then
    echo "wine is installed but not on the PATH" >&2
    exit 1
fi

seconds() { date +%s.%N; }
took() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f s", b - a }'; }

started=$(seconds)
cmake --no-warn-unused-cli -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DPATRULHA_WERROR=ON >/dev/null
cmake --build build-windows -j "$(build_jobs)"
# The end-to-end test is a Linux program (it drives tmux); it is built on
# its own so that the Linux build's tests stay as they are.
cmake -S . -B build-windows-e2e -DPATRULHA_WERROR=ON \
    -DPATRULHA_WINDOWS_EXE="$PWD/build-windows/patrulha.exe" >/dev/null
cmake --build build-windows-e2e -j "$(build_jobs)" --target patrulha_wine_tests
echo "Windows build: $(took "$started")"

tools_home build-windows-e2e/tools-home

# The wine prefix of this run, made once here rather than inside a test's
# deadline, and removed with its wine server whatever the outcome.
started=$(seconds)
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/patrulha-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'tests/windows/wine_prefix.sh remove "$WINEPREFIX"' EXIT
trap 'exit 130' INT TERM
tests/windows/wine_prefix.sh start "$WINEPREFIX"
echo "Wine prefix: $(took "$started")"

started=$(seconds)
status=0
ctest --test-dir build-windows --output-on-failure -j "$(build_jobs)" || status=1
ctest --test-dir build-windows-e2e -L wine --output-on-failure || status=1
echo "Windows tests: $(took "$started")"
exit $status
