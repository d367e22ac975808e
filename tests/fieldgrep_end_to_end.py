#!/usr/bin/env python3
"""Runs the built fieldgrep and checks what only a process shows: its output
over several files, its messages and exit status, and its memory on a pipe.

usage: fieldgrep_end_to_end.py [--crlf] [--wine] [--emulated] [--sanitized] [--strerror HELPER] COMMAND...
COMMAND runs fieldgrep; the options are end_to_end.py's (--crlf: standard
error's lines end with CR LF, as on Windows; the output is written as read
everywhere).
"""
import os
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import end_to_end as base  # noqa: E402
from case_file import read_case_file  # noqa: E402

CASES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fieldgrep_cases.txt")
MIB = base.MIB
USAGE = b"usage: fieldgrep NAME[,NAME...] [FILE...]\n"


def message(what, error_name):
    return base.diagnostic(b"fieldgrep: " + what, error_name)


class Run(unittest.TestCase):
    """Runs fieldgrep in a folder of its own, holding the files given."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def files(self, contents):
        """Writes files named f0, f1... (or the names given) in the folder."""
        items = contents.items() if isinstance(contents, dict) else (
            ("f%d" % i, data) for i, data in enumerate(contents))
        names = []
        for name, data in items:
            with open(os.path.join(self.dir.name, name), "wb") as f:
                f.write(data)
            names.append(name)
        return names

    def run_in_dir(self, args, stdin=b"", stdout=subprocess.PIPE):
        with tempfile.TemporaryFile() as f:
            f.write(stdin)
            f.seek(0)
            return base.execute(base.COMMAND + list(args), f, stdout=stdout, cwd=self.dir.name)


class Selection(Run):
    def test_every_case_by_name_list(self):
        # The rows that share a NAME list run as one command, each row's input
        # a FILE of its own: the output is theirs in turn.
        by_list = {}
        for row in read_case_file(CASES):
            by_list.setdefault(row.fields[0], []).append(row)
        for names, rows in by_list.items():
            if base.WINE and max(names) >= 0x80:
                continue  # Windows passes the command line through its code pages
            with self.subTest(names=names):
                files = self.files({row.name: row.fields[1] for row in rows})
                want = b"".join(row.fields[2] for row in rows)
                self.assertEqual(self.run_in_dir([os.fsdecode(names)] + files),
                                 (want, b"", 0 if want else 1))

    def test_standard_input_and_dash(self):
        files = self.files([b"To: a\n", b"Cc: x\nTo: c"])
        self.assertEqual(self.run_in_dir(["To"], b"To: s\n\tt\n"), (b"To: s\n\tt\n", b"", 0))
        self.assertEqual(self.run_in_dir(["To", files[0], "-", files[1]], b"From x\nTo: s\n\n"),
                         (b"To: a\nTo: s\nTo: c\n", b"", 0))

    def test_ctrl_z_in_one_file_ends_nothing(self):
        files = self.files([b"To: a\x1a,\n b\n", b"To: c\n"])
        self.assertEqual(self.run_in_dir(["To"] + files), (b"To: a,\n b\nTo: c\n", b"", 0))

    def test_blanks_before_the_colon_are_held_up_to_64_kib(self):
        # As many for a short NAME as for the longest.
        held = b"To" + b" \t" * 32768 + b":a\n"
        files = self.files([held, b"To" + b" " * 65537 + b":b\n"])
        self.assertEqual(self.run_in_dir(["To,Subject"] + files), (held, b"", 0))


class Statuses(Run):
    def test_usage(self):
        for args in ([], ["To,,Cc"], ["To,"], [","], [":"], [""], ["To::"], ["To Cc"], ["To\t"],
                     ["X\x01"], ["X\x7f"], ["To,:"], [",To", "f"]):
            with self.subTest(args=args):
                self.assertEqual(self.run_in_dir(args, b"To: a\n"), (b"", base.lines(USAGE), 2))

    def test_nothing_selected(self):
        self.assertEqual(self.run_in_dir(["Cc"], b"To: a\n"), (b"", b"", 1))

    def test_files_that_cannot_be_read_among_good_ones(self):
        files = self.files([b"To: a\n", b"To: b\n"])
        os.mkdir(os.path.join(self.dir.name, "folder"))
        got = self.run_in_dir(["To", files[0], "missing", "folder", files[1]])
        # Windows cannot open a folder as a file; elsewhere it is its read that fails.
        folder = message(b"folder", "EACCES" if base.WINE else "EISDIR")
        self.assertEqual(got, (b"To: a\nTo: b\n", message(b"missing", "ENOENT") + folder, 2))
        # Status 2 even when nothing is selected.
        self.assertEqual(self.run_in_dir(["Cc", files[0], "missing"])[2], 2)
        # Standard input is "stdin", as fieldpick names it.
        fd = os.open("/", os.O_RDONLY)
        try:
            got = base.execute(base.COMMAND + ["To", files[0], "-"], fd, cwd=self.dir.name)
        finally:
            os.close(fd)
        want = message(b"stdin", "EINVAL" if base.WINE else "EISDIR")
        self.assertEqual(got, (b"To: a\n", want, 2))

    def test_full_output(self):
        with open("/dev/full", "wb") as full:
            got = self.run_in_dir(["To"], b"To: a\n", stdout=full)
        self.assertEqual(got[1:], (message(b"stdout", "ENOSPC"), 2))

    def test_reader_going_away_ends_the_run(self):
        files = self.files([b"To: a\n" * 2000000])
        with tempfile.TemporaryFile() as err:
            with subprocess.Popen(base.COMMAND + ["To"] + files + files, stdout=subprocess.PIPE,
                                  stderr=err, cwd=self.dir.name) as p:
                self.assertEqual(p.stdout.readline(), b"To: a\n")
                p.stdout.close()
                status = p.wait(timeout=30)
            err.seek(0)
            # As fieldpick: SIGPIPE, or on Windows status 2, and no message.
            self.assertEqual((status, err.read()), (2 if base.WINE else -signal.SIGPIPE, b""))

    def test_wildcards_expanded_by_the_program(self):
        if not base.WINE:
            self.skipTest("the shell expands wildcards outside Windows")
        self.files({"a.eml": b"To: a\n", "b.eml": b"To: b\n", "c.txt": b"To: c\n"})
        self.assertEqual(self.run_in_dir(["To", "*.eml"]), (b"To: a\nTo: b\n", b"", 0))
        # A pattern that matches nothing stays as typed: no file has such a name.
        self.assertEqual(self.run_in_dir(["To", "none*.eml", "?.txt"]),
                         (b"To: c\n", message(b"none*.eml", "EINVAL"), 2))


class Memory(unittest.TestCase):
    """Peak memory reading a pipe, whatever the input: no LF, no colon."""

    def setUp(self):
        if base.SANITIZED or base.EMULATED or base.WINE:
            self.skipTest("the memory of a sanitizer, an emulator or Wine")

    def test_peak_rss_on_a_pipe(self):
        size = 256 * MIB
        row = b"x" * 77 + b"\n "
        cases = [
            ("a selected line without LF", [b"To: ", *base.repeated(b"x", size)],
             [b"To: ", *base.repeated(b"x", size), b"\n"]),
            ("a name without colon", [*base.repeated(b"T", size), b"\n", b"To: a\n"],
             [b"To: a\n"]),
            ("blanks before a colon", [b"To", *base.repeated(b" ", size), b":\nTo: a\n"],
             [b"To: a\n"]),
            ("a folded field", [b"To: ", *base.repeated(row, size // len(row)), b"x\n"],
             [b"To: ", *base.repeated(row, size // len(row)), b"x\n"]),
            ("a body without LF", [b"From a\nTo: a\n\n", *base.repeated(b"y", size)],
             [b"To: a\n"]),
        ]
        for name, data, want in cases:
            with self.subTest(name), tempfile.TemporaryFile() as err:
                # GNU time, whose child is fieldgrep alone: a child of Python's
                # own would count the pages it shared with Python before exec.
                with subprocess.Popen(["/usr/bin/time", "-f", "%M"] + base.COMMAND + ["To"],
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=err) as p:
                    writer = base.feed(p, data)
                    out = base.digest(iter(lambda: p.stdout.read(MIB), b""))
                    status = p.wait()
                    writer.join()
                err.seek(0)
                peak_kib = int(err.read().split()[-1])
                self.assertEqual((out, status), (base.digest(want), 0))
                self.assertLessEqual(peak_kib, 4 * 1024)


if __name__ == "__main__":
    base.COMMAND = base.take_options(sys.argv[1:], __doc__)
    unittest.main(argv=sys.argv[:1], verbosity=2)
