#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT

# Prints what a replay costs: the bytes per minute of play of a game played
# in tmux with keys sent at a player's pace, and how long `--replay ...
# --cast` takes to make its asciicast, as a ratio to the game's length.
# Usage: bench/replay_bench.sh [BINARY] [MINUTES]   (10 minutes by default)
set -eu
binary=$(realpath "${1:-build/patrulha}")
minutes=${2:-10}
dir=$(mktemp -d)
socket=replay-bench-$$
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; rm -rf "$dir"' EXIT INT TERM

tmux -L "$socket" new-session -d -x 80 -y 42 \
    "$binary --record $dir/game.rpl 2>$dir/err; echo \$? >$dir/status"
sleep 2
tmux -L "$socket" send-keys 1
end=$(( $(date +%s) + minutes * 60 ))
i=0
while [ "$(date +%s)" -lt "$end" ]; do
    case $((i % 9)) in
        0|3|6) key=z ;; 1) key=Left ;; 2) key=Up ;; 4) key=Right ;; 5) key=Down ;;
        7) key=x ;; *) if [ $((i % 90)) -eq 8 ]; then key=a; else key=z; fi ;;
    esac
    tmux -L "$socket" send-keys "$key"
    # A game lost goes back to the menu and on at the first level.
    if tmux -L "$socket" capture-pane -p | grep -q "GAME OVER"; then
        tmux -L "$socket" send-keys s
        sleep 1
        tmux -L "$socket" send-keys 1
    fi
    i=$((i + 1))
    sleep 0.25
done
tmux -L "$socket" send-keys d
while [ ! -s "$dir/status" ]; do sleep 0.2; done

bytes=$(wc -c <"$dir/game.rpl")
seconds=$(grep -c '^c ' "$dir/game.rpl")
start=$(date +%s.%N)
"$binary" --replay "$dir/game.rpl" --cast "$dir/game.cast" 2>"$dir/replay-err" </dev/null
finish=$(date +%s.%N)
awk -v b="$bytes" -v s="$seconds" -v t0="$start" -v t1="$finish" \
    -v c="$(wc -c <"$dir/game.cast")" -v k="$(grep -c '^[kw] ' "$dir/game.rpl")" 'BEGIN {
    printf "replay: %d bytes for %d s of play (%d key lines): %.0f bytes a minute\n", b, s, k, b * 60 / s
    printf "--replay --cast: %.2f s for %d s of play: %.4f of the game'"'"'s length (cast %d bytes)\n", t1 - t0, s, (t1 - t0) / s, c
}'
cat "$dir/replay-err"
