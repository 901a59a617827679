#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# How much processor time patrulha.exe and wine's console take together
# while the game waits at its title, in tmux panes of 80 x 24, 120 x 30 and
# 100 x 50 (the first two too small: the size notice). A measurement that
# prints its figures, not a test:
#
#   tests/windows/title_cpu.sh [EXE [SECONDS]]
#
# EXE defaults to build-windows/patrulha.exe, SECONDS (per pane) to 20. The
# figures are percent of one core, from the processes' own CPU times in
# /proc over that time, taken once the title (or the notice) is shown.
set -euo pipefail
cd "$(dirname "$0")/../.."
exe=$(realpath "${1:-build-windows/patrulha.exe}")
seconds=${2:-20}
socket=patrulha-cpu-$$
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/patrulha-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all
end_pane() {
    for p in $(tmux -L "$socket" list-panes -a -F '#{pane_pid}' 2>/dev/null); do
        kill -9 -"$p" 2>/dev/null || true
    done
    tmux -L "$socket" kill-server 2>/dev/null || true
    rm -f "/tmp/tmux-$(id -u)/$socket"
}
trap 'end_pane; tests/windows/wine_prefix.sh remove "$WINEPREFIX"' EXIT
trap 'exit 130' INT TERM
tests/windows/wine_prefix.sh start "$WINEPREFIX"

# Clock ticks of user and system time of the processes given.
ticks() {
    local total=0 p fields
    for p in "$@"; do
        fields=$(sed 's/.*) //' "/proc/$p/stat" 2>/dev/null) || continue
        set -- $fields
        total=$((total + ${12} + ${13}))
    done
    echo $total
}

for size in 80x24 120x30 100x50; do
    tmux -L "$socket" -f /dev/null new-session -d -x "${size%x*}" -y "${size#*x}" \
        "env WINEPREFIX=$WINEPREFIX PULSE_RUNTIME_PATH=$WINEPREFIX/pulse WINEDEBUG=-all wine '$exe'"
    shown=no
    for _ in $(seq 600); do
        if tmux -L "$socket" capture-pane -p | grep -q -e 'PERSONALIZAR' -e 'pequeno demais'; then
            shown=yes
            break
        fi
        sleep 0.1
    done
    # The title's animation settles; then the game only waits for a key.
    sleep 3
    # The game and wine's console of this prefix, whatever else runs.
    pids=()
    for p in $(pgrep -f "^($exe|C:.*conhost\\.exe)" || true); do
        if grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null; then pids+=("$p"); fi
    done
    before=$(ticks "${pids[@]}") from=$(date +%s.%N)
    sleep "$seconds"
    after=$(ticks "${pids[@]}") to=$(date +%s.%N)
    awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v a="$from" -v b="$to" \
        -v s="$size" -v shown=$shown -v n=${#pids[@]} 'BEGIN {
            printf "%-7s %5.2f %% of a core over %.1f s (screen shown: %s, %d processes)\n",
                s, 100 * t / hz / (b - a), b - a, shown, n }'
    end_pane
done
