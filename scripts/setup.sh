# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# shellcheck shell=bash
# Shared by ./play and ./check: installs the packages they need with the
# system's own package manager, and says how many jobs to build with.
# Sourced, not run.
#
# Packages are named as Debian names them; native_package gives the name
# under the other package managers known here. Where none of them is
# found, nothing is installed and CMake names whatever is missing.

# The package manager to install with: apt, dnf, zypper, pacman, apk, brew,
# or none.
package_manager() {
    if command -v apt-get >/dev/null 2>&1 && command -v dpkg-query >/dev/null 2>&1; then
        echo apt
    elif command -v dnf >/dev/null 2>&1; then
        echo dnf
    elif command -v zypper >/dev/null 2>&1; then
        echo zypper
    elif command -v pacman >/dev/null 2>&1; then
        echo pacman
    elif command -v apk >/dev/null 2>&1; then
        echo apk
    elif command -v brew >/dev/null 2>&1; then
        echo brew
    else
        echo none
    fi
}

# The name under package manager $1 of Debian's package $2. Prints "-" where
# that system needs nothing for it (the compiler comes with Xcode, there is
# no ALSA on macOS) and nothing where no name is known. Fedora and openSUSE
# are asked for what a package provides, which their two package managers
# share.
native_package() {
    case "$1" in
        apt) echo "$2" ;;
        dnf | zypper)
            case "$2" in
                cmake | make | tmux | file | clang) echo "$2" ;;
                g++) echo gcc-c++ ;;
                libncurses-dev) echo 'pkgconfig(ncursesw)' ;;
                libasound2-dev) echo 'pkgconfig(alsa)' ;;
                libgtest-dev) echo 'cmake(GTest)' ;;
                libclang-rt-*-dev) echo compiler-rt ;;
                locales | dpkg-dev) echo - ;;
            esac
            ;;
        pacman)
            case "$2" in
                cmake | make | tmux | file | clang) echo "$2" ;;
                g++) echo gcc ;;
                libncurses-dev) echo ncurses ;;
                libasound2-dev) echo alsa-lib ;;
                libgtest-dev) echo gtest ;;
                libclang-rt-*-dev) echo compiler-rt ;;
                locales | dpkg-dev) echo - ;;
            esac
            ;;
        apk)
            case "$2" in
                cmake | make | tmux | file | clang | g++) echo "$2" ;;
                libncurses-dev) echo ncurses-dev ;;
                libasound2-dev) echo alsa-lib-dev ;;
                libgtest-dev) echo gtest-dev ;;
                libclang-rt-*-dev) echo compiler-rt ;;
                locales | dpkg-dev) echo - ;;
            esac
            ;;
        brew)
            case "$2" in
                cmake | tmux) echo "$2" ;;
                libncurses-dev) echo ncurses ;;
                libgtest-dev) echo googletest ;;
                make | g++ | clang | file | libasound2-dev | locales | dpkg-dev | libclang-rt-*-dev) echo - ;;
            esac
            ;;
    esac
}

# Whether package $2 of package manager $1 is installed.
package_installed() {
    case "$1" in
        apt) dpkg-query -W -f='${Status}' "$2" 2>/dev/null | grep -q 'install ok installed' ;;
        dnf | zypper) rpm -q --whatprovides "$2" >/dev/null 2>&1 ;;
        pacman) pacman -Q "$2" >/dev/null 2>&1 ;;
        apk) apk info -e "$2" >/dev/null 2>&1 ;;
        brew) brew list --versions "$2" >/dev/null 2>&1 ;;
    esac
}

# The command that installs packages with package manager $1, without
# questions.
install_command() {
    case "$1" in
        apt) echo "apt-get install -y --no-install-recommends" ;;
        dnf) echo "dnf install -y" ;;
        zypper) echo "zypper --non-interactive install" ;;
        pacman) echo "pacman -S --needed --noconfirm" ;;
        apk) echo "apk add" ;;
        brew) echo "brew install" ;;
    esac
}

# Installs those of the Debian packages named that are missing, under the
# system's own names: directly as root, through sudo otherwise (Homebrew
# as the user). Where that cannot be done, prints the one command to run
# and stops. Where no package manager is known, says so in one line and
# installs nothing.
ensure_packages() {
    install_packages must "$@"
}

# Like ensure_packages, for what can be done without: installs only where
# that needs no password, and returns 1, saying nothing, where it cannot.
try_packages() {
    install_packages may "$@"
}

install_packages() {
    local need=$1
    shift
    local manager
    manager=$(package_manager)
    if [ "$manager" = none ]; then
        [ "$need" = may ] && return 1
        echo "No package manager known here: installing nothing; CMake names what is missing." >&2
        return 0
    fi
    local missing=() unknown=() pkg name
    for pkg in "$@"; do
        name=$(native_package "$manager" "$pkg")
        if [ -z "$name" ]; then
            unknown+=("$pkg")
        elif [ "$name" != - ] && ! package_installed "$manager" "$name"; then
            missing+=("$name")
        fi
    done
    if [ ${#unknown[@]} -gt 0 ]; then
        [ "$need" = may ] && return 1
        echo "Not installing ${unknown[*]}: no name known for it under $manager." >&2
    fi
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$manager" != brew ] && [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            sudo=(sudo)
        elif [ "$need" = must ] && command -v sudo >/dev/null 2>&1 && [ -t 0 ]; then
            sudo=(sudo)  # sudo may ask for the password
        elif [ "$need" = may ]; then
            return 1
        else
            echo "Cannot install packages without root. Run:" >&2
            echo "  sudo $(install_command "$manager") ${missing[*]}" >&2
            exit 1
        fi
    fi
    echo "Installing missing packages: ${missing[*]}" >&2
    local install
    read -r -a install <<<"$(install_command "$manager")"
    if [ "$manager" = apt ]; then
        export DEBIAN_FRONTEND=noninteractive
        # Another installation under way (a second build, the system's own
        # updates) is waited for rather than failed on.
        install=(apt-get -o DPkg::Lock::Timeout=600 "${install[@]:1}")
        # A fresh machine may have no package lists yet, or stale ones.
        "${sudo[@]}" "${install[@]}" "${missing[@]}" >/dev/null 2>&1 ||
            { "${sudo[@]}" apt-get update >/dev/null &&
                "${sudo[@]}" "${install[@]}" "${missing[@]}" >/dev/null; } && return 0
    elif "${sudo[@]}" "${install[@]}" "${missing[@]}" >/dev/null; then
        return 0
    fi
    [ "$need" = may ] && return 1
    echo "Package installation failed. Run:" >&2
    echo "  sudo $(install_command "$manager") ${missing[*]}" >&2
    exit 1
}

# Extra CMake arguments this system needs: Homebrew's ncurses, which has
# the wide-character library that macOS lacks, is not on the default paths.
platform_cmake_args() {
    if command -v brew >/dev/null 2>&1 && [ "$(uname -s)" = Darwin ]; then
        echo "-DCMAKE_PREFIX_PATH=$(brew --prefix ncurses)"
    fi
}

# What building the terminal game needs, by Debian's names; and with its
# tests.
GAME_PACKAGES=(cmake make g++ libncurses-dev libasound2-dev)
BUILD_PACKAGES=("${GAME_PACKAGES[@]}" libgtest-dev)

# Jobs to build with: one per core.
build_jobs() {
    getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2
}

# The tools the tests run keep their settings and caches in the XDG folders
# (asciinema its install id, Chromium its crash reports, wine its menus,
# rpmlint's speller its word lists), and the sound library its runtime
# folder: those go in the folder $1, made afresh beside the build, instead
# of the home and /tmp of whoever runs the tests.
tools_home() {
    rm -rf "$1"
    mkdir -p "$1/config" "$1/cache" "$1/data"
    local dir
    dir=$(cd "$1" && pwd)
    export XDG_CONFIG_HOME="$dir/config" XDG_CACHE_HOME="$dir/cache" XDG_DATA_HOME="$dir/data" \
        PULSE_RUNTIME_PATH="$dir/pulse"
}
