#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# Makes the release of the committed tree (HEAD, as `git archive` gives it:
# what is not committed is not released) into dist/, every part built in
# its own folder under build-release/ in its Release configuration:
#
#   dist/patrulha-VERSION.tar.gz         the source
#   dist/patrulha_VERSION_amd64.deb      the Debian package
#   dist/patrulha-VERSION-win64.zip      patrulha.exe, LICENSE.txt, README.txt
#   dist/patrulha-VERSION.html           the web page, one file
#   dist/web/                            the web page for static hosting
#   dist/packaging/                      the RPM spec, the Arch PKGBUILD, the
#                                        Homebrew formula and the scoop
#                                        manifest, their version, addresses
#                                        and checksums filled in
#   dist/SHA256SUMS                      the checksums of all the above
#
# The version is the one CMake's project() gives. The recipes' download
# addresses are RELEASE_URL's releases (GitHub's layout), by default the
# placeholder below. Installs what is missing. ./check --release runs this
# and then checks every part from outside (tests/packaging/release_test.sh).
#
#   scripts/release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
JOBS=$(build_jobs)
RELEASE_URL=${RELEASE_URL:-https://github.com/patrulha-estelar/patrulha}

ensure_packages "${GAME_PACKAGES[@]}" dpkg-dev file git zip \
    mingw-w64 g++-mingw-w64-x86-64-posix
started=$SECONDS
step() {
    printf '\n==== %s (%d s)\n' "$*" $((SECONDS - started))
}

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "release: the working tree has uncommitted changes; the release is made of HEAD without them" >&2
fi

rm -rf build-release dist
mkdir -p build-release/src dist/packaging
src=$PWD/build-release/src
git archive --format=tar HEAD | tar -x -C "$src"
# Every file of a part gets the commit's time, so that the same commit
# makes the same archives.
stamp=$(git log -1 --format=%ct HEAD)

# ==== The Debian package, and the version ====

step "The Debian package, in build-release/deb/"
cmake -S "$src" -B build-release/deb -DCMAKE_BUILD_TYPE=Release -DPATRULHA_DEB=ON \
    -DPATRULHA_TESTS=OFF -DPATRULHA_WERROR=ON >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/deb/CMakeCache.txt)
[ -n "$version" ] || { echo "release: CMake gave no version" >&2; exit 1; }
grep -q "^## \[$version\] - [0-9]\{4\}-[0-9][0-9]-[0-9][0-9]$" "$src/CHANGELOG.md" || {
    echo "release: CHANGELOG.md has no entry '## [$version] - YYYY-MM-DD'" >&2
    exit 1
}
cmake --build build-release/deb -j "$JOBS" >/dev/null
cpack -G DEB -B build-release/deb/cpack --config build-release/deb/CPackConfig.cmake \
    >build-release/deb/cpack.log 2>&1 || { cat build-release/deb/cpack.log >&2; exit 1; }
cp build-release/deb/cpack/"patrulha_${version}_amd64.deb" dist/

step "The source, dist/patrulha-$version.tar.gz"
git archive --format=tar.gz --prefix="patrulha-$version/" -o "dist/patrulha-$version.tar.gz" HEAD

# ==== patrulha.exe in its zip ====

step "patrulha.exe, in build-release/windows/"
cmake --no-warn-unused-cli -S "$src" -B build-release/windows \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DPATRULHA_TESTS=OFF -DPATRULHA_WERROR=ON >/dev/null
cmake --build build-release/windows -j "$JOBS" --target patrulha >/dev/null
zipdir=build-release/zip
mkdir -p "$zipdir"
cp build-release/windows/patrulha.exe "$zipdir/"
# Text files as Windows' Notepad wants them: CRLF lines.
sed 's/$/\r/' "$src/LICENSE" >"$zipdir/LICENSE.txt"
sed 's/$/\r/' >"$zipdir/README.txt" <<EOF
Patrulha Estelar $version
======================

A real-time shooting game for the console. Steer the ship at the foot of
the field, shoot the enemies above, dodge their shots and the asteroids,
catch the falling hearts for extra lives. The texts are in Portuguese.

Starting it
-----------
Unpack the zip into a folder of its own and double-click patrulha.exe, or
run it from a prompt (cmd or PowerShell) in that folder:

    patrulha.exe

It needs no installation and nothing beyond Windows itself.

The window must be at least 80 columns by 42 rows. The classic console
window is given that size by the game. Windows Terminal (the default
console of Windows 11) keeps its own size, 120 x 30 unless you change it:
start the game with

    wt --size 80,42 patrulha.exe

or set Settings > Startup > Launch size to 80 columns and 42 rows (or make
the font smaller). While the window is too small the game waits and says
so; enlarge it and play on.

Keys
----
Menu:      1-4 start a game (easy to advanced), 5 options, Esc quits
Game:      arrows move, Z fires, A special bomb, X re-centres the ship,
           S pauses, C back to the menu, D quits
Game over: S plays again, N quits

Ctrl-C quits at any moment.

Licence
-------
MIT: see LICENSE.txt. $RELEASE_URL
EOF
touch -d "@$stamp" "$zipdir"/*
(cd "$zipdir" && zip -q -X -D "../../dist/patrulha-$version-win64.zip" patrulha.exe LICENSE.txt README.txt)

# ==== The web page ====

step "The web page, in build-release/src/build-web/"
"$src/scripts/build-web.sh" >/dev/null
cp "$src/build-web/patrulha.html" "dist/patrulha-$version.html"
if [ -d "$src/build-web/web" ]; then
    cp -r "$src/build-web/web" dist/web
else
    echo "release: this tree's web build makes no build-web/web/: dist/web/ left out" >&2
fi

# ==== The recipes of the other families ====

step "The recipes, in dist/packaging/"
sha_tarball=$(sha256sum "dist/patrulha-$version.tar.gz" | cut -d' ' -f1)
sha_zip=$(sha256sum "dist/patrulha-$version-win64.zip" | cut -d' ' -f1)
date=$(sed -n "s/^## \[$version\] - //p" "$src/CHANGELOG.md")
for recipe in rpm/patrulha.spec arch/PKGBUILD homebrew/patrulha.rb scoop/patrulha.json; do
    mkdir -p "dist/packaging/$(dirname $recipe)"
    sed -e "s|@VERSION@|$version|g" -e "s|@HOMEPAGE@|$RELEASE_URL|g" \
        -e "s|@DOWNLOAD@|$RELEASE_URL/releases/download/v$version|g" \
        -e "s|@SHA256_TARBALL@|$sha_tarball|g" -e "s|@SHA256_ZIP@|$sha_zip|g" \
        -e "s|@RPM_DATE@|$(LC_ALL=C date -u -d "$date" '+%a %b %d %Y')|g" \
        "$src/packaging/$recipe" >"dist/packaging/$recipe"
done

(cd dist && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
    xargs sha256sum >SHA256SUMS)

step "Released patrulha $version into dist/"
(cd dist && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs stat -c '%10s  %n')
echo "The release took $((SECONDS - started)) s"
