#!/usr/bin/env python3
"""The largest contributors to a program, from the linker's map (-Wl,-Map).

Sums the bytes that each input object puts into the sections of the file
(code, data, unwind tables), by archive member and by our own object.
Usage: size-map.py MAP [COUNT]  (prints two Markdown tables: by library, by object)
"""
import collections
import os
import re
import sys

# Sections whose bytes are in the file; .bss and the debug data are not.
SHIPPED = (".text", ".data", ".rdata", ".eh_frame", ".idata", ".CRT", ".tls", ".rsrc", ".reloc")
INPUT = re.compile(r"^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def contributions(lines):
    """(output section, input file, size) for every input section placed in the file."""
    output = None
    pending = None
    for line in lines:
        if line.startswith("."):
            output = line.split()[0]
            continue
        if pending is None and re.match(r"^ \.\S+$", line.rstrip()):
            pending = line.strip()  # a long name: its address and size follow on the next line
            continue
        match = INPUT.match(line if pending is None else " " + pending + line.rstrip())
        pending = None
        if match and output in SHIPPED and match.group(1):
            size = int(match.group(3), 16)
            if size:
                yield output, match.group(4).strip(), size


def short(path):
    """libstdc++.a(string-inst.o) and our objects by their own names."""
    if path == "dll stuff":  # what ld calls the import tables it makes
        return "import tables"
    match = re.match(r"^(.*?)\((.*)\)$", path)
    if match and os.path.basename(match.group(1)) == "objects.a":  # how CMake archives the program's own
        return match.group(2)
    if match:
        return f"{os.path.basename(match.group(1))}({match.group(2)})"
    return os.path.basename(path)


def library(name):
    """The archive an object came from, or the object itself."""
    return name.split("(", 1)[0]


def print_table(title, sizes, parts, count):
    print(f"| {title} | Bytes | code | unwind | data |")
    print("|---|---:|---:|---:|---:|")
    for name, size in sizes.most_common(count):
        data = size - parts[name][".text"] - parts[name][".eh_frame"]
        print(f"| {name} | {size:,} | {parts[name]['.text']:,} | {parts[name]['.eh_frame']:,} | {data:,} |")
    print(f"| all {len(sizes)} | {sum(sizes.values()):,} | | | |")


def main():
    with open(sys.argv[1], encoding="utf-8", errors="replace") as stream:
        lines = stream.read().split("Linker script and memory map", 1)[1].splitlines()
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 25
    by_file = collections.Counter()
    by_library = collections.Counter()
    parts = collections.defaultdict(collections.Counter)
    for output, path, size in contributions(lines):
        name = short(path)
        by_file[name] += size
        by_library[library(name)] += size
        parts[name][output] += size
        if library(name) != name:
            parts[library(name)][output] += size
    print_table("Library or object", by_library, parts, count)
    print()
    print_table("Archive member or object", by_file, parts, count)


if __name__ == "__main__":
    main()
