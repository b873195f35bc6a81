#!/usr/bin/env python3
"""Times extraction by `kwpack extract` against a bare loop and the usual tools.

Every contender writes the same payload into a fresh folder on the same file
system, with its input warm in the page cache. The table goes to stdout and to
bench/results.md, the chart to bench/results.png. Run through `make bench`.
"""

import argparse
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

MIB = 1 << 20
REPO = Path(__file__).resolve().parent.parent


@dataclass
class Shape:
    key: str
    title: str
    generator: list  # make_payload arguments after the folder


SHAPES = {
    "a": Shape("a", "(a) one 1 GiB file", ["one", "11", str(1 << 30)]),
    "b": Shape("b", "(b) 20,000 × 4 KiB", ["flat", "22", "20000", "4096"]),
    "c": Shape("c", "(c) 2,000 mixed, ~1 GiB", ["mixed", "33", "2000"]),
    "w": Shape("w", "5,000 × 4 KiB", ["flat", "44", "5000", "4096"]),
}

# Targets for `kwpack extract`: a share of the bare loop's throughput.
TARGET_SHARE = {"a": 1.0, "b": 0.95, "c": 1.0, "w": 0.95}
TARGET_PEAK_MIB = 8.0
# Under Wine: the most time each contender may take, as a multiple of the bare loop's.
GUI_TOTAL = "installer window, click to Complete"
GUI_EXTRACTED = "installer window, click to extracted"
HEADLESS = "engine, headless host"
TARGET_WINE_FACTOR = {GUI_TOTAL: 1.15, HEADLESS: 1.05}

# The wait before each run. Memory that a guest of this kind of virtual
# machine frees is handed back to its host within about two seconds, and
# touching it again costs a fault in the host: a run that happened to get
# memory freed a moment before took 0.2 s for 1 GiB, one that did not 0.9 s.
# Waiting until everything freed has been handed back gives every run the
# same start.
QUIET_SECONDS = 4


@dataclass
class Run:
    seconds: float
    peak_kib: int = 0
    delete_seconds: float = 0.0


@dataclass
class Result:
    shape: str
    contender: str
    runs: list = field(default_factory=list)

    def median(self):
        return statistics.median(r.seconds for r in self.runs)

    def span(self):
        times = [r.seconds for r in self.runs]
        return min(times), max(times)

    def peak_mib(self):
        return max(r.peak_kib for r in self.runs) / 1024

    def delete_median(self):
        return statistics.median(r.delete_seconds for r in self.runs)


def log(message):
    print(message, file=sys.stderr, flush=True)


def run_checked(command, **kwargs):
    subprocess.run(command, check=True, **kwargs)


def timed(command, scratch):
    """Wall time and peak resident memory of one child; raises when it fails.

    The peak comes from /usr/bin/time: a child forked from this Python process
    would carry the interpreter's own resident size into its maximum.
    """
    report = scratch / "time.out"
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", str(report), *command],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        raise RuntimeError(f"{command[0]} failed ({done.returncode}): {done.stderr.decode(errors='replace').strip()}")
    return seconds, int(report.read_text().split()[-1])


def read_through(path):
    """Reads every file below `path` so that its pages are in the cache."""
    paths = [path] if path.is_file() else sorted(p for p in path.rglob("*") if p.is_file())
    for file in paths:
        with open(file, "rb", buffering=0) as stream:
            while stream.read(4 * MIB):
                pass


def tree_summary(folder):
    """Names and sizes of the files below a folder, to check an extraction."""
    return sorted((str(p.relative_to(folder)), p.stat().st_size) for p in folder.rglob("*") if p.is_file())


def same_contents(left, right):
    return subprocess.run(["diff", "-rq", str(left), str(right)], stdout=subprocess.DEVNULL).returncode == 0


class Payload:
    """One shape's files and their three packed forms, made once per benchmark."""

    def __init__(self, shape, scratch, tools):
        self.shape = shape
        self.root = scratch / f"shape-{shape.key}"
        self.files = self.root / "files"
        self.package = self.root / "package"
        self.tar = self.root / "files.tar"
        self.zip = self.root / "files.zip"
        self.tools = tools

    def make(self):
        if self.root.exists():
            shutil.rmtree(self.root)
        self.root.mkdir(parents=True)
        log(f"payload {self.shape.title}: generating")
        made = subprocess.run([str(self.tools["make_payload"]), self.shape.generator[0], str(self.files),
                               *self.shape.generator[1:]], check=True, capture_output=True, text=True)
        log(f"  {made.stdout.strip()}; packing")
        # Quiet unless it fails: it warns that these payloads hold no pelmora.exe.
        packed = subprocess.run([str(self.tools["kwpack"]), "pack", str(self.files), "-o", str(self.package)],
                                capture_output=True, text=True)
        if packed.returncode != 0:
            raise RuntimeError(f"kwpack pack failed: {packed.stderr.strip()}")
        run_checked(["tar", "-cf", str(self.tar), "-C", str(self.files), "."])
        run_checked(["zip", "-0", "-q", "-r", str(self.zip), "."], cwd=self.files)
        self.summary = tree_summary(self.files)
        self.bytes = sum(size for _, size in self.summary)
        self.count = len(self.summary)

    def describe(self):
        return f"{self.count:,} files, {self.bytes / MIB:,.0f} MiB"


def native_contenders(tools, payload):
    """Name, input to keep warm, and command line for a destination folder."""
    return [
        ("kwpack extract", payload.package,
         lambda d: [str(tools["kwpack"]), "extract", str(payload.package), str(d)]),
        ("bare loop", payload.package, lambda d: [str(tools["bare_extract"]), str(payload.package), str(d)]),
        ("tar -xf", payload.tar, lambda d: ["tar", "-xf", str(payload.tar), "-C", str(d)]),
        ("unzip -q", payload.zip, lambda d: ["unzip", "-q", str(payload.zip), "-d", str(d)]),
        ("cp -r", payload.files, lambda d: ["cp", "-r", str(payload.files) + "/.", str(d)]),
    ]


class Destinations:
    """A fresh folder name for every run; the previous one is deleted, timed, outside the run."""

    def __init__(self, scratch):
        self.base = scratch / "out"
        self.base.mkdir(parents=True, exist_ok=True)
        self.serial = 0

    def fresh(self):
        self.serial += 1
        folder = self.base / f"run-{self.serial:05d}"
        folder.mkdir()
        return folder

    @staticmethod
    def delete(folder):
        start = time.perf_counter()
        shutil.rmtree(folder)
        seconds = time.perf_counter() - start
        settle()
        return seconds


def settle():
    """Leaves the file system as if nothing had been deleted lately.

    Without a journal, ext4 will not hand out an inode freed within the last
    minute while that inode's table block is cached: it scans past every such
    inode, so creating 20,000 files right after deleting 20,000 costs ten times
    as long. Writing everything out and dropping the clean caches ends that
    (the inputs are read back in before each run); where the caches cannot be
    dropped, waiting out the minute does the same.
    """
    os.sync()
    try:
        Path("/proc/sys/vm/drop_caches").write_text("1")
    except OSError:
        time.sleep(61)


def bench_native(payload, tools, runs, destinations, only):
    contenders = [c for c in native_contenders(tools, payload) if not only or c[0] in only]
    results = {name: Result(payload.shape.key, name) for name, _, _ in contenders}
    for run in range(runs):
        # Rotating the order spreads slow spells of the shared machine over every contender.
        turn = contenders[run % len(contenders):] + contenders[:run % len(contenders)]
        for name, warm, command in turn:
            read_through(warm)
            time.sleep(QUIET_SECONDS)
            out = destinations.fresh()
            seconds, peak = timed(command(out), destinations.base)
            if run == 0 and (tree_summary(out) != payload.summary or not same_contents(out, payload.files)):
                raise RuntimeError(f"{name} did not reproduce {payload.shape.title}")
            results[name].runs.append(Run(seconds, peak, Destinations.delete(out)))
            log(f"  {name:16} run {run + 1}: {seconds:7.3f} s, {peak / 1024:6.1f} MiB")
    return [results[name] for name, _, _ in contenders]


def to_windows(path):
    return "Z:" + str(path).replace("/", "\\")


def pe_bits(exe):
    """32 or 64, from the machine field of a Windows program's PE header."""
    header = exe.read_bytes()[:4096]
    at = int.from_bytes(header[60:64], "little")
    return 64 if int.from_bytes(header[at + 4:at + 6], "little") == 0x8664 else 32


class Wine:
    """A private prefix on a private Xvfb display, with one wineserver kept
    alive for the whole series so that no run pays for starting it. Programs
    start through cmake/wine-run, which picks the loader and the prefix's
    architecture from each program's word size."""

    def __init__(self, build):
        self.prefix = build.resolve() / "wineprefix"
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix))
        # Creates the prefix on first use; usage errors from the program are expected.
        self.start(build / "kw_headless.exe")
        # A wineserver started without the display would give the installer no window.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)
        read_end, write_end = os.pipe()
        self.display = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                         "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as stream:
            number = stream.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number
        self.server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env)
        # The first program starts Wine's background services, which keep the
        # standard handles they inherit: give them none worth keeping.
        self.start(build / "kw_headless.exe")

    def start(self, exe, *arguments, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL):
        return subprocess.run([str(REPO / "cmake" / "wine-run"), str(self.prefix), str(exe), *arguments],
                              env=self.env, stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr)

    def run(self, exe, *arguments):
        """The lines `name value` that the program printed, as a dictionary of seconds."""
        # Files rather than pipes: a Wine process that outlives the program would hold a pipe open.
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            done = self.start(exe, *arguments, stdout=out, stderr=err)
            out.seek(0)
            err.seek(0)
            printed, errors = out.read(), err.read()
        if done.returncode != 0:
            raise RuntimeError(f"{exe.name} under Wine failed: {errors.strip()}")
        times = dict(line.split() for line in printed.splitlines() if line.count(" ") == 1)
        if "seconds" not in times:
            raise RuntimeError(f"{exe.name} reported no time: {printed!r}")
        return {name: float(value) for name, value in times.items()}

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        self.server.wait()
        self.display.terminate()
        self.display.wait()


def bench_wine(payload, wine, exes, runs, destinations):
    """`exes` maps a contender to its exe; the window's timer yields two rows."""
    names = [n for n in exes if n not in (GUI_TOTAL, "installer")] + ([GUI_TOTAL, GUI_EXTRACTED] if GUI_TOTAL in exes else [])
    results = {name: Result(payload.shape.key, name) for name in names}
    installer = None
    if GUI_TOTAL in exes:
        installer = payload.package / exes["installer"].name
        shutil.copy2(exes["installer"], installer)
    for run in range(runs):
        for name, exe in exes.items():
            if name == "installer":
                continue
            read_through(payload.package)
            time.sleep(QUIET_SECONDS)
            out = destinations.fresh()
            if name == GUI_TOTAL:
                times = wine.run(exe, to_windows(installer), to_windows(out))
            else:
                times = wine.run(exe, "--report-time", to_windows(payload.package), to_windows(out))
            if run == 0 and tree_summary(out) != payload.summary:
                raise RuntimeError(f"{name} under Wine did not reproduce {payload.shape.title}")
            delete = Destinations.delete(out)
            results[name].runs.append(Run(times["seconds"], 0, delete))
            log(f"  {name:36} run {run + 1}: {times['seconds']:7.3f} s")
            if name == GUI_TOTAL:
                results[GUI_EXTRACTED].runs.append(Run(times["extracted"], 0, delete))
    if installer:
        installer.unlink()
    return list(results.values())


def machine_line():
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")),
               platform.processor())
    memory = next(int(line.split()[1]) for line in open("/proc/meminfo") if line.startswith("MemTotal"))
    fs = subprocess.run(["stat", "-f", "-c", "%T", str(REPO)], capture_output=True, text=True).stdout.strip()
    return (f"{cpu}, {os.cpu_count()} cores, {memory / MIB:.0f} GiB, Linux {platform.release()}, "
            f"{fs} file system")


def commit_line():
    head = subprocess.run(["git", "-C", str(REPO), "rev-parse", "--short", "HEAD"], capture_output=True,
                          text=True).stdout.strip()
    dirty = subprocess.run(["git", "-C", str(REPO), "status", "--porcelain", "--untracked-files=no"],
                           capture_output=True, text=True).stdout.strip()
    return head + (" with uncommitted changes" if dirty else "")


def throughput(payload, result):
    return payload.bytes / MIB / result.median()


def native_table(payloads, results):
    lines = ["| shape | contender | median s | min–max s | MiB/s | × bare loop | peak MiB | delete s |",
             "|---|---|---:|---:|---:|---:|---:|---:|"]
    for key, shape_results in results.items():
        payload = payloads[key]
        bare = next(r for r in shape_results if r.contender == "bare loop")
        for r in shape_results:
            low, high = r.span()
            lines.append(f"| {payload.shape.title} | {r.contender} | {r.median():.3f} | {low:.3f}–{high:.3f} | "
                         f"{throughput(payload, r):,.0f} | {bare.median() / r.median():.2f} | "
                         f"{r.peak_mib():.1f} | {r.delete_median():.3f} |")
    return lines


def wine_table(payloads, results):
    lines = ["| shape | contender | median s | min–max s | MiB/s | × bare loop time |",
             "|---|---|---:|---:|---:|---:|"]
    for key, shape_results in results.items():
        payload = payloads[key]
        bare = next(r for r in shape_results if r.contender.startswith("bare loop"))
        for r in shape_results:
            low, high = r.span()
            lines.append(f"| {payload.shape.title} | {r.contender} | {r.median():.3f} | {low:.3f}–{high:.3f} | "
                         f"{throughput(payload, r):,.1f} | {r.median() / bare.median():.2f} |")
    return lines


def verdict(ok):
    return "met" if ok else "**missed**"


def target_lines(payloads, native, wine):
    lines = []
    for key, shape_results in native.items():
        by_name = {r.contender: r for r in shape_results}
        kw = by_name["kwpack extract"]
        share = by_name["bare loop"].median() / kw.median()
        need = TARGET_SHARE.get(key)
        if need is not None:
            lines.append(f"- {payloads[key].shape.title}: kwpack at {share:.2f} × the bare loop's throughput "
                         f"(target ≥ {need:.2f}): {verdict(share >= need)}.")
        for rival in (r for r in ("tar -xf", "unzip -q") if r in by_name):
            ahead = kw.median() < by_name[rival].median()
            lines.append(f"  - against `{rival}`: {by_name[rival].median() / kw.median():.2f} × its throughput: "
                         f"{verdict(ahead)}.")
    peaks = {key: next(r for r in rs if r.contender == "kwpack extract").peak_mib() for key, rs in native.items()}
    if peaks:
        worst = max(peaks.values())
        listed = ", ".join(f"{key} {mib:.1f} MiB" for key, mib in peaks.items())
        lines.append(f"- Peak memory of kwpack: {listed} (target < {TARGET_PEAK_MIB:.0f} MiB on every shape, "
                     f"not growing with the largest entry): {verdict(worst < TARGET_PEAK_MIB)}.")
    for key, shape_results in wine.items():
        bare = next(r for r in shape_results if r.contender.startswith("bare loop"))
        judged = GUI_TOTAL if any(r.contender == GUI_TOTAL for r in shape_results) else None
        for r in shape_results:
            if r is bare:
                continue
            factor = r.median() / bare.median()
            line = f"- Wine, {payloads[key].shape.title}: {r.contender} takes {factor:.2f} × the bare loop's time"
            limit = TARGET_WINE_FACTOR.get(r.contender)
            if limit is not None:
                line += f" (target ≤ {limit:.2f}): {verdict(factor <= limit)}"
            lines.append(line + ".")
        if judged is None:
            lines.append("- Wine, the window's install: **not measured** (no installer window was built); "
                         "the headless engine above stands in for it.")
    return lines


def chart_panel(payloads, results, title, data):
    """Gnuplot commands for one clustered histogram: a cluster per shape, a bar per contender."""
    clusters = [payloads[key].shape.title for key in results]
    contenders = list(dict.fromkeys(r.contender for rs in results.values() for r in rs))
    value = {(payloads[key].shape.title, r.contender): throughput(payloads[key], r)
             for key, rs in results.items() for r in rs}
    with open(data, "w") as stream:
        stream.write("shape\t" + "\t".join(f'"{c}"' for c in contenders) + "\n")
        for cluster in clusters:
            cells = [f"{value[(cluster, c)]:.1f}" if (cluster, c) in value else "-" for c in contenders]
            stream.write(f'"{cluster}"\t' + "\t".join(cells) + "\n")
    columns = ", ".join(f"'{data}' using {i + 2}:xtic(1) title columnheader" for i in range(len(contenders)))
    return f"set title '{title}'\nplot {columns}\n"


def write_chart(payloads, native, wine, out_png, work):
    """Median throughput per shape and contender: native on the left, Wine on the right."""
    panels = [(results, title) for results, title in ((native, "Native"), (wine, "Under Wine")) if results]
    if not panels:
        return
    # Wide enough that the shapes' names under the clusters do not run into each other.
    width = sum(max(700, 240 * len(results)) for results, _ in panels)
    script = f"""
set terminal pngcairo size {width},620 noenhanced font ',10'
set output '{out_png}'
set multiplot layout 1,{len(panels)} title 'Extraction throughput, median of runs, MiB/s (log scale; higher is better)'
set logscale y
set yrange [1:*]
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set datafile missing '-'
set key below horizontal font ',9'
set grid ytics
set xtics font ',9'
"""
    for index, (results, title) in enumerate(panels):
        script += chart_panel(payloads, results, title, work / f"chart-{index}.dat")
    script += "unset multiplot\n"
    subprocess.run(["gnuplot"], input=script, text=True, check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--native-build", type=Path, required=True)
    parser.add_argument("--windows-build", type=Path)
    parser.add_argument("--scratch", type=Path, default=REPO / "build" / "bench-scratch")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--wine-runs", type=int, default=5)
    parser.add_argument("--shapes", default="abcw")
    parser.add_argument("--wine-shapes", default="wc")
    parser.add_argument("--keep", action="store_true", help="keep the payloads for another invocation")
    parser.add_argument("--reuse", action="store_true", help="reuse payloads kept by --keep")
    parser.add_argument("--out", type=Path, default=REPO / "bench")
    parser.add_argument("--only", action="append", help="time only this contender (repeatable)")
    args = parser.parse_args()

    native_tools = {
        "kwpack": args.native_build / "kw" / "tools" / "kwpack" / "kwpack",
        "bare_extract": args.native_build / "bare_extract",
        "make_payload": args.native_build / "make_payload",
    }
    for path in native_tools.values():
        if not path.exists():
            sys.exit(f"run_bench: missing {path}")

    args.scratch.mkdir(parents=True, exist_ok=True)
    destinations = Destinations(args.scratch)
    wine_shapes = args.wine_shapes if args.windows_build else ""
    payloads = {}
    for key in dict.fromkeys(args.shapes + wine_shapes):
        payload = Payload(SHAPES[key], args.scratch, native_tools)
        if args.reuse and payload.package.exists():
            payload.summary = tree_summary(payload.files)
            payload.bytes = sum(size for _, size in payload.summary)
            payload.count = len(payload.summary)
        else:
            payload.make()
        payloads[key] = payload

    started = datetime.datetime.now(datetime.timezone.utc)
    native = {}
    for key in args.shapes:
        log(f"native {payloads[key].shape.title} ({payloads[key].describe()}), {args.runs} runs each")
        settle()
        native[key] = bench_native(payloads[key], native_tools, args.runs, destinations, args.only)

    wine = {}
    if wine_shapes:
        bits = pe_bits(args.windows_build / "kw_headless.exe")
        exes = {HEADLESS: args.windows_build / "kw_headless.exe",
                f"bare loop ({bits}-bit exe)": args.windows_build / "bare_extract.exe"}
        timer = args.windows_build / "gui_install_timer.exe"
        installer = args.windows_build / "kw" / "ui" / "PelmoraInstaller.exe"
        if timer.exists() and installer.exists():
            exes.update({GUI_TOTAL: timer, "installer": installer})
        else:
            log("no installer window to time: building it needs ui/ and tests/e2e")
        wine_session = Wine(args.windows_build)
        try:
            for key in wine_shapes:
                settle()
                log(f"Wine {payloads[key].shape.title} ({payloads[key].describe()}), {args.wine_runs} runs each")
                wine[key] = bench_wine(payloads[key], wine_session, exes, args.wine_runs, destinations)
        finally:
            wine_session.close()

    report = [
        "# Extraction benchmark",
        "",
        f"- Machine: {machine_line()}",
        f"- Date: {started:%Y-%m-%d %H:%M} UTC; commit {commit_line()}",
        f"- Native: {args.runs} runs per contender and shape, in rotating order, each into a fresh destination "
        "folder on the same file system with its input read into the page cache just before; times include "
        "process start-up; peak memory is the child's maximum resident set (`/usr/bin/time`). After each run "
        "the destination is deleted (timed apart, `delete s`), everything is written out and the clean caches "
        "are dropped, so that no run pays for inodes its predecessor freed; then each run waits "
        f"{QUIET_SECONDS} s, until the memory freed has gone back to the virtual machine's host, so that every "
        "run pays alike for touching fresh memory.",
        "",
    ]
    report += [f"- Payload {payloads[k].shape.title}: {payloads[k].describe()}" for k in payloads]
    report += ["", "## Native", ""] + native_table(payloads, native)
    if wine:
        report += ["", "## Under Wine", "",
                   f"{args.wine_runs} runs per contender and shape, on a private Xvfb display. The bare loop and "
                   "the engine behind a headless host (a status sink that does nothing) time themselves from "
                   "their first open to their last close, leaving out Wine's start-up. The installer window is "
                   "timed by a driver from the Install click to \"Installation Complete!!\" (which includes "
                   "answering the \"ShellExecute failed!!\" box of a package without pelmora.exe) and to the "
                   "first moment the busy installer answers again after the last file (`click to extracted`).",
                   ""]
        if pe_bits(args.windows_build / "kw_headless.exe") == 64:
            report[-1:] = ["", "This machine's kernel runs no 32-bit code, and a program emulated there runs many "
                           "times slower than it would on Windows, so these are the 64-bit build of the same "
                           "sources under wine64, not the shipped 32-bit programs.", ""]
        report += wine_table(payloads, wine)
    report += ["", "## Against the targets (one run of the benchmark)", ""] + target_lines(payloads, native, wine)
    report += ["", "![Throughput per shape and contender](results.png)", ""]
    # What the profiles showed is written by hand and kept with every new table.
    findings = Path(__file__).resolve().parent / "profile.md"
    if findings.exists():
        report += ["", findings.read_text().rstrip(), ""]

    text = "\n".join(report)
    print(text)
    (args.out / "results.md").write_text(text)
    write_chart(payloads, native, wine, args.out / "results.png", args.scratch)

    if not args.keep:
        shutil.rmtree(args.scratch)


if __name__ == "__main__":
    main()
