#!/usr/bin/env python3
"""A package of more than 4 GiB, with one entry of 3 GiB, extracted for real
by a Windows kwpack.exe under Wine: the data file is sparse, with a few
written pieces whose bytes are checked at their places in the output. In a
32-bit program a size or an offset held in 32 bits turns at 2 GiB and wraps at
4 GiB, and an entry held whole in memory cannot even be allocated.

Usage: large_package.py KWPACK_EXE RUNNER...
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

KIB, MIB, GIB = 1024, 1024 * 1024, 1024 * 1024 * 1024

ENTRIES = [  # name, size, offset in the data file
    ("head.txt", 4096, 0),
    ("three.bin", 3 * GIB, 4096),
    ("more.bin", GIB + 4096, 3 * GIB + 4096),
    ("tail.txt", 4096, 4 * GIB + 8192),
]
TOTAL = 4 * GIB + 3 * 4096


def marker(size, seed):
    return bytes((seed + i * 29 + i // 256) & 0xFF for i in range(size))


PIECES = [  # offset in the data file, bytes
    (0, marker(4096, 1)),                    # all of head.txt
    (4096, marker(512, 2)),                  # the start of three.bin
    (4096 + MIB - 100, marker(300, 3)),      # across the first copy-buffer boundary
    (4096 + 2 * GIB - 7, marker(64, 4)),     # across 2 GiB, where signed 32-bit counts turn
    (4096 + 3 * GIB - 200, marker(400, 5)),  # the end of three.bin and the start of more.bin
    (4 * GIB - 50, marker(100, 6)),          # across 4 GiB, where 32-bit counts wrap
    (4 * GIB + 8192, marker(4096, 7)),       # all of tail.txt
]


def record(name, size):
    return size.to_bytes(4, "little") + len(name).to_bytes(4, "little") + name.encode("ascii")


def read_at(path, offset, size):
    with open(path, "rb") as file:
        file.seek(offset)
        return file.read(size)


def main():
    kwpack, runner = sys.argv[1], sys.argv[2:]
    # Beside the build: the temporary folder may be a tmpfs too small for 4 GiB.
    work = tempfile.mkdtemp(prefix="kwlarge-", dir=os.path.dirname(os.path.abspath(kwpack)))
    failures = []
    try:
        source, destination = os.path.join(work, "source"), os.path.join(work, "dest")
        os.mkdir(source)
        with open(os.path.join(source, "pelmora.kwi"), "wb") as index:
            index.write(b"".join(record(name, size) for name, size, _ in ENTRIES))
        with open(os.path.join(source, "pelmora.kwf"), "wb") as data:
            data.truncate(TOTAL)
            for offset, piece in PIECES:
                data.seek(offset)
                data.write(piece)

        done = subprocess.run(runner + [kwpack, "extract", "Z:" + source, "Z:" + destination],
                              capture_output=True, text=True, errors="replace", timeout=1800)
        output = done.stdout + done.stderr
        if done.returncode != 0:
            failures.append(f"kwpack extract exited with {done.returncode}:\n{output}")
        # Bytes done before each entry over the whole, truncated: 0, 0, 74.99..., 99.99...
        percents = [int(p) for p in re.findall(r"\[\s*(\d+)%\] Extracting", output)]
        if percents != [0, 0, 74, 99]:
            failures.append(f"progress {percents}, not [0, 0, 74, 99]")

        for name, size, start in ENTRIES:
            path = os.path.join(destination, name)
            if not os.path.exists(path) or os.path.getsize(path) != size:
                failures.append(f"{name}: {os.path.getsize(path) if os.path.exists(path) else 'missing'}, "
                                f"not {size} bytes")
                continue
            for offset, piece in PIECES:
                first, last = max(offset, start), min(offset + len(piece), start + size)
                if first < last and read_at(path, first - start, last - first) != piece[first - offset:last - offset]:
                    failures.append(f"{name}: wrong bytes at data offset {first}")
        # A stretch that was never written comes out as zeros.
        three = os.path.join(destination, "three.bin")
        if os.path.exists(three) and read_at(three, GIB, 4096) != bytes(4096):
            failures.append("three.bin: no zeros where the data file has a hole")
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for failure in failures:
        print("FAILED: " + failure)
    print(f"large package: {TOTAL} bytes in {len(ENTRIES)} entries, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
