#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# The throw-away wine prefix of a test run, made and removed in one place:
#
#   tests/windows/wine_prefix.sh start PATH    makes the empty folder PATH
#                                              (the caller's, made with
#                                              mktemp -d) a wine prefix and
#                                              starts its wine server
#   tests/windows/wine_prefix.sh remove PATH   ends that prefix's wine server
#                                              and removes the prefix with
#                                              the server's socket folder
#
# The prefix's first start takes tens of seconds, once; the persistent wine
# server then keeps every later start short. The .NET and HTML engines wine
# would offer to install are not wanted.
set -u
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tmp=${TMPDIR:-/tmp}

case "${1:-}" in
    start)
        [ -n "${2:-}" ] && [ -d "$2" ] || exit 2
        export WINEPREFIX=$2
        wineboot -i >/dev/null 2>&1
        # A server that stays, so that every later start is short; it may
        # be up already, which is no failure.
        wineserver -p >/dev/null 2>&1 || true
        if [ ! -d "$WINEPREFIX/drive_c" ]; then
            echo "wineboot made no wine prefix in $WINEPREFIX" >&2
            exit 1
        fi
        ;;
    remove)
        [ -n "${2:-}" ] && [ -d "$2" ] || exit 0
        export WINEPREFIX=$2
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        # The wine server keeps its sockets in a folder of its own under
        # TMPDIR, named in the prefix's file "wineserver".
        server=$(cat "$WINEPREFIX/wineserver" 2>/dev/null)
        case "$server" in
            wine-??????) rm -rf "${tmp:?}/$server" ;;
        esac
        rm -rf "$WINEPREFIX"
        ;;
    *)
        echo "usage: $0 start PATH | remove PATH" >&2
        exit 2
        ;;
esac
