#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# Reads the version resource of a Windows program, as Explorer's Properties
# show it: prints "fixed A.B.C.D" (the binary file and product versions,
# which must agree) and then "KEY VALUE" for each of the strings
# (FileVersion, ProductVersion, ProductName...). Fails where the program
# carries none.
#
#   exe_version.py PROGRAM.exe
import struct
import sys


def utf16_at(data, at):
    """The NUL-ended UTF-16 string at `at`, and the offset past its NUL."""
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def main(path):
    data = open(path, "rb").read()
    key = "VS_VERSION_INFO".encode("utf-16-le") + b"\0\0"
    found = data.find(key)
    if found < 0:
        sys.exit(f"{path}: no version resource")
    start = found - 6  # wLength, wValueLength, wType come before the key
    length, = struct.unpack_from("<H", data, start)
    block = data[start:start + length]
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        sys.exit(f"{path}: the version resource has no fixed file information")
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", block, fixed + 8)
    if (file_ms, file_ls) != (product_ms, product_ls):
        sys.exit(f"{path}: the file and product versions differ")
    print("fixed %d.%d.%d.%d" % (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF))
    # Each String of the table: wLength, wValueLength (in characters),
    # wType 1, its key, padding to 32 bits, its value.
    table = block.find("StringFileInfo".encode("utf-16-le"))
    strings = block[table:]
    shown = 0
    for name in ("CompanyName", "FileDescription", "FileVersion", "InternalName",
                 "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"):
        at = strings.find(name.encode("utf-16-le") + b"\0\0")
        if at < 0:
            continue
        _, after = utf16_at(strings, at)
        after += (-(after + table)) % 4
        value, _ = utf16_at(strings, after)
        print(name, value)
        shown += 1
    if shown == 0:
        sys.exit(f"{path}: the version resource has no strings")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: exe_version.py PROGRAM.exe")
    main(sys.argv[1])
