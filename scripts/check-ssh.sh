#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The SSH leg of ./check (./check --ssh): the game served by Debian's real
# sshd, set up as packaging/ssh/ says, on a free port of 127.0.0.1 with a
# throw-away host key and a throw-away account, and played with the real ssh
# client in tmux (tests/ssh/). With --bench, instead of the tests, many
# players at once (tests/ssh/players_bench.py): ./check --ssh --bench
# [--players 10,50,100] [--seconds S].
#
# Needs root, to run sshd and make the game's account: through sudo where
# that asks for no password. Everything it starts or makes (sshd, the
# sessions, the tmux servers, the keys, the account, its limits, the
# scratch folder) is gone when it ends, however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh

arguments=("$@")
bench=0
bench_args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --bench) bench=1 ;;
        --players | --seconds)
            [ $# -ge 2 ] || { echo "check --ssh: $1 needs a value" >&2; exit 2; }
            bench_args+=("$1" "$2")
            shift
            ;;
        *)
            echo "check --ssh: unknown option '$1' (./check --help lists them)" >&2
            exit 2
            ;;
    esac
    shift
done

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        exec sudo -n "$0" "${arguments[@]}"
    fi
    echo "check --ssh: needs root (to run sshd and make the game's account); run it as root" >&2
    exit 1
fi

ensure_packages "${BUILD_PACKAGES[@]}" tmux locales openssh-server openssh-client python3
export LANG=C.UTF-8

# The game and the tests: in build-check/ where ./check has configured it
# (only what changed since is built again), else in build-ssh/.
build="build-check"
if [ ! -f "$build/CMakeCache.txt" ]; then
    build="build-ssh"
    # shellcheck disable=SC2046  # platform_cmake_args gives whole words
    cmake -S . -B "$build" -DPATRULHA_WERROR=ON -DPATRULHA_TESTS=ON $(platform_cmake_args) \
        >/dev/null
fi
cmake --build "$build" -j "$(build_jobs)" --target patrulha patrulha_ssh_tests

# ==== The server, and its clean-up ====

scratch=$(mktemp -d "${TMPDIR:-/tmp}/patrulha-ssh.XXXXXX")
account="patrulha-t$$"
limits="/etc/security/limits.d/$account.conf"
sshd_pid=""
agent_pid=""
runner_pid=""

# The account's processes, by id: what a session left behind.
account_pids() {
    ps -o pid= -u "$account" 2>/dev/null || true
}

# Every process below `pid`, by id.
descendants() {
    ps -e -o pid=,ppid= | awk -v top="$1" '
        { parent[$1] = $2 }
        END {
            for (p in parent) {
                for (q = parent[p]; q > 1; q = parent[q]) if (q == top) { print p; break }
            }
        }'
}

clean_up() {
    local status=$?
    set +e
    if [ -n "$runner_pid" ]; then
        kill "$runner_pid" 2>/dev/null
        wait "$runner_pid" 2>/dev/null
    fi
    [ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null
    local pids
    if [ -n "$sshd_pid" ]; then
        # The sessions first (sshd's own half of each, and the game's),
        # should any have outlived their connection: they outlive sshd.
        pids=$(descendants "$sshd_pid")
        kill "$sshd_pid" 2>/dev/null
        # shellcheck disable=SC2086  # one id a word
        [ -n "$pids" ] && kill $pids 2>/dev/null
        wait "$sshd_pid" 2>/dev/null
    fi
    pids=$(account_pids)
    # shellcheck disable=SC2086
    [ -n "$pids" ] && kill $pids 2>/dev/null
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        [ -z "$(account_pids)" ] && break
        sleep 0.2
    done
    pids=$(account_pids)
    # shellcheck disable=SC2086
    [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
    id "$account" >/dev/null 2>&1 && userdel "$account" 2>/dev/null
    rm -f "$limits"
    rm -rf "$scratch"
    exit "$status"
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The scratch folder holds the game, its account's home and the server's
# files: readable by the account, writable only by root.
chmod 755 "$scratch"
mkdir -m 755 "$scratch/home"
touch "$scratch/home/not-for-players"
install -m 755 "$build/patrulha" "$scratch/patrulha"
ssh-keygen -q -t ed25519 -N '' -C patrulha-test-host -f "$scratch/host_key"

# The game's account, as the README makes it: a shell to run the forced
# command with, and no password.
useradd --no-create-home --home-dir "$scratch/home" --shell /bin/sh "$account"
passwd -d "$account" >/dev/null
sed "s/^patrulha /$account /" packaging/ssh/patrulha-limits.conf >"$limits"

# A free port on 127.0.0.1, from the kernel.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# The recipe's configuration, with this run's port, key, account and game.
# The session's sound device records what it is given, so that the tests
# see whether a session ever opened it.
cat >"$scratch/asound.conf" <<ALSA
pcm.!default { type file slave.pcm "null" file "$scratch/sound-opened.raw" format "raw" }
pcm.null { type null }
ALSA
sed -e "s|^Port .*|Port $port\nListenAddress 127.0.0.1|" \
    -e "s|^HostKey .*|HostKey $scratch/host_key|" \
    -e "s|^PidFile .*|PidFile $scratch/sshd.pid|" \
    -e "s|^AllowUsers patrulha\$|AllowUsers $account|" \
    -e "s|/usr/games/patrulha|$scratch/patrulha|" \
    packaging/ssh/sshd_config >"$scratch/sshd_config"
echo "SetEnv ALSA_CONFIG_PATH=$scratch/asound.conf" >>"$scratch/sshd_config"
if ! grep -q "^AllowUsers $account\$" "$scratch/sshd_config" ||
    ! grep -q "^ForceCommand exec $scratch/patrulha\$" "$scratch/sshd_config"; then
    echo "check --ssh: packaging/ssh/sshd_config is not as this script expects" >&2
    exit 1
fi

# sshd's privilege separation needs its empty folder.
mkdir -p /run/sshd
/usr/sbin/sshd -t -f "$scratch/sshd_config"
/usr/sbin/sshd -f "$scratch/sshd_config" -D -e 2>"$scratch/sshd.log" &
sshd_pid=$!
for _ in $(seq 100); do
    grep -q "Server listening" "$scratch/sshd.log" && break
    kill -0 "$sshd_pid" 2>/dev/null || { cat "$scratch/sshd.log" >&2; exit 1; }
    sleep 0.1
done

# The client's side: the server's key known beforehand, the game's account,
# only the locale sent, no key of the player's tried; and the same through
# a link that delays every byte 150 ms each way.
echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$scratch/host_key.pub")" >"$scratch/known_hosts"
cat >"$scratch/ssh_config" <<CLIENT
Host game game-slow
    HostName 127.0.0.1
    Port $port
    User $account
    UserKnownHostsFile $scratch/known_hosts
    StrictHostKeyChecking yes
    BatchMode yes
    PubkeyAuthentication no
    SendEnv LANG
    ConnectTimeout 20
Host game-slow
    ProxyCommand python3 $PWD/tests/ssh/delay_relay.py 127.0.0.1 $port 150
CLIENT

export PATRULHA_SSH_CONFIG="$scratch/ssh_config" PATRULHA_SSHD_PID="$sshd_pid"
export PATRULHA_SSH_ACCOUNT="$account" PATRULHA_SSH_SOUND="$scratch/sound-opened.raw"

# The tests (or the benchmark) in the background, so that a signal to this
# script is taken at once, and ends them too.
run() {
    "$@" &
    runner_pid=$!
    local status=0
    wait "$runner_pid" || status=$?
    runner_pid=""
    return $status
}

if [ $bench = 1 ]; then
    run python3 tests/ssh/players_bench.py "${bench_args[@]}"
    exit 0
fi

# An agent for the test that asks for it to be forwarded.
eval "$(ssh-agent -s -a "$scratch/agent.sock")" >/dev/null
agent_pid=$SSH_AGENT_PID
export SSH_AUTH_SOCK

status=0
run "$build/tests/patrulha_ssh_tests" || status=1
if [ $status -ne 0 ]; then
    echo "---- sshd's log" >&2
    tail -40 "$scratch/sshd.log" >&2
fi
exit $status
