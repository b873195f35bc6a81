"""make coverage's account of runs: a program built with --coverage and the
start note, run to its end, killed, and run without the note's variable, and
what scripts/coverage/summary.py makes of the counters each left; and of the
lines not run, against those the gap file names.
Usage: lost_runs_test.py SOURCE_DIR"""
import contextlib
import io
import os
import signal
import subprocess
import sys
import tempfile
import unittest

source = sys.argv.pop(1)
# No compiled copy of the script left in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(source, "scripts", "coverage"))
import summary  # noqa: E402

# Waits for a line when asked to, so that it can be killed while it runs. Its
# loop gives its counters a largest count other than the number of runs,
# which the summary beside the runs in a counter file holds.
PROGRAM = r"""
#include <stdio.h>
#include <string.h>
int main(int argc, char** argv)
{
    char line[8];
    int sum = 0;
    for (int i = 0; i < 5; ++i)
        sum += i;
    if (sum != 10)
        return 1;
    if (argc > 1 && strcmp(argv[1], "wait") == 0) {
        puts("waiting");
        fflush(stdout);
        fgets(line, sizeof line, stdin);
    }
    return 0;
}
"""


class LostRunsTest(unittest.TestCase):
    def setUp(self):
        work = tempfile.TemporaryDirectory()
        self.addCleanup(work.cleanup)
        self.build = work.name
        self.log = os.path.join(self.build, "starts.log")
        notes = os.path.join(self.build, "coverage-notes")
        os.mkdir(notes)
        with open(os.path.join(self.build, "probe.c"), "w") as file:
            file.write(PROGRAM)
        # The note compiled as cmake/Coverage.cmake does: an object of its own
        # in a folder named coverage-notes, its counters beside it.
        subprocess.run(["gcc", "--coverage", "-c", "-o", os.path.join(notes, "probe.c.o"),
                        '-DKW_COVERAGE_PROGRAM="probe"', os.path.join(source, "scripts/coverage/start_note.c")],
                       check=True)
        subprocess.run(["gcc", "--coverage", "-c", "-o", "probe.o", "probe.c"], check=True, cwd=self.build)
        subprocess.run(["gcc", "--coverage", "-o", "probe", "probe.o", os.path.join(notes, "probe.c.o")],
                       check=True, cwd=self.build)

    def run_probe(self, noted=True, killed=False):
        env = dict(os.environ)
        env.pop("GCOV_PREFIX", None)
        env.pop("KW_COVERAGE_STARTS", None)
        if noted:
            env["KW_COVERAGE_STARTS"] = self.log
        process = subprocess.Popen([os.path.join(self.build, "probe"), "wait"], env=env,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.assertEqual(process.stdout.readline(), b"waiting\n")
        if killed:
            process.send_signal(signal.SIGKILL)
        process.communicate(b"go\n")

    def report(self):
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            summary.report_runs("native", self.build, self.build)
        with open(os.path.join(self.build, "native-runs.txt")) as file:
            return printed.getvalue(), file.read()

    def test_runs_counted_from_the_counter_file(self):
        for _ in range(3):
            self.run_probe()
        self.assertEqual(summary.runs_recorded(os.path.join(self.build, "probe.gcda")), 3)
        self.assertEqual(summary.runs_recorded(os.path.join(self.build, "coverage-notes", "probe.c.gcda")), 3)

    def test_killed_run_is_named_lost(self):
        self.run_probe()
        self.run_probe(killed=True)
        self.run_probe()
        os.rename(self.log, os.path.join(self.build, "native-starts.log"))
        printed, table = self.report()
        self.assertIn("3 runs of 1 programs, 1 of them left no counters", printed)
        self.assertIn("probe: 3 runs, 2 wrote counters, 1 lost", printed)
        self.assertIn("probe\t3\t2\n", table)

    def test_run_that_noted_no_start_is_named(self):
        self.run_probe()
        self.run_probe(noted=False)
        os.rename(self.log, os.path.join(self.build, "native-starts.log"))
        printed, _ = self.report()
        self.assertIn("0 of them left no counters", printed)
        self.assertIn("probe: 1 runs wrote counters without noting their start", printed)

    def test_no_starts_noted_and_no_runs(self):
        printed, table = self.report()
        self.assertIn("0 runs of 0 programs", printed)
        self.assertEqual(table, "program\truns\twrote counters\n")

    def test_counters_inside_the_prefix_are_named_and_its_drive_links_not_followed(self):
        drive = os.path.join(self.build, "wineprefix", "drive_c", "work")
        os.makedirs(drive)
        stray = os.path.join(drive, "probe.c.gcda")
        open(stray, "wb").close()
        # z: leads back to / in a real prefix; here back to the build, which would count it twice.
        os.makedirs(os.path.join(self.build, "wineprefix", "dosdevices"))
        os.symlink(self.build, os.path.join(self.build, "wineprefix", "dosdevices", "z:"))
        printed, _ = self.report()
        self.assertEqual(printed.count("counters written inside the Wine prefix"), 1, printed)
        self.assertIn(stray, printed)

    def test_not_a_counter_file(self):
        notes = os.path.join(self.build, "coverage-notes", "other.c.gcda")
        with open(notes, "wb") as file:
            file.write(b"not counters at all")
        with self.assertRaises(ValueError):
            summary.runs_recorded(notes)


class FolderFiguresTest(unittest.TestCase):
    def test_files_add_up_by_folder_and_a_folder_not_built_shows_a_dash(self):
        def entry(name, lines, branches):
            return {"filename": name, "line_covered": lines[0], "line_total": lines[1],
                    "branch_covered": branches[0], "branch_total": branches[1]}
        figures = summary.folder_figures({"files": [
            entry("engine/extract.cpp", (30, 34), (10, 12)),
            entry("engine/paths.cpp", (41, 41), (0, 0)),
            entry("tools/kwpack/cli.cpp", (74, 74), (5, 10)),
            entry("tools/kwpackage.cpp", (1, 9), (1, 9)),
        ]})
        self.assertEqual(figures["engine/"], {"line": (71, 75), "branch": (10, 12)})
        self.assertEqual(figures["tools/kwpack/"], {"line": (74, 74), "branch": (5, 10)})
        self.assertNotIn("ui/", figures)
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            summary.print_table({"native": figures}, ["native"])
        self.assertIn("| `engine/` | 94.7% (71/75) | 83.3% (10/12) |", printed.getvalue())
        self.assertIn("| `ui/` | - | - |", printed.getvalue())


class NamedGapsTest(unittest.TestCase):
    GAPS = """
| file | lines | build | why |
|---|---|---|---|
| `platform/destination_win32.cpp` | 128-131, 140 | windows | only real Windows |
| platform/file_error.cpp | 11 | both | no test runs out of handles |
| tools/kwpack/verify.cpp | 27 | native | a race |
Prose that names platform/file_error.cpp | 12 | both | is no row.
"""

    def test_rows_name_lines_per_build_and_the_rest_is_told(self):
        with tempfile.NamedTemporaryFile("w", suffix=".md", delete=False) as file:
            file.write(self.GAPS)
        self.addCleanup(os.unlink, file.name)
        named = summary.named_gaps(file.name)
        self.assertEqual(named["windows"]["platform/destination_win32.cpp"], {128, 129, 130, 131, 140})
        self.assertEqual(named["native"]["platform/file_error.cpp"], {11})
        self.assertEqual(named["windows"]["platform/file_error.cpp"], {11})
        self.assertNotIn("tools/kwpack/verify.cpp", named["windows"])
        missed = summary.not_run({"files": [
            {"file": "platform/destination_win32.cpp", "lines": [
                {"line_number": 128, "count": 0}, {"line_number": 129, "count": 0}, {"line_number": 130, "count": 0},
                {"line_number": 131, "count": 0}, {"line_number": 140, "count": 3},
                {"line_number": 141, "count": 0, "gcovr/noncode": True}]},
            {"file": "platform/file_error.cpp", "lines": [
                {"line_number": 11, "count": 0}, {"line_number": 12, "count": 0}, {"line_number": 13, "count": 0}]},
        ]})
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            unnamed = summary.report_gaps("windows", missed, named["windows"])
        self.assertEqual(unnamed, 2)
        self.assertIn("windows: not run, and not named in the gap file: platform/file_error.cpp: 12-13",
                      printed.getvalue())
        self.assertIn("windows: named in the gap file, but run: platform/destination_win32.cpp: 140", printed.getvalue())


if __name__ == "__main__":
    unittest.main(verbosity=2)
