#!/usr/bin/env python3
"""Writes the release zip for Windows users and its .sha256.

The zip holds one folder LugeonTransfer-<version>/ with the program, the
Japanese guide 使い方.txt (UTF-8 with a byte-order mark and CR LF, so that
Notepad shows it right on every Windows) and CHANGELOG.md (CR LF).

The same inputs give the same bytes: entries in sorted order, every time stamp
the time of the last commit (SOURCE_DATE_EPOCH overrides it), no owner, no
permissions, nothing of the machine that made it.

Names are written as Explorer writes them on Japanese Windows, in code page
932 without the UTF-8 flag, which Explorer reads on Windows 7 to 11; the
Info-ZIP Unicode path field beside the name gives other unpackers the UTF-8
form.
"""
import argparse
import hashlib
import os
import struct
import subprocess
import sys
import time
import zlib

GUIDE_NAME = "使い方.txt"
CHANGELOG_NAME = "CHANGELOG.md"
PROGRAM_NAME = "LugeonTransfer.exe"
BOM = b"\xef\xbb\xbf"
JST = 9 * 3600  # Japanese users read the zip's times as their local time
FALLBACK_EPOCH = 946684800  # 2000-01-01, outside a git checkout


def fail(message):
    sys.exit("make-dist: " + message)


def source_epoch(repo):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", repo, "log", "-1", "--format=%ct"],
                             capture_output=True, text=True, check=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return FALLBACK_EPOCH


def dos_time(epoch):
    t = time.gmtime(epoch + JST)
    year = min(max(t.tm_year, 1980), 2107)
    date = ((year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday
    clock = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2)
    return clock, date


def windows_text(data, name):
    """LF or CR LF in, CR LF out; a byte-order mark where the text is not ASCII."""
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        fail(f"{name} is not UTF-8")
    if text.startswith("\ufeff"):
        text = text[1:]
    text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    body = text.encode("utf-8")
    return body if text.isascii() else BOM + body


def guide_text(path, version):
    with open(path, "rb") as f:
        text = f.read().decode("utf-8")
    text = text.replace("@VERSION@", version)
    if "@VERSION" in text:
        fail(f"{path}: a version placeholder is left")
    # The guide always gets its byte-order mark: Notepad before Windows 10
    # reads UTF-8 without one as the ANSI code page.
    body = windows_text(text.encode("utf-8"), path)
    return body if body.startswith(BOM) else BOM + body


def zip_name(name):
    """The raw name in code page 932, and the Unicode path field when it is not ASCII."""
    utf8 = name.encode("utf-8")
    if name.isascii():
        return utf8, b""
    try:
        raw = name.encode("cp932")
    except UnicodeEncodeError:
        fail(f"{name} has no Shift-JIS form")
    field = struct.pack("<B", 1) + struct.pack("<I", zlib.crc32(raw)) + utf8
    return raw, struct.pack("<HH", 0x7075, len(field)) + field


def write_zip(path, entries, epoch):
    clock, date = dos_time(epoch)
    local_parts = []
    central = []
    offset = 0
    for name, data in entries:
        raw, extra = zip_name(name)
        is_folder = name.endswith("/")
        crc = zlib.crc32(data)
        method, stored = 0, data
        if data:
            packer = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
            packed = packer.compress(data) + packer.flush()
            if len(packed) < len(data):
                method, stored = 8, packed
        needed = 20 if method == 8 or is_folder else 10
        header = struct.pack("<IHHHHHIIIHH", 0x04034B50, needed, 0, method, clock, date,
                             crc, len(stored), len(data), len(raw), len(extra))
        local_parts.append(header + raw + extra + stored)
        # Made by MS-DOS (host 0), version 2.0: only the DOS attributes below count.
        attributes = 0x10 if is_folder else 0x20
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, needed, 0, method, clock,
                                   date, crc, len(stored), len(data), len(raw), len(extra), 0, 0,
                                   0, attributes, offset) + raw + extra)
        offset += len(local_parts[-1])
    directory = b"".join(central)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(directory),
                      offset, 0)
    with open(path, "wb") as f:
        f.write(b"".join(local_parts) + directory + end)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--guide", required=True, help="the guide's source (UTF-8, @VERSION@)")
    parser.add_argument("--changelog", required=True)
    parser.add_argument("--output", required=True, help="the zip to write")
    args = parser.parse_args()

    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = f"LugeonTransfer-{args.version}/"
    with open(args.program, "rb") as f:
        program = f.read()
    with open(args.changelog, "rb") as f:
        changelog = windows_text(f.read(), args.changelog)
    if f"[{args.version}]" not in changelog.decode("utf-8-sig"):
        fail(f"{args.changelog} has no entry for {args.version}")

    files = {PROGRAM_NAME: program, GUIDE_NAME: guide_text(args.guide, args.version),
             CHANGELOG_NAME: changelog}
    entries = [(folder, b"")]
    entries += [(folder + name, files[name]) for name in sorted(files, key=lambda n: n.encode("utf-8"))]

    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    write_zip(args.output, entries, source_epoch(repo))
    with open(args.output, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(args.output + ".sha256", "w", newline="\n") as f:
        f.write(f"{digest}  {os.path.basename(args.output)}\n")


if __name__ == "__main__":
    main()
