#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The release leg (./check --release): `reuse lint` on the committed tree,
# the whole dist/ built from it by scripts/release.sh, and each artefact
# checked from outside:
#   - the tarball, unpacked in an empty folder, builds with ./play (GCC, as
#     a player's first run does: no other word than ./play's own and the
#     version) and with clang without ALSA or GoogleTest, with no warning;
#   - the .deb says nothing to lintian, and runs from a scratch root;
#   - the zip holds the .exe, LICENSE.txt and README.txt in CRLF lines; the
#     .exe carries the version resource and, under wine in tmux, shows the
#     menu and plays (the Windows leg's own end-to-end test);
#   - the page plays in headless Chromium (the web leg's page test); the
#     web/ folder, served on localhost, installs and plays offline;
#   - the RPM and the Arch package build from the tarball with rpmbuild and
#     makepkg, are checked by rpmlint (and namcap where there is one), and
#     install into scratch roots whose game answers --version;
#   - the Homebrew formula and the scoop manifest parse, and name the
#     release's files and checksums;
#   - SHA256SUMS verifies;
#   - one version everywhere: CMake's, --version, the manual page, the
#     .deb, the .exe's resource, the page, the names and the recipes.
# Scratch folders live under build-release/test/ and go when it ends.
#
#   tests/packaging/release_test.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/setup.sh
JOBS=$(build_jobs)
export LANG=C.UTF-8

ensure_packages "${BUILD_PACKAGES[@]}" clang reuse lintian rpm rpmlint makepkg \
    pacman-package-manager fakeroot ruby python3 unzip wine wine64 tmux googletest \
    chromium zstd libarchive-tools
# Any Node will do (Debian's, or one installed from elsewhere with its npm).
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    ensure_packages nodejs npm
fi
started=$SECONDS
failures=()
step() {
    printf '\n==== %s (%d s)\n' "$*" $((SECONDS - started))
}
fail() {
    echo "FAIL: $*" >&2
    failures+=("$*")
}

work=$PWD/build-release/test
cleanup() {
    rm -rf "$work" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ==== The licence marks ====

step "reuse lint on the committed tree"
rm -rf "$work" && mkdir -p "$work/lint"
git archive --format=tar HEAD | tar -x -C "$work/lint"
(cd "$work/lint" && reuse lint >"$work/reuse.log" 2>&1) || {
    tail -40 "$work/reuse.log"
    fail "reuse lint: the committed tree is not REUSE-compliant (scripts/license-headers.sh gives the missing headers)"
}

# ==== The release ====

# The release starts from an empty build-release/, this test's folder too.
scripts/release.sh
mkdir -p "$work"
tools_home "$work/tools-home"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/deb/CMakeCache.txt)
echo "CMake's version: $version"
dist=$PWD/dist
tarball=$dist/patrulha-$version.tar.gz
deb=$dist/patrulha_${version}_amd64.deb
zip=$dist/patrulha-$version-win64.zip
page=$dist/patrulha-$version.html
for file in "$tarball" "$deb" "$zip" "$page" "$dist/SHA256SUMS" \
    "$dist"/packaging/{rpm/patrulha.spec,arch/PKGBUILD,homebrew/patrulha.rb,scoop/patrulha.json}; do
    [ -f "$file" ] || fail "the release has no ${file#"$dist"/}"
done

step "SHA256SUMS"
(cd "$dist" && sha256sum --check --strict --quiet SHA256SUMS) || fail "SHA256SUMS does not verify"
listed=$(wc -l <"$dist/SHA256SUMS")
present=$(cd "$dist" && find . -type f ! -name SHA256SUMS | wc -l)
[ "$listed" -eq "$present" ] || fail "SHA256SUMS lists $listed files, dist/ has $present"

# ==== The tarball ====

step "The tarball, unpacked in an empty folder, built by ./play with GCC"
mkdir "$work/gcc"
tar -xzf "$tarball" -C "$work/gcc"
played=$(cd "$work/gcc/patrulha-$version" && CXX=g++ ./play --version 2>&1 </dev/null) ||
    fail "./play --version from the tarball failed"
expected=$(printf 'Building the game in build-play/...\npatrulha %s' "$version")
[ "$played" = "$expected" ] || fail "./play from the tarball printed more than its own words:
$played"

step "The tarball built with clang, with only a compiler, CMake and ncursesw"
mkdir "$work/clang"
tar -xzf "$tarball" -C "$work/clang"
tree=$work/clang/patrulha-$version
{ cmake -S "$tree" -B "$tree/build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_DISABLE_FIND_PACKAGE_ALSA=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON &&
    cmake --build "$tree/build" -j "$JOBS"; } >"$work/clang.log" 2>&1 ||
    { tail -30 "$work/clang.log"; fail "the tarball does not build with clang"; }
if grep -i 'warning' "$work/clang.log"; then fail "clang warned building the tarball"; fi
answer=$("$tree/build/patrulha" --version) || fail "the tarball's clang build: --version failed"
[ "$answer" = "patrulha $version" ] || fail "the tarball's clang build says '$answer'"

# ==== The Debian package ====

step "The Debian package"
LINTIAN_CLEAN=1 sh tests/packaging/deb_test.sh --deb "$deb" "$version" 1 || fail "the .deb"

# ==== The Windows zip ====

step "The Windows zip"
mkdir "$work/zip"
unzip -q "$zip" -d "$work/zip"
contents=$(cd "$work/zip" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
[ "$contents" = "LICENSE.txt README.txt patrulha.exe " ] || fail "the zip holds: $contents"
for text in LICENSE.txt README.txt; do
    # Every line ends in CR LF.
    if grep -qv $'\r$' "$work/zip/$text"; then fail "$text has lines without CRLF"; fi
done
grep -q 'wt --size 80,42' "$work/zip/README.txt" || fail "README.txt gives no Windows Terminal size"
resource=$(python3 tests/packaging/exe_version.py "$work/zip/patrulha.exe") ||
    fail "patrulha.exe carries no version resource"
echo "$resource"
# The wine end-to-end test of the Windows leg, built for the zip's .exe.
cmake -S build-release/src -B "$work/wine-e2e" -DPATRULHA_WERROR=ON \
    -DPATRULHA_WINDOWS_EXE="$work/zip/patrulha.exe" >/dev/null
cmake --build "$work/wine-e2e" -j "$JOBS" --target patrulha_wine_tests >/dev/null
"$work/wine-e2e/tests/windows/patrulha_wine_tests" \
    --gtest_filter='WineE2E.MenuInColourThenAGameMovedAndFiredInThenDEnds' ||
    fail "the zip's patrulha.exe under wine"

# ==== The web page ====

step "The web page in Chromium"
npm_dir=$work/npm
mkdir -p "$npm_dir"
cp tests/web/package.json tests/web/package-lock.json "$npm_dir/"
npm ci --prefix "$npm_dir" --no-audit --no-fund --loglevel=error >/dev/null
export NODE_PATH=$npm_dir/node_modules
node tests/web/page_test.cjs --page "$page" --images "$work/images" --version "$version" || fail "the page in Chromium"
if [ -d "$dist/web" ] && [ -f tests/web/install_test.cjs ]; then
    node tests/web/install_test.cjs "$dist/web" || fail "dist/web/ served on localhost"
    node tests/packaging/page_version.cjs "$page" "$version" || fail "the page's version"
else
    echo "SKIPPED: dist/web/, the page's install test and its version line come with the web" \
        "build's folder for static hosting (build-web/web/, tests/web/install_test.cjs), not in this tree"
fi

# ==== The RPM ====

step "The RPM, built from the tarball with rpmbuild"
rpmtop=$work/rpm
mkdir -p "$rpmtop/SOURCES"
cp "$tarball" "$rpmtop/SOURCES/"
# Debian's rpm database knows none of Debian's packages, so the build
# dependencies are not asked of it (--nodeps). Debian's rpm lacks Fedora's
# find-debuginfo, which strips the program into a debuginfo package, and
# its brp-compress needs bash: the program is stripped and the manual page
# compressed here as there. The packager is the distribution's to name.
# rpm's database is ~/.rpmdb on Debian: rpmbuild's and rpmlint's go with
# this test, in the tools' home.
HOME="$work/tools-home" rpmbuild -bb --nodeps --define "_topdir $rpmtop" --define 'debug_package %{nil}' \
    --define 'packager Patrulha Estelar developers <dev@patrulha.invalid>' \
    --define '__brp_compress bash /usr/lib/rpm/brp-compress %{_prefix}' \
    --define '__brp_strip find %{buildroot} -type f -perm -u+x -exec strip --strip-unneeded {} +' \
    "$dist/packaging/rpm/patrulha.spec" >"$work/rpmbuild.log" 2>&1 ||
    { tail -30 "$work/rpmbuild.log"; fail "rpmbuild"; }
rpm_file=$(find "$rpmtop/RPMS" -name "patrulha-$version-1*.rpm" | head -n 1)
if [ -n "$rpm_file" ]; then
    echo "made $(basename "$rpm_file")"
    HOME="$work/tools-home" rpmlint -c tests/packaging/rpmlint.toml "$dist/packaging/rpm/patrulha.spec" "$rpm_file" \
        >"$work/rpmlint.log" 2>&1 ||
        { cat "$work/rpmlint.log"; fail "rpmlint"; }
    tail -1 "$work/rpmlint.log"
    root=$work/rpm-root
    mkdir -p "$root"
    # rpm says, on Debian, that alien is the way: not for a scratch root.
    rpm -i --root "$root" --dbpath /var/lib/rpm --nodeps "$rpm_file" 2>&1 |
        grep -v -e 'use Alien instead' -e 'you know what you are doing' || true
    [ -x "$root/usr/bin/patrulha" ] || fail "rpm -i into a scratch root put no /usr/bin/patrulha"
    answer=$("$root/usr/bin/patrulha" --version) || answer=
    [ "$answer" = "patrulha $version" ] || fail "the RPM's game says '$answer'"
    ls "$root"/usr/share/man/man6/patrulha.6* >/dev/null 2>&1 || fail "the RPM has no manual page"
else
    fail "rpmbuild made no patrulha-$version-1 package"
fi

# ==== The Arch package ====

step "The Arch package, built from the tarball with makepkg"
archdir=$work/arch
mkdir -p "$archdir"
cp "$dist/packaging/arch/PKGBUILD" "$tarball" "$archdir/"
# makepkg will not run as root: it runs as nobody, in a folder of its own.
# Its dependencies are Arch's, which Debian's pacman does not know (-d);
# the tarball's checksum is checked against the PKGBUILD's.
chown -R nobody "$archdir"
(cd "$archdir" && setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$archdir" makepkg -d --noconfirm >"$archdir/makepkg.log" 2>&1) ||
    { tail -30 "$archdir/makepkg.log"; fail "makepkg"; }
pkg_file=$(find "$archdir" -maxdepth 1 -name "patrulha-$version-1-*.pkg.tar.*" | head -n 1)
if [ -n "$pkg_file" ]; then
    echo "made $(basename "$pkg_file")"
    if command -v namcap >/dev/null 2>&1; then
        namcap "$archdir/PKGBUILD" "$pkg_file" || fail "namcap"
    else
        echo "namcap is not installed (Debian 12 has no package of it): the Arch package is not checked by it"
    fi
    root=$work/arch-root
    mkdir -p "$root/var/lib/pacman"
    pacman -U --noconfirm -dd --root "$root" --dbpath "$root/var/lib/pacman" \
        --logfile "$work/pacman.log" --cachedir "$work/pacman-cache" "$pkg_file" >"$work/pacman-out.log" 2>&1 ||
        { cat "$work/pacman-out.log"; fail "pacman -U into a scratch root"; }
    answer=$("$root/usr/bin/patrulha" --version) || answer=
    [ "$answer" = "patrulha $version" ] || fail "the Arch package's game says '$answer'"
    ls "$root"/usr/share/man/man6/patrulha.6* >/dev/null 2>&1 || fail "the Arch package has no manual page"
    [ -f "$root/usr/share/licenses/patrulha/LICENSE" ] || fail "the Arch package has no licence"
else
    fail "makepkg made no patrulha-$version-1 package"
fi

# ==== Homebrew and scoop ====

step "The Homebrew formula and the scoop manifest"
sha_tarball=$(sha256sum "$tarball" | cut -d' ' -f1)
sha_zip=$(sha256sum "$zip" | cut -d' ' -f1)
formula=$dist/packaging/homebrew/patrulha.rb
ruby -c "$formula" >/dev/null || fail "the formula is not Ruby"
# Homebrew itself does not run here: the formula is read by a stand-in of
# its Formula class that keeps what the class body says.
fields=$(ruby -e '
class Formula
  def self.method_missing(name, *args, &block) = (@fields ||= {})[name] = args.first
  def self.test(*) = nil
  def self.fields = @fields
end
load ARGV[0]
f = Patrulha.fields
puts f[:url], f[:sha256], f[:license]' "$formula") || fail "the formula could not be read"
formula_url=$(echo "$fields" | sed -n 1p)
[ "$(basename "$formula_url")" = "patrulha-$version.tar.gz" ] || fail "the formula's url: $formula_url"
[ "$(echo "$fields" | sed -n 2p)" = "$sha_tarball" ] || fail "the formula's sha256 is not the tarball's"
[ "$(echo "$fields" | sed -n 3p)" = MIT ] || fail "the formula's licence"
grep -q '^  test do$' "$formula" || fail "the formula has no test block"
python3 - "$dist/packaging/scoop/patrulha.json" "$version" "$sha_zip" "$(basename "$zip")" <<'EOF' ||
import json, sys
m = json.load(open(sys.argv[1]))
ok = (m["version"] == sys.argv[2] and m["hash"] == sys.argv[3]
      and m["url"].rsplit("/", 1)[1] == sys.argv[4] and m["bin"] == "patrulha.exe")
sys.exit(0 if ok else f"the scoop manifest does not name the release's zip: {m}")
EOF
    fail "the scoop manifest"
grep -q "^sha256sums=('$sha_tarball')$" "$dist/packaging/arch/PKGBUILD" || fail "the PKGBUILD's checksum"

# ==== One version ====

step "One version everywhere: $version"
same() {  # what, value
    if [ "$2" = "$version" ]; then echo "  $1: $2"; else fail "$1 says '$2', CMake $version"; fi
}
same "--version of the tarball's build" "${played##*patrulha }"
same "the .deb's Version" "$(dpkg-deb -f "$deb" Version)"
same "the manual page in the .deb" "$(dpkg-deb --fsys-tarfile "$deb" |
    tar -xO ./usr/share/man/man6/patrulha.6.gz | gzip -dc |
    sed -n 's/^\.TH PATRULHA 6 "[^"]*" "patrulha \([^"]*\)".*/\1/p')"
same "the .exe's FileVersion" "$(echo "$resource" | sed -n 's/^FileVersion //p')"
same "the .exe's ProductVersion" "$(echo "$resource" | sed -n 's/^ProductVersion //p')"
same "the .exe's fixed version" "$(echo "$resource" | sed -n 's/^fixed \(.*\)\.0$/\1/p')"
same "CHANGELOG.md's newest release" "$(sed -n 's/^## \[\([0-9][^]]*\)\] - .*/\1/p' build-release/src/CHANGELOG.md | head -n 1)"
same "the Debian changelog" "$(sed -n '1s/^patrulha (\([^)]*\)).*/\1/p' build-release/src/packaging/debian/changelog)"
same "the RPM spec" "$(sed -n 's/^Version: *//p' "$dist/packaging/rpm/patrulha.spec")"
same "the PKGBUILD" "$(sed -n 's/^pkgver=//p' "$dist/packaging/arch/PKGBUILD")"
same "the scoop manifest" "$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["version"])' "$dist/packaging/scoop/patrulha.json")"
for name in "$tarball" "$deb" "$zip" "$page"; do
    same "the name $(basename "$name")" "$(basename "$name" | sed -E 's/^patrulha[-_]([0-9][0-9.]*[0-9])[-_.].*/\1/')"
done
[ -d "$dist/web" ] && [ -f tests/web/install_test.cjs ] && echo "  the page: shown above by page_version.cjs"
man_date=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man6/patrulha.6.gz | gzip -dc |
    sed -n 's/^\.TH PATRULHA 6 "\([^"]*\)".*/\1/p')
grep -q "^## \[$version\] - $man_date$" build-release/src/CHANGELOG.md ||
    fail "CHANGELOG.md's entry for $version is not dated $man_date, the manual page's date"

echo
echo "The release leg took $((SECONDS - started)) s"
if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failures[@]}" >&2
    exit 1
fi
echo "Every part of the release of patrulha $version checked"
