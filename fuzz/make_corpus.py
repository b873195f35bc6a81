#!/usr/bin/env python3
"""Writes the seed corpus: the packages of the extraction tests, each as one
fuzz input (2-byte little-endian index length, index, data)."""
import os
import struct
import sys


def record(data_size, name, name_length=None):
    if name_length is None:
        name_length = len(name)
    return struct.pack("<II", data_size, name_length) + name


def package(entries):
    index = b"".join(record(len(contents), name) for name, contents in entries)
    return index, b"".join(contents for _, contents in entries)


def fuzz_input(index, data):
    return struct.pack("<H", len(index)) + index + data


good = record(2, b"good")
seeds = {
    "worked-example": package([(b"a.txt", b"abc"), (b"readme", b"")]),
    "zero-in-name": (record(2, b"ab\0cd") + record(1, b"next"), b"12Z"),
    "empty-index": (b"", b""),
    "empty-entries": package([(b"a", b""), (b"b", b"")]),
    "subfolder": package([(b"sub\\file.txt", b"inside"), (b"sub/other", b"x")]),
    "missing-subfolder": package([(b"nosub\\file.txt", b"inside")]),
    "quarters": package([(b"a", b"a" * 250), (b"b", b"b" * 250), (b"c", b"c" * 500)]),
    "empty-name": (record(1, b"") + record(0, b"b"), b"a"),
    "index-ends-in-header": (good + b"\x01\0\0", b"ok"),
    "name-past-index": (good + record(0, b"bad", 50), b"ok"),
    "huge-name-length": (good + record(0, b"bad", 0xFFFFFFFF), b"ok"),
    "data-past-end": (good + record(9, b"bad"), b"ok12345"),
    "huge-data-size": (good + record(0xFFFFFFFF, b"bad"), b"ok12345678"),
    "padded-name": (record(1, b"ab\0" + b"x" * 300), b"1"),
    "accepted-names": package([(b"readme.txt", b"1"), (b"a..b", b"2"), (b".profile", b"3"),
                               (b"sub\\file.txt", b"4")]),
}
unsafe = [b"..\\x", b"../x", b"sub\\..\\..\\x", b"C:\\x", b"\\x", b"/x", b"CON", b"nul.txt", b"a:stream",
          b"sub\\\\x", b"sub\\", b"x.", b"x ", b".\\x", b"CONIN$", b"COM\xb9", b"LPT\xb3.txt", b"a*b", b"a\x01b"]
for number, name in enumerate(unsafe):
    seeds["unsafe-%02d" % number] = package([(b"first", b"1"), (name, b"evil")])

folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus")
os.makedirs(folder, exist_ok=True)
for name, (index, data) in seeds.items():
    with open(os.path.join(folder, "seed-" + name), "wb") as out:
        out.write(fuzz_input(index, data))
