#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The Debian package of a build configured with PATRULHA_DEB: cpack makes
# it; it names the version, the section and the libraries it needs; unpacked
# into a scratch root with dpkg -x, the game there answers --version, and
# the manual page, copyright and changelog are where Debian keeps them;
# lintian, where it is installed, finds no error (with LINTIAN_CLEAN set,
# nothing at all). Prints what lintian said.
#
#   deb_test.sh CPACK BUILD_DIR VERSION WITH_ALSA(0|1)
#   deb_test.sh --deb PACKAGE.deb VERSION WITH_ALSA(0|1)   a package made before
set -u
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ "$1" = --deb ]; then
    deb=$2 version=$3 alsa=$4
    [ -f "$deb" ] || fail "no package $deb"
else
    cpack=$1 build=$2 version=$3 alsa=$4
    "$cpack" -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || {
        cat "$work/cpack.log"
        fail "cpack could not make the package"
    }
    set -- "$work"/out/*.deb
    [ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .deb, found: $*"
    deb=$1
    echo "made $(basename "$deb")"
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = patrulha ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project's is $version"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
# Depends comes from dpkg-shlibdeps: the libraries the binary links.
depends=$(field Depends)
echo "Depends: $depends"
for lib in libc6 'libstdc\+\+6' 'libtinfo[0-9]+'; do
    echo "$depends" | grep -Eq "(^|, )$lib( |,|$)" || fail "Depends names no $lib"
done
if [ "$alsa" = 1 ]; then
    echo "$depends" | grep -Eq '(^|, )libasound2' || fail "Depends names no libasound2"
else
    echo "$depends" | grep -Eq 'libasound' && fail "a silent build depends on libasound"
fi

root=$work/root
dpkg -x "$deb" "$root" || fail "dpkg -x could not unpack the package"
answer=$("$root/usr/games/patrulha" --version) || fail "patrulha --version failed"
[ "$answer" = "patrulha $version" ] || fail "patrulha --version said '$answer'"
echo "$answer"
for file in usr/share/man/man6/patrulha.6.gz usr/share/doc/patrulha/copyright \
    usr/share/doc/patrulha/changelog.gz; do
    [ -f "$root/$file" ] || fail "the package has no /$file"
done
# The page's header: the release's date, from the changelog, and version.
header=$(gzip -dc "$root/usr/share/man/man6/patrulha.6.gz" | grep -m 1 "^\.TH")
echo "$header" | grep -Eq "^\.TH PATRULHA 6 \"[0-9]{4}-[01][0-9]-[0-3][0-9]\" \"patrulha $version\"" ||
    fail "the manual page's header is not dated or does not name version $version: $header"

if command -v lintian >/dev/null 2>&1; then
    # lintian leaves its ELF index's databases in TMPDIR: ours goes with $work.
    TMPDIR="$work" lintian "$deb" >"$work/lintian.log" 2>&1
    status=$?
    echo "lintian (status $status):"
    sed 's/^/  /' "$work/lintian.log"
    [ $status -eq 0 ] || fail "lintian found errors"
    # The release is held to more: no tag at all (lintian's own word on
    # being run as root is not about the package).
    if [ -n "${LINTIAN_CLEAN:-}" ] &&
        grep -v '^running with root privileges is not recommended!$' "$work/lintian.log" | grep -q .; then
        fail "lintian is not silent about the package"
    fi
else
    echo "lintian is not installed: the package was not checked by it"
fi
