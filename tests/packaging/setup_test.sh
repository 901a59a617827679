#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# scripts/setup.sh under each package manager it knows, and under none:
# stand-ins for the package managers record what they were asked to
# install, and say that only cmake is installed already.
#
#   setup_test.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0

# A PATH of the few tools setup.sh uses, plus the stand-ins named.
make_path() {
    dir=$work/path-$1
    shift
    mkdir -p "$dir"
    for tool in grep uname getconf cat; do
        ln -sf "$(command -v $tool)" "$dir/$tool"
    done
    # Root, so that no sudo is sought; "user" among the stand-ins makes it
    # an ordinary user, with no sudo.
    printf '#!/bin/sh\necho 0\n' >"$dir/id"
    chmod +x "$dir/id"
    for stand_in in "$@"; do
        case "$stand_in" in
            user)
                printf '#!/bin/sh\necho 1000\n' >"$dir/id"
                continue
                ;;
            dpkg-query) body='case "$*" in *" cmake") echo "install ok installed";; *) exit 1;; esac' ;;
            rpm) body='[ "$3" = cmake ]' ;;
            pacman | apk | brew) body='case "$*" in -S*|add*|install*) echo "$0 $*" >>"'"$work"'/asked";; *) [ "${3:-$2}" = cmake ];; esac' ;;
            *) body='echo "$0 $*" >>"'"$work"'/asked"' ;;
        esac
        printf '#!/bin/sh\n%s\n' "$body" >"$dir/$stand_in"
        chmod +x "$dir/$stand_in"
    done
    echo "$dir"
}

# check NAME PATH EXPECTED_ASKED EXPECTED_STATUS COMMAND...: runs COMMAND
# with setup.sh sourced and compares what was asked and the exit status.
check() {
    name=$1 path=$2 expected=$3 expected_status=$4
    shift 4
    rm -f "$work/asked"
    PATH=$path "$BASH" -c ". '$source_dir/scripts/setup.sh'; $*" >"$work/out" 2>&1
    status=$?
    asked=$(sed "s|^$path/||" "$work/asked" 2>/dev/null)
    if [ "$asked" != "$expected" ] || [ $status -ne "$expected_status" ]; then
        echo "FAIL $name: asked '$asked', status $status; expected '$expected', status $expected_status"
        sed 's/^/  /' "$work/out"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

BASH=$(command -v bash)
game='cmake g++ libncurses-dev libasound2-dev libgtest-dev locales'
check apt "$(make_path apt apt-get dpkg-query)" \
    "apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends g++ libncurses-dev libasound2-dev libgtest-dev locales" 0 \
    ensure_packages $game
check dnf "$(make_path dnf dnf rpm)" \
    "dnf install -y gcc-c++ pkgconfig(ncursesw) pkgconfig(alsa) cmake(GTest)" 0 ensure_packages $game
check zypper "$(make_path zypper zypper rpm)" \
    "zypper --non-interactive install gcc-c++ pkgconfig(ncursesw) pkgconfig(alsa) cmake(GTest)" 0 \
    ensure_packages $game
check pacman "$(make_path pacman pacman)" \
    "pacman -S --needed --noconfirm gcc ncurses alsa-lib gtest" 0 ensure_packages $game
check apk "$(make_path apk apk)" "apk add g++ ncurses-dev alsa-lib-dev gtest-dev" 0 \
    ensure_packages $game
check brew "$(make_path brew brew)" "brew install ncurses googletest" 0 ensure_packages $game
# A name with no counterpart is left out, the rest still installed.
check dnf-unknown "$(make_path dnf-unknown dnf rpm)" "dnf install -y tmux" 0 \
    ensure_packages mingw-w64 tmux
# No package manager: nothing installed, one line said, and the build goes on.
check none "$(make_path none)" "" 0 "ensure_packages $game 2>'$work/said' &&
    grep -q 'installing nothing' '$work/said' && [ \$(grep -c '' '$work/said') -eq 1 ]"
# What can be done without is never a reason to fail or to ask.
check try-without-manager "$(make_path none2)" "" 1 try_packages libclang-rt-14-dev
check try-without-root "$(make_path apt-user apt-get dpkg-query user)" "" 1 \
    "try_packages libclang-rt-14-dev 2>'$work/said'; s=\$?; [ ! -s '$work/said' ] && exit \$s; exit 99"
# What is needed, without root: the one command to run, and a stop.
check need-without-root "$(make_path apt-user2 apt-get dpkg-query user)" "" 1 \
    "(ensure_packages g++) 2>'$work/said'; s=\$?
     grep -qx '  sudo apt-get install -y --no-install-recommends g++' '$work/said' && exit \$s; exit 99"

[ $failures -eq 0 ] && echo "setup.sh: every case passed" && exit 0
echo "setup.sh: $failures case(s) failed"
exit 1
