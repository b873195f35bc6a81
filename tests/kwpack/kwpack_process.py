"""What the tests of kwpack as a process share: the program and its runner
from the command line (KWPACK [RUNNER...]), its paths as it takes them, and
a tally of checks."""
import sys

kwpack, runner = sys.argv[1], sys.argv[2:]
failures = []


def path_arg(path):
    """A Windows kwpack.exe under Wine takes the path through drive Z:."""
    return "Z:" + path if runner else path


def command(*arguments):
    return runner + [kwpack] + [str(a) for a in arguments]


def check(what, good, detail=""):
    print(("ok: " if good else "FAILED: ") + what + ("" if good else "\n  " + detail), flush=True)
    if not good:
        failures.append(what)


def finish(name):
    print(f"{name}: {len(failures)} failed")
    sys.exit(1 if failures else 0)
