#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
"""Many players on one server at once: for each count of players, that many
real ssh clients, each on a pseudo-terminal of its own (80 x 42, xterm), log
in, start a game and play scripted keys at a player's pace (a key every
quarter of a second: fire, steer, re-centre) while this program reads what
each is sent, as a terminal would, answering the game's status questions.
Over the measured seconds it reports, per count:

  pace      pictures a second each client received (the game draws about
            20 frames a second, and in play nearly every frame changes the
            screen), the slowest client's and the median;
  server    processor time of sshd and the games together, per player, in
            per cent of one core, from /proc;
  memory    proportional set size (PSS) of sshd's processes and the games,
            per player;
  clients   the ssh clients' own processor time per player, which loads the
            same machine here.

Run by scripts/check-ssh.sh --bench (./check --ssh --bench), which starts
the server and sets PATRULHA_SSH_CONFIG and PATRULHA_SSHD_PID.

    players_bench.py [--players 10,50,100] [--seconds S]
"""
import argparse
import fcntl
import os
import pty
import select
import signal
import statistics
import struct
import sys
import termios
import time

TICKS = os.sysconf("SC_CLK_TCK")
KEYS = [b"z", b"\x1b[D", b"z", b"\x1b[C", b"z", b"x"]
KEY_EVERY = 0.25
# Reads closer together than this are one picture cut into pieces on the way.
PICTURE_GAP = 0.015


def processes_below(top):
    """Every process below `top`, by id, with `top` itself."""
    parent = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open(f"/proc/{name}/stat") as f:
                    parent[int(name)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                pass
    found = {top}
    for pid in parent:
        up, hops = parent.get(pid), 0
        while up and up > 1 and hops < 8:
            if up == top:
                found.add(pid)
                break
            up, hops = parent.get(up), hops + 1
    return found


def cpu_ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (OSError, IndexError, ValueError):
        return None


def pss_kib(pid):
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def cpu_of(pids):
    return {pid: t for pid in pids if (t := cpu_ticks(pid)) is not None}


def spent(before, after):
    """Seconds of processor time between two samples, over the processes in both."""
    return sum(after[p] - before[p] for p in after if p in before) / TICKS


class Player:
    def __init__(self, config):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.environ.update(TERM="xterm-256color", LANG="C.UTF-8")
            os.execvp("ssh", ["ssh", "-F", config, "-tt", "game"])
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 42, 80, 0, 0))
        self.tail = b""
        self.menu = False
        self.last_read = 0.0
        self.pictures = 0
        self.key = 0
        self.next_key = 0.0

    def read(self, now):
        try:
            data = os.read(self.fd, 65536)
        except OSError:
            data = b""
        if not data:
            return False
        if now - self.last_read >= PICTURE_GAP:
            self.pictures += 1
        self.last_read = now
        seen = self.tail + data
        # As a terminal does: every status question gets its answer.
        for _ in range(seen.count(b"\x1b[5n")):
            os.write(self.fd, b"\x1b[0n")
        if b"PERSONALIZAR" in seen:
            self.menu = True
        self.tail = seen[-16:]
        return True

    def end(self):
        try:
            os.kill(self.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        os.close(self.fd)
        os.waitpid(self.pid, 0)


def run(count, seconds, config, sshd):
    players = []
    by_fd = {}
    poller = select.poll()

    def pump(timeout_ms):
        now = time.monotonic()
        for fd, _ in poller.poll(timeout_ms):
            player = by_fd[fd]
            if not player.read(now):
                poller.unregister(fd)
                raise SystemExit(f"a client's connection ended early (player {players.index(player)})")

    clients = set()
    try:
        # Logins a little apart, as players come.
        for _ in range(count):
            player = Player(config)
            players.append(player)
            by_fd[player.fd] = player
            clients.add(player.pid)
            poller.register(player.fd, select.POLLIN)
            pump(20)
        deadline = time.monotonic() + 60 + count
        while not all(p.menu for p in players):
            if time.monotonic() > deadline:
                raise SystemExit(f"{sum(not p.menu for p in players)} of {count} never saw the menu")
            pump(50)
        start = time.monotonic()
        for i, p in enumerate(players):
            os.write(p.fd, b"1")
            p.next_key = start + 1 + KEY_EVERY * i / count
        # A second of play before the measure.
        end_warm = start + 1.5
        while time.monotonic() < end_warm:
            pump(10)
        pictures = [p.pictures for p in players]
        server_pids = processes_below(sshd)
        server_before = cpu_of(server_pids)
        client_before = cpu_of(clients)
        began = time.monotonic()
        until = began + seconds
        while (now := time.monotonic()) < until:
            for p in players:
                if now >= p.next_key:
                    os.write(p.fd, KEYS[p.key % len(KEYS)])
                    p.key += 1
                    p.next_key += KEY_EVERY
            pump(5)
        took = time.monotonic() - began
        server = spent(server_before, cpu_of(processes_below(sshd)))
        client = spent(client_before, cpu_of(clients))
        memory = sum(pss_kib(pid) for pid in processes_below(sshd) if pid != sshd)
        paces = sorted((p.pictures - n) / took for p, n in zip(players, pictures))
        return {
            "players": count,
            "slowest": paces[0],
            "median": statistics.median(paces),
            "server": 100 * server / took / count,
            "memory": memory / 1024 / count,
            "client": 100 * client / took / count,
        }
    finally:
        for p in players:
            p.end()
        # The server's side of every session gone before the next count.
        deadline = time.monotonic() + 30
        while len(processes_below(sshd)) > 1 and time.monotonic() < deadline:
            time.sleep(0.2)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--players", default="10,50,100")
    parser.add_argument("--seconds", type=float, default=20)
    args = parser.parse_args()
    counts = [int(n) for n in args.players.split(",")]
    if any(n < 1 or n > 200 for n in counts) or not 1 <= args.seconds <= 300:
        parser.error("players from 1 to 200, seconds from 1 to 300")
    config = os.environ["PATRULHA_SSH_CONFIG"]
    sshd = int(os.environ["PATRULHA_SSHD_PID"])
    cores = os.cpu_count()
    print(f"{cores} cores; {args.seconds:g} s of play measured per count; the game's pace "
          "is about 20 frames a second")
    print(f"{'players':>8} {'pace, slowest':>14} {'pace, median':>13} {'server cpu':>11} "
          f"{'server pss':>11} {'client cpu':>11}")
    print(f"{'':>8} {'pictures/s':>14} {'pictures/s':>13} {'%/player':>11} "
          f"{'MiB/player':>11} {'%/player':>11}")
    full = None
    reference = None
    # One player alone first: the pace of a server with nothing else to do.
    for count in [1] + counts:
        r = run(count, args.seconds, config, sshd)
        print(f"{r['players']:>8} {r['slowest']:>14.1f} {r['median']:>13.1f} {r['server']:>11.2f} "
              f"{r['memory']:>11.2f} {r['client']:>11.2f}", flush=True)
        if reference is None:
            reference = r["median"]
            continue
        # Full pace: even the slowest client within 10 % of the lone player's.
        if r["slowest"] >= 0.9 * reference:
            full = r
    if full:
        print(f"full pace up to {full['players']} players at least; players per core at full "
              f"pace (the server's side): {100 / full['server']:.0f}")
    else:
        print("no count kept its full pace")


if __name__ == "__main__":
    main()
