#!/usr/bin/env python3
"""kwpack as a process, where a publisher meets it at its worst:

- an index whose first record claims a 1 GiB name (a sparse file): list,
  verify and extract refuse it in little memory, measured as the peak resident
  memory above that of the same command on a small package;
- a pack of a large folder over an existing package, killed at random points:
  the pair left behind is the old one, the new one or none, and extract never
  writes a file that is neither the old nor the new one;
- standard output on a full disk: no command exits 0.

Usage: hostile.py KWPACK [RUNNER...]
With a runner (wine-run and its prefix), KWPACK is the Windows kwpack.exe,
given Z: paths. KW_KILL_ROUNDS (16) and KW_KILL_SEED (the time) set the kills.
"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

kwpack, runner = sys.argv[1], sys.argv[2:]
failures = []
MEMORY_LIMIT_KIB = 16 * 1024
GIB = 1 << 30


def path_arg(path):
    return "Z:" + path if runner else path


def command(*arguments):
    return runner + [kwpack] + [str(a) for a in arguments]


def check(what, good, detail=""):
    print(("ok: " if good else "FAILED: ") + what + ("" if good else "\n  " + detail), flush=True)
    if not good:
        failures.append(what)


def measure(*arguments):
    """Runs kwpack and returns its exit status, standard error and peak resident memory in KiB.

    The peak that the system keeps for children is the largest of them all, so
    kwpack is started from a helper process of its own, which reports it."""
    read_end, write_end = os.pipe()
    helper = os.fork()
    if helper == 0:
        os.close(read_end)
        with open(os.devnull, "wb") as null:
            process = subprocess.Popen(command(*arguments), stdout=null, stderr=subprocess.PIPE)
            _, err = process.communicate(timeout=600)
        import resource
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        message = f"{process.returncode} {peak}\n".encode() + err
        os.write(write_end, message)
        os._exit(0)
    os.close(write_end)
    chunks = []
    while True:
        chunk = os.read(read_end, 65536)
        if not chunk:
            break
        chunks.append(chunk)
    os.close(read_end)
    os.waitpid(helper, 0)
    data = b"".join(chunks)
    head, _, err = data.partition(b"\n")
    status, peak = (int(x) for x in head.split())
    return status, err.decode("utf-8", "replace").replace("\r\n", "\n"), peak


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

    cases = [
        ("list", lambda package: ["list", path_arg(package)]),
        ("verify", lambda package: ["verify", path_arg(package), path_arg(installed)]),
        ("extract", lambda package: ["extract", path_arg(package), path_arg(os.path.join(work, "out-" + os.path.basename(package)))]),
    ]
    for name, arguments in cases:
        base_status, base_err, base_peak = measure(*arguments(small))
        started = time.monotonic()
        status, err, peak = measure(*arguments(huge))
        seconds = time.monotonic() - started
        above = peak - base_peak
        print(f"  {name}: {peak} KiB peak, {above:+} KiB above a small package's {base_peak} KiB, {seconds:.2f} s")
        check(f"{name} of a small package succeeds", base_status == 0, base_err)
        told = "extraction stopped" if name == "extract" else "zero byte at position 0"
        check(f"{name} refuses a 1 GiB name", status == 1 and told in err, f"status {status}: {err}")
        check(f"{name} refuses it in less than {MEMORY_LIMIT_KIB} KiB more memory", above < MEMORY_LIMIT_KIB,
              f"{above} KiB more")


def make_folder(root, seed, names):
    """Files whose every byte depends on the seed, name and offset, of mixed sizes."""
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

    for name in ("old", "new"):
        started = time.monotonic()
        result = subprocess.run(command("pack", path_arg(sources[name][0]), "-o", path_arg(package)),
                                capture_output=True)
        whole = time.monotonic() - started
        check(f"a whole pack of the {name} folder succeeds", result.returncode == 0,
              result.stderr.decode("utf-8", "replace"))
    seed = int(os.environ.get("KW_KILL_SEED", str(int(time.time()))))
    rng = random.Random(seed)
    print(f"  a whole pack takes {whole:.2f} s; killing {rounds} packs at random points (KW_KILL_SEED={seed})")
    outcomes = {"old pair": 0, "new pair": 0, "no index": 0, "pack finished": 0}
    current = "new"
    for round_number in range(rounds):
        target = "new" if current == "old" else "old"
        process = subprocess.Popen(command("pack", path_arg(sources[target][0]), "-o", path_arg(package)),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(rng.uniform(0, whole * 1.1))
        finished = process.poll() is not None
        if not finished:
            process.send_signal(signal.SIGKILL)
        process.wait()
        if finished:
            outcomes["pack finished"] += 1

        left = sorted(os.listdir(package))
        strays = [name for name in left if name not in ("pelmora.kwi", "pelmora.kwf") and
                  not name.endswith(".kwpack-partial")]
        check(f"round {round_number}: only the pair and partial files are left", not strays, str(left))

        destination = os.path.join(work, f"dest{round_number}")
        result = subprocess.run(command("extract", path_arg(package), path_arg(destination)), capture_output=True)
        got = extracted(destination) if os.path.isdir(destination) else {}
        wrong = [name for name, data in got.items() if data != old.get(name) and data != new.get(name)]
        check(f"round {round_number}: extract writes no file that is neither old nor new", not wrong,
              f"{wrong} (status {result.returncode})")
        if result.returncode == 0:
            whole_pair = got == old or got == new
            check(f"round {round_number}: a pair that extracts is the old or the new one whole", whole_pair,
                  f"{sorted(got)}")
            current = "old" if got == old else "new"
            outcomes["old pair" if got == old else "new pair"] += 1
        else:
            no_index = "pelmora.kwi" not in left
            check(f"round {round_number}: a pair that does not extract has no index", no_index,
                  result.stderr.decode("utf-8", "replace"))
            outcomes["no index"] += 1
            current = "none"
    print("  after the kills: " + ", ".join(f"{count} {what}" for what, count in outcomes.items()))


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
            result = subprocess.run(command(*arguments), stdout=full, stderr=subprocess.PIPE)
            err = result.stderr.decode("utf-8", "replace")
            check(f"{name} > /dev/full exits 1 and says why", result.returncode == 1 and
                  "cannot write the output" in err, f"status {result.returncode}: {err}")


with tempfile.TemporaryDirectory() as work:
    huge_name(work)
with tempfile.TemporaryDirectory() as work:
    killed_pack(work, int(os.environ.get("KW_KILL_ROUNDS", "16")))
with tempfile.TemporaryDirectory() as work:
    full_output(work)

print(f"hostile: {len(failures)} failed")
sys.exit(1 if failures else 0)
