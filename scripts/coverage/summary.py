"""Prints what `make coverage` measured: line and branch coverage of each
shipped folder in each build, from gcovr's JSON summaries; the lines no test
ran that tests/coverage-gaps.md does not name, and those it names that ran;
and the runs whose counters were lost, from the programs' start notes set
against the runs their counter files record.

Usage: summary.py OUT_DIR GAPS_FILE NAME=BUILD_DIR...
reads OUT_DIR/NAME.json, OUT_DIR/NAME-lines.json and OUT_DIR/NAME-starts.log
for each build, and writes each program's runs, and those that wrote
counters, to OUT_DIR/NAME-runs.txt."""
import collections
import json
import os
import re
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


def not_run(detailed):
    """The lines of code no run reached, per file, from gcovr's detailed JSON."""
    lines = {}
    for entry in detailed["files"]:
        missed = {line["line_number"] for line in entry["lines"]
                  if line["count"] == 0 and not line.get("gcovr/noncode", False)}
        if missed:
            lines[entry["file"]] = missed
    return lines


def named_gaps(path):
    """The lines the gap file names, per build and file, from the rows of its
    tables: | file | lines | build | why |, the lines as "12-15, 20", the build
    native, windows or both."""
    named = collections.defaultdict(lambda: collections.defaultdict(set))
    row = re.compile(r"^\|\s*`?([\w./-]+\.\w+)`?\s*\|\s*([\d,\s-]+)\|\s*(native|windows|both)\s*\|")
    with open(path, encoding="utf-8") as file:
        for line in file:
            found = row.match(line)
            if not found:
                continue
            file_name, ranges, build = found.groups()
            for part in filter(None, (piece.strip() for piece in ranges.split(","))):
                first, _, last = part.partition("-")
                for number in range(int(first), int(last or first) + 1):
                    for name in (("native", "windows") if build == "both" else (build,)):
                        named[name][file_name].add(number)
    return named


def ranges_text(numbers):
    """12, 13, 14, 20 as "12-14, 20"."""
    spans = []
    for number in sorted(numbers):
        if spans and number == spans[-1][1] + 1:
            spans[-1][1] = number
        else:
            spans.append([number, number])
    return ", ".join(str(first) if first == last else f"{first}-{last}" for first, last in spans)


def report_gaps(name, missed, named):
    """Prints the lines not run and not named, and those named that ran; returns their count."""
    unnamed = {file: lines - named.get(file, set()) for file, lines in missed.items()}
    unnamed = {file: lines for file, lines in unnamed.items() if lines}
    stale = {file: {number for number in lines if number not in missed.get(file, set())}
             for file, lines in named.items()}
    stale = {file: lines for file, lines in stale.items() if lines}
    if not unnamed and not stale:
        print(f"{name}: every line not run is named in the gap file, and every line it names was not run")
    for file in sorted(unnamed):
        print(f"{name}: not run, and not named in the gap file: {file}: {ranges_text(unnamed[file])}")
    for file in sorted(stale):
        print(f"{name}: named in the gap file, but run: {file}: {ranges_text(stale[file])}")
    return sum(len(lines) for lines in unnamed.values())


def main():
    out, gaps = sys.argv[1], sys.argv[2]
    builds = [argument.split("=", 1) for argument in sys.argv[3:]]
    figures = {}
    for name, _ in builds:
        with open(os.path.join(out, name + ".json"), encoding="utf-8") as file:
            figures[name] = folder_figures(json.load(file))
    print_table(figures, [name for name, _ in builds])
    print()
    named = named_gaps(gaps)
    for name, _ in builds:
        with open(os.path.join(out, name + "-lines.json"), encoding="utf-8") as file:
            report_gaps(name, not_run(json.load(file)), named[name])
    print()
    for name, build in builds:
        report_runs(name, build, out)


if __name__ == "__main__":
    main()
