"""Prints what `make coverage` measured: line and branch coverage of each
shipped folder in each build, from gcovr's JSON summaries, and the runs whose
counters were lost, from the programs' start notes set against the runs their
counter files record.

Usage: summary.py OUT_DIR NAME=BUILD_DIR...
reads OUT_DIR/NAME.json and OUT_DIR/NAME-starts.log for each build, and
writes each program's runs, and those that wrote counters, to OUT_DIR/NAME-runs.txt."""
import collections
import json
import os
import struct
import sys

FOLDERS = ["engine/", "platform/", "ui/", "tools/kwpack/"]
# A counter file's header is its magic, version, stamp and checksum; then come
# records of a tag and a length in bytes, the object's summary among them.
MAGIC = 0x67636461
OBJECT_SUMMARY = 0xA1000000


def runs_recorded(path):
    """How many runs wrote into this counter file."""
    with open(path, "rb") as file:
        data = file.read()
    if len(data) < 16 or struct.unpack_from("<I", data)[0] != MAGIC:
        raise ValueError(f"{path} is no counter file")
    at = 16
    while at + 8 <= len(data):
        tag, length = struct.unpack_from("<II", data, at)
        if tag == OBJECT_SUMMARY:
            return struct.unpack_from("<I", data, at + 8)[0]
        at += 8 + length
    raise ValueError(f"{path} holds no object summary")


def walk_build(build, names):
    """Paths of files with one of these names below a build folder, outside its
    Wine prefix (whose drive z: leads back to /)."""
    for folder, subfolders, files in os.walk(build):
        subfolders[:] = [name for name in subfolders if not name.startswith("wineprefix")]
        for name in files:
            if names(name):
                yield os.path.join(folder, name)


def counted_runs(build):
    """Runs with counters written, per program: each program's start note is an
    object of its own (cmake/Coverage.cmake)."""
    runs = {}
    for path in walk_build(build, lambda name: name.endswith(".c.gcda")):
        if os.path.basename(os.path.dirname(path)) == "coverage-notes":
            runs[os.path.basename(path)[: -len(".c.gcda")]] = runs_recorded(path)
    return runs


def noted_starts(log):
    if not os.path.exists(log):
        return collections.Counter()
    with open(log, encoding="utf-8") as file:
        return collections.Counter(line.strip() for line in file if line.strip())


def stray_counters(build):
    """Counter files written inside the Wine prefix's drives, where a program
    whose current drive is not z: would put them without GCOV_PREFIX."""
    stray = []
    for name in os.listdir(build):
        if name.startswith("wineprefix") and os.path.isdir(os.path.join(build, name)):
            for folder, subfolders, files in os.walk(os.path.join(build, name)):
                subfolders[:] = [sub for sub in subfolders if sub != "dosdevices"]
                stray += [os.path.join(folder, file) for file in files if file.endswith(".gcda")]
    return stray


def folder_figures(summary):
    figures = {}
    for folder in FOLDERS:
        files = [entry for entry in summary["files"] if entry["filename"].startswith(folder)]
        if files:
            figures[folder] = {kind: (sum(entry[kind + "_covered"] for entry in files),
                                      sum(entry[kind + "_total"] for entry in files))
                               for kind in ("line", "branch")}
    return figures


def percent(covered_total):
    covered, total = covered_total
    return f"{100.0 * covered / total:.1f}% ({covered}/{total})" if total else "-"


def print_table(figures, names):
    header = ["folder"] + [f"{name} {kind}" for name in names for kind in ("lines", "branches")]
    rows = [header, ["---"] * len(header)]
    for folder in FOLDERS:
        row = [f"`{folder}`"]
        for name in names:
            measured = figures[name].get(folder)
            row += [percent(measured[kind]) if measured else "-" for kind in ("line", "branch")]
        rows.append(row)
    for row in rows:
        print("| " + " | ".join(row) + " |")


def write_runs(path, starts, runs):
    with open(path, "w", encoding="utf-8") as file:
        file.write("program\truns\twrote counters\n")
        for program in sorted(set(starts) | set(runs)):
            file.write(f"{program}\t{starts[program]}\t{runs.get(program, 0)}\n")


def report_runs(name, build, out):
    """Prints the programs whose runs wrote no counters, and counters gone astray."""
    starts = noted_starts(os.path.join(out, name + "-starts.log"))
    runs = counted_runs(build)
    write_runs(os.path.join(out, name + "-runs.txt"), starts, runs)
    lost = {program: starts[program] - runs.get(program, 0) for program in starts
            if starts[program] > runs.get(program, 0)}
    unnoted = {program: runs[program] - starts[program] for program in runs if runs[program] > starts[program]}
    print(f"{name}: {sum(starts.values())} runs of {len(starts)} programs, "
          f"{sum(lost.values())} of them left no counters")
    for program in sorted(lost):
        print(f"  {program}: {starts[program]} runs, {runs.get(program, 0)} wrote counters, {lost[program]} lost")
    for program in sorted(unnoted):
        print(f"  {program}: {unnoted[program]} runs wrote counters without noting their start "
              "(KW_COVERAGE_STARTS did not reach them)")
    for path in stray_counters(build):
        print(f"  counters written inside the Wine prefix, not beside the objects: {path}")


def main():
    out = sys.argv[1]
    builds = [argument.split("=", 1) for argument in sys.argv[2:]]
    figures = {}
    for name, _ in builds:
        with open(os.path.join(out, name + ".json"), encoding="utf-8") as file:
            figures[name] = folder_figures(json.load(file))
    print_table(figures, [name for name, _ in builds])
    print()
    for name, build in builds:
        report_runs(name, build, out)


if __name__ == "__main__":
    main()
