#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The benchmark of this build beside a baseline revision, in one run, so that
# both meet the same machine under the same load. Run by `./check --bench`
# once build-check/ is built; see docs/PERFORMANCE.md.
#
#   scripts/bench.sh [--baseline REV] [--cost-seconds S] [--cost-rounds R]
#                    [bench options: --frames N --presets P --runs R --seed N
#                     --idle-seconds S --term NAME[,NAME...]]
#
# 1. The baseline (default: 6176c16, the main line before the lighter
#    writer) is taken from git as a snapshot, built in build-baseline/
#    (the game and its benchmark), and the snapshot removed again.
# 2. The real programs of both builds are measured at the menu and in play,
#    without keys and with a key every 100 ms: processor time, context
#    switches and system calls by kind (build-check/bench --cost), on the
#    first terminal named and the last preset (the busiest by default);
#    beside them the frame floor, a program that only waits once and writes
#    a frame's bytes once a frame: the least any paced game pays here.
# 3. The seeded sessions of both builds' own benchmarks run at the same time,
#    and their figures (pace, bytes, processor time) are printed side by
#    side with the ratio of this build's to the baseline's.
set -euo pipefail
cd "$(dirname "$0")/.."

baseline=6176c16
terms=tmux-256color,xterm-256color
presets=14
cost_args=()
bench_args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --baseline) baseline=$2 ;;
        --cost-seconds | --cost-rounds) cost_args+=("$1" "$2") ;;
        --term) terms=$2 ;;
        --presets) presets=$2 ;;
        --frames | --runs | --seed | --idle-seconds) bench_args+=("$1" "$2") ;;
        *)
            echo "bench.sh: unknown option '$1'" >&2
            exit 2
            ;;
    esac
    [ $# -ge 2 ] || { echo "bench.sh: '$1' needs a value" >&2; exit 2; }
    shift 2
done

revision=$(git rev-parse --verify "$baseline^{commit}")
build="build-baseline"
source=$build/source
work=$(mktemp -d)
# shellcheck disable=SC2317  # run by the trap
cleanup() {
    rm -rf "$source" "$work"
}
trap cleanup EXIT

printf '\n==== Building the baseline %s in %s/\n' "$(git log -1 --format='%h %s' "$revision" | cut -c1-70)" "$build"
# A snapshot of the revision, not a checkout: nothing in the repository
# changes. Its files keep the commit's time, so an unchanged baseline is
# not rebuilt.
[ "$(cat "$build/REVISION" 2>/dev/null)" = "$revision" ] || rm -rf "$build"
mkdir -p "$source"
git archive "$revision" | tar -x -C "$source"
cmake -S "$source" -B "$build" -DPATRULHA_BENCH=ON -DPATRULHA_TESTS=OFF \
    -DCMAKE_REQUIRE_FIND_PACKAGE_ALSA="$([ "$(uname -s)" = Linux ] && echo ON || echo OFF)" \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$build" -j "$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)" \
    --target patrulha patrulha_bench >"$work/build.log" 2>&1 || { tail -40 "$work/build.log" >&2; exit 1; }
echo "$revision" >"$build/REVISION"
rm -rf "$source"

printf '\n==== The real programs: %s/patrulha against build-check/patrulha, and the frame floor\n' "$build"
status=0
build-check/bench --cost "$build/patrulha,build-check/patrulha,build-check/frame_floor" --term "${terms%%,*}" \
    --presets "${presets: -1}" ${cost_args[@]+"${cost_args[@]}"} || status=1

printf '\n==== The seeded sessions of both builds, at the same time\n'
bench_args+=(--term "$terms" --presets "$presets")
"$build/bench" "${bench_args[@]}" >"$work/baseline.txt" 2>"$work/baseline.err" &
baseline_pid=$!
build-check/bench "${bench_args[@]}" >"$work/this.txt" 2>"$work/this.err" || status=1
wait "$baseline_pid" || status=1
cat "$work/this.txt"

# The medians of each table, baseline and this build, with their ratio.
printf '\nThis build beside the baseline %s (medians over the runs)\n' "${revision:0:7}"
awk '
    FNR == 1 { file++; block = "" }
    /^Side by side/ { block = ""; next }
    /^TERM=/ { block = $0; sub(/, [0-9]+ runs?$/, "", block); if (file == 1 && !(block in seen)) { seen[block] = 1; order[++blocks] = block } next }
    /^  [a-zA-Z]/ && block != "" && substr($0, 39) ~ /^ *-?[0-9]/ {
        name = substr($0, 3, 36); split(substr($0, 39), v, " ")
        key = block SUBSEP name
        if (file == 1) { if (!(key in base)) rows[block] = rows[block] SUBSEP name; base[key] = v[2]; unit[key] = substr($0, 74, 4); sub(/ +$/, "", unit[key]) }
        else now[key] = v[2]
    }
    END {
        for (b = 1; b <= blocks; b++) {
            block = order[b]
            printf "\n%s\n  %-36s %12s %12s %8s\n", block, "", "baseline", "this build", "ratio"
            n = split(rows[block], names, SUBSEP)
            for (i = 2; i <= n; i++) {
                key = block SUBSEP names[i]
                ratio = base[key] != 0 && (key in now) ? sprintf("%8.3f", now[key] / base[key]) : "       -"
                printf "  %-36s %12s %12s %s %s\n", names[i], base[key], (key in now) ? now[key] : "-", ratio, unit[key]
            }
        }
    }' "$work/baseline.txt" "$work/this.txt"
grep -h '^  run [0-9]*:' "$work/baseline.txt" "$work/this.txt" >&2 || true
exit $status
