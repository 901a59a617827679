#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
"""A slow link, as ssh's ProxyCommand: connects to HOST PORT and passes
standard input to it and what it sends to standard output, every byte
DELAY_MS milliseconds late each way, spaced as it came.

    delay_relay.py HOST PORT DELAY_MS
"""
import os
import queue
import socket
import sys
import threading
import time


def carry(read, write, finish, delay):
    """Reads chunks with `read` and writes each with `write` `delay` seconds
    after it came; calls `finish` once the source has ended and all has
    been written."""
    due = queue.Queue()

    def reader():
        while True:
            try:
                data = read()
            except OSError:
                data = b""
            due.put((time.monotonic() + delay, data))
            if not data:
                return

    threading.Thread(target=reader, daemon=True).start()
    while True:
        at, data = due.get()
        left = at - time.monotonic()
        if left > 0:
            time.sleep(left)
        if not data:
            finish()
            return
        try:
            write(data)
        except OSError:
            finish()
            return


def main():
    host, port, delay_ms = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    delay = delay_ms / 1000.0
    server = socket.create_connection((host, port))
    server.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    stdin, stdout = sys.stdin.fileno(), sys.stdout.fileno()

    def write_all(fd, data):
        while data:
            data = data[os.write(fd, data):]

    def end_upstream():
        try:
            server.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    threading.Thread(
        target=carry,
        args=(lambda: os.read(stdin, 65536), server.sendall, end_upstream, delay),
        daemon=True,
    ).start()
    # The server's side ending (or the client gone) ends the relay.
    carry(lambda: server.recv(65536), lambda d: write_all(stdout, d), lambda: None, delay)
    os._exit(0)


if __name__ == "__main__":
    main()
