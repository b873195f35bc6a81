#!/usr/bin/env python3
"""kwpack as a process, where a publisher meets it at its worst:

- an index whose first record claims a 1 GiB name (a sparse file): list,
  verify and extract refuse it in little memory, measured as the peak resident
  memory above that of the same command on a small package;
- a pack of a large folder over an existing package, killed at random points:
  the pair left behind is the old one, the new one or none, and extract never
  writes a file that is neither the old nor the new one;
- packs of two folders into one, several at once: each exits 0, and the pair
  left is one of them whole, with no partial file beside it;
- standard output on a full disk: no command exits 0;
- `list --json` of hostile names and broken records: standard output is
  always one JSON document, the entries read and then what stopped them.

Usage: hostile.py KWPACK [RUNNER...]
With a runner (wine-run and its prefix), KWPACK is the Windows kwpack.exe,
given Z: paths. KW_KILL_ROUNDS (24) and KW_KILL_SEED (the time) set the kills.
"""
import json
import os
import random
import shutil
import signal
import subprocess
import tempfile
import time

from kwpack_process import check, command, finish, path_arg, runner

MEMORY_LIMIT_KIB = 16 * 1024
GIB = 1 << 30


def run(*arguments, stdout=subprocess.DEVNULL):
    """Runs kwpack; returns its exit status, standard error and peak resident memory in KiB.

    Standard error goes to a file, not a pipe: Wine's own processes, started
    with the first program of a session, would hold a pipe open long after.
    A program that Wine itself could not start (its client lost the server,
    which happens now and then after the kills) is started once more."""
    status, err, peak = run_once(*arguments, stdout=stdout)
    if runner and err.startswith("wine client error"):
        print(f"  Wine could not start kwpack ({err.strip()}); starting it again")
        if stdout is not subprocess.DEVNULL:
            stdout.seek(0)
            stdout.truncate()
        status, err, peak = run_once(*arguments, stdout=stdout)
    return status, err, peak


def run_once(*arguments, stdout):
    with tempfile.TemporaryFile() as err:
        process = subprocess.Popen(command(*arguments), stdin=subprocess.DEVNULL, stdout=stdout, stderr=err)
        # This child's own usage, where RUSAGE_CHILDREN would give the largest of all children so far.
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        err.seek(0)
        return process.returncode, err.read().decode("utf-8", "replace").replace("\r\n", "\n"), usage.ru_maxrss


def write(path, data):
    with open(path, "wb") as file:
        file.write(data)


def huge_name(work):
    """The first record claims a name of 1 GiB, all of it zeros on a sparse file."""
    small, huge, installed = (os.path.join(work, name) for name in ("small", "huge", "installed"))
    for folder in (small, huge, installed):
        os.makedirs(folder)
    write(os.path.join(small, "pelmora.kwi"), (2).to_bytes(4, "little") + (11).to_bytes(4, "little") + b"pelmora.exe")
    write(os.path.join(small, "pelmora.kwf"), b"MZ")
    write(os.path.join(installed, "pelmora.exe"), b"MZ")
    with open(os.path.join(huge, "pelmora.kwi"), "wb") as index:
        index.write((0).to_bytes(4, "little") + GIB.to_bytes(4, "little"))
        index.truncate(8 + GIB)
    write(os.path.join(huge, "pelmora.kwf"), b"")

    def destination(package):
        return path_arg(os.path.join(work, "out-" + os.path.basename(package)))

    cases = [
        ("list", lambda package: ["list", path_arg(package)]),
        ("list --json", lambda package: ["list", path_arg(package), "--json"]),
        ("verify", lambda package: ["verify", path_arg(package), path_arg(installed)]),
        ("extract", lambda package: ["extract", path_arg(package), destination(package)]),
    ]
    for name, arguments in cases:
        base_status, base_err, base_peak = run(*arguments(small))
        started = time.monotonic()
        status, err, peak = run(*arguments(huge))
        seconds = time.monotonic() - started
        above = peak - base_peak
        print(f"  {name}: {peak} KiB peak, {above:+} KiB above a small package's {base_peak} KiB, {seconds:.2f} s")
        check(f"{name} of a small package succeeds", base_status == 0, base_err)
        # The name is cut at its first zero byte, as the installer reads it: an empty name.
        told = "extraction stopped" if name == "extract" else "refuses the name '': it is empty"
        check(f"{name} refuses a 1 GiB name", status == 1 and told in err, f"status {status}: {err}")
        check(f"{name} refuses it in less than {MEMORY_LIMIT_KIB} KiB more memory", above < MEMORY_LIMIT_KIB,
              f"{above} KiB more")


def make_folder(root, seed, names):
    """Files of mixed sizes whose contents tell the folder and the name apart."""
    os.makedirs(root)
    rng = random.Random(seed)
    contents = {}
    for name in names:
        size = rng.choice([0, 1, 4096, 65536 + 7, 1 << 20, 3 << 20, (5 << 20) + 11])
        block = (seed + name).encode() * 64
        data = (block * (size // len(block) + 1))[:size]
        write(os.path.join(root, name), data)
        contents[name] = data
    return contents


def extracted(folder):
    found = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb") as file:
            found[name] = file.read()
    return found


def killed_pack(work, rounds):
    names_old = [f"file{i:02}.bin" for i in range(24)] + ["pelmora.exe"]
    names_new = [f"file{i:02}.bin" for i in range(4, 30)] + ["pelmora.exe", "readme.txt"]
    old = make_folder(os.path.join(work, "old"), "old", names_old)
    new = make_folder(os.path.join(work, "new"), "new", names_new)
    package = os.path.join(work, "package")
    sources = {"old": (os.path.join(work, "old"), old), "new": (os.path.join(work, "new"), new)}
    whole = float("inf")
    for name in ("old", "new", "old", "new"):
        started = time.monotonic()
        status, err, _ = run("pack", path_arg(sources[name][0]), "-o", path_arg(package))
        whole = min(whole, time.monotonic() - started)
        check(f"a whole pack of the {name} folder succeeds", status == 0, err)
    seed = int(os.environ.get("KW_KILL_SEED", str(int(time.time()))))
    rng = random.Random(seed)
    print(f"  a whole pack takes {whole:.2f} s; killing {rounds} packs at random points (KW_KILL_SEED={seed})")

    def size(path):
        try:
            return os.path.getsize(path)
        except OSError:
            return -1

    # The partial files carry the writing process's tag: the largest one that
    # a round's pack made, of its data or its index.
    def partial(kind, before):
        sizes = [size(os.path.join(package, name)) for name in os.listdir(package)
                 if name.startswith(f"pelmora.{kind}.kwpack-partial") and name not in before]
        return max(sizes, default=-1)

    # A point of the run, seen from outside: under Wine most of a run's time
    # is its start, so points in time alone would seldom reach the pair.
    def kill_point(total, before):
        kind = rng.choice(["in time", "while the data is written", "once the index is written",
                           "once the old index is gone"])
        if kind == "in time":
            deadline = time.monotonic() + rng.uniform(0, whole * 1.1)
            return kind, lambda: time.monotonic() >= deadline
        if kind == "while the data is written":
            bytes_written = rng.randrange(total + 1)
            return kind, lambda: partial("kwf", before) >= bytes_written
        if kind == "once the index is written":
            return kind, lambda: partial("kwi", before) > 0
        return kind, lambda: size(os.path.join(package, "pelmora.kwi")) < 0

    outcomes = {"old pair": 0, "new pair": 0, "no index": 0, "pack finished first": 0}
    current = "new"
    for round_number in range(rounds):
        target = "new" if current == "old" else "old"
        kind, reached = kill_point(sum(len(data) for data in sources[target][1].values()), set(os.listdir(package)))
        process = subprocess.Popen(command("pack", path_arg(sources[target][0]), "-o", path_arg(package)),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while process.poll() is None and not reached():
            pass
        finished = process.poll() is not None
        if not finished:
            process.send_signal(signal.SIGKILL)
        process.wait()
        if finished:
            outcomes["pack finished first"] += 1
        print(f"  round {round_number}: {target} pack killed {kind}" + (", but it had finished" if finished else ""))

        left = sorted(os.listdir(package))
        # A Windows pack's lock goes with its handle, which Wine closes a moment
        # after a killed program has gone; the next pack takes it away if not.
        strays = [name for name in left if name not in ("pelmora.kwi", "pelmora.kwf", "pelmora.kwpack-lock") and
                  ".kwpack-partial" not in name]
        check(f"round {round_number}: only the pair and partial files are left", not strays, str(left))

        destination = os.path.join(work, f"dest{round_number}")
        status, err, _ = run("extract", path_arg(package), path_arg(destination))
        got = extracted(destination) if os.path.isdir(destination) else {}
        wrong = [name for name, data in got.items() if data != old.get(name) and data != new.get(name)]
        check(f"round {round_number}: extract writes no file that is neither old nor new", not wrong,
              f"{wrong} (status {status})")
        if status == 0:
            whole_pair = got == old or got == new
            check(f"round {round_number}: a pair that extracts is the old or the new one whole", whole_pair,
                  f"{sorted(got)}")
            current = "old" if got == old else "new"
            outcomes["old pair" if got == old else "new pair"] += 1
        else:
            no_index = "pelmora.kwi" not in left
            check(f"round {round_number}: a pair that does not extract has no index", no_index, err)
            outcomes["no index"] += 1
            # The next pack goes over a whole pair again.
            check(f"round {round_number}: a pack after it succeeds",
                  run("pack", path_arg(sources[target][0]), "-o", path_arg(package))[0] == 0)
            current = target
    print("  after the kills: " + ", ".join(f"{count} {what}" for what, count in outcomes.items()))


def packs_at_once(work, rounds, together=3):
    """Packs of two folders into one output folder, started together: each
    waits for the others' steps, so each exits 0 and the pair left is the
    last one's, whole. Every other round the output folder is missing, so
    that the packs race to make it too."""
    old = make_folder(os.path.join(work, "old"), "old", [f"file{i:02}.bin" for i in range(12)] + ["pelmora.exe"])
    new = make_folder(os.path.join(work, "new"), "new", [f"file{i:02}.bin" for i in range(6, 20)] + ["pelmora.exe"])
    package = os.path.join(work, "package")
    for round_number in range(rounds):
        if round_number % 2 == 0 and os.path.isdir(package):
            shutil.rmtree(package)
        with tempfile.TemporaryFile() as err:
            started = [subprocess.Popen(command("pack", path_arg(os.path.join(work, ("old", "new")[i % 2])), "-o",
                                                path_arg(package)),
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err)
                       for i in range(together)]
            statuses = [process.wait() for process in started]
            err.seek(0)
            told = err.read().decode("utf-8", "replace")
        check(f"packs at once, round {round_number}: each exits 0", statuses == [0] * together, f"{statuses}: {told}")
        left = sorted(os.listdir(package))
        check(f"packs at once, round {round_number}: only the pair is left", left == ["pelmora.kwf", "pelmora.kwi"],
              str(left))
        destination = os.path.join(work, f"dest{round_number}")
        status, err_text, _ = run("extract", path_arg(package), path_arg(destination))
        got = extracted(destination) if os.path.isdir(destination) else {}
        check(f"packs at once, round {round_number}: the pair is one folder's, whole",
              status == 0 and (got == old or got == new), f"status {status}, {sorted(got)}: {err_text}")


def record(name, size=0):
    return size.to_bytes(4, "little") + len(name).to_bytes(4, "little") + name


# Code page, the names' bytes, then the names listed and the record that stops
# the listing (None when none does) with what its message says.
JSON_CASES = [
    (1252, [b'sub\\x.txt', b"{'}],\t.txt"], ["sub\\x.txt"], (2, "control character")),
    (1252, [b"a.txt", b'say "hi".txt'], ["a.txt"], (2, "holds one of")),
    (1252, [b"a.txt", b"ab\0cd"], ["a.txt"], (2, "zero byte")),
    (1252, [b"\x1b[2J\x07.txt"], [], (1, "\\x1B[2J\\x07.txt")),
    (932, [b"\x83\x7c.txt", b"a\x95"], ["\u30dd.txt"], (2, "no text in code page 932")),
    (65001, ["\u2028 \U0001F600 表.txt".encode(), b"L\xe4s.txt"], ["\u2028 \U0001F600 表.txt"],
     (2, "no text in code page 65001")),
    (65001, [b"pelmora.exe", "नमस्ते".encode()], ["pelmora.exe", "नमस्ते"], None),
]


def json_listings(work):
    for number, (code_page, names, listed, stop) in enumerate(JSON_CASES):
        package = os.path.join(work, f"package{number}")
        os.makedirs(package)
        write(os.path.join(package, "pelmora.kwi"), b"".join(record(name) for name in names))
        write(os.path.join(package, "pelmora.kwf"), b"")
        with tempfile.TemporaryFile() as out:
            status, err, _ = run("list", path_arg(package), "--codepage", code_page, "--json", stdout=out)
            out.seek(0)
            text = out.read()
        what = f"list --json of {names!r} in {code_page}"
        try:
            document = json.loads(text.decode("utf-8"))
        except ValueError as error:
            check(f"{what}: one JSON document in UTF-8", False, f"{error}: {text!r}")
            continue
        entries = [entry["name"] for entry in document["entries"]]
        check(f"{what}: the entries before what stopped it", entries == listed, f"{entries}")
        error = document.get("error")
        if stop is None:
            check(f"{what}: ends with the totals", status == 0 and error is None and document["count"] == len(listed),
                  f"status {status}: {document}")
            continue
        check(f"{what}: ends with the record that stopped it", status == 1 and error is not None and
              error["record"] == stop[0] and stop[1] in error["message"] and error["message"] in err,
              f"status {status}: {document} / {err}")


def full_output(work):
    package = os.path.join(work, "package")
    os.makedirs(package)
    write(os.path.join(package, "pelmora.kwi"), (2).to_bytes(4, "little") + (11).to_bytes(4, "little") + b"pelmora.exe")
    write(os.path.join(package, "pelmora.kwf"), b"MZ")
    app = os.path.join(work, "app")
    os.makedirs(app)
    write(os.path.join(app, "pelmora.exe"), b"MZ")
    cases = [
        ("list", ["list", path_arg(package)]),
        ("verify", ["verify", path_arg(package), path_arg(app)]),
        ("extract", ["extract", path_arg(package), path_arg(os.path.join(work, "out"))]),
        ("pack", ["pack", path_arg(app), "-o", path_arg(os.path.join(work, "packed"))]),
        ("--help", ["--help"]),
    ]
    with open("/dev/full", "wb") as full:
        for name, arguments in cases:
            status, err, _ = run(*arguments, stdout=full)
            check(f"{name} > /dev/full exits 1 and says why", status == 1 and "cannot write the output" in err,
                  f"status {status}: {err}")


with tempfile.TemporaryDirectory() as work:
    huge_name(work)
with tempfile.TemporaryDirectory() as work:
    killed_pack(work, int(os.environ.get("KW_KILL_ROUNDS", "24")))
with tempfile.TemporaryDirectory() as work:
    packs_at_once(work, int(os.environ.get("KW_TOGETHER_ROUNDS", "6")))
with tempfile.TemporaryDirectory() as work:
    full_output(work)
with tempfile.TemporaryDirectory() as work:
    json_listings(work)

finish("hostile")
