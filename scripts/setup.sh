# Shared by ./play and ./check: installs missing Debian packages and builds.
# Sourced, not run.

# Installs the Debian packages named, those not installed yet, with
# apt-get: directly as root, through sudo otherwise. Where neither can be
# done, prints the one command to run and stops.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}" >&2
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            sudo=(sudo)
        elif command -v sudo >/dev/null 2>&1 && [ -t 0 ]; then
            sudo=(sudo)  # sudo may ask for the password
        else
            echo "Cannot install packages without root. Run:" >&2
            echo "  sudo apt-get install -y ${missing[*]}" >&2
            exit 1
        fi
    fi
    export DEBIAN_FRONTEND=noninteractive
    if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null; then
        "${sudo[@]}" apt-get update >/dev/null &&
            "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null || {
            echo "Package installation failed. Run:" >&2
            echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
            exit 1
        }
    fi
}

# What building the game and its tests needs.
BUILD_PACKAGES=(cmake make g++ libncurses-dev libasound2-dev libgtest-dev)

# Configures and builds into build/ with the options given.
build() {
    cmake -S . -B build "$@" >/dev/null
    cmake --build build -j "$(nproc)"
}
