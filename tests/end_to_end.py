#!/usr/bin/env python3
"""Runs the built fieldpick on byte-exact input and checks its output,
diagnostics and exit status.

usage: end_to_end.py [--crlf] COMMAND...   (COMMAND runs fieldpick)
--crlf: the program writes CR LF line ends, as a Windows build does.
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

COMMAND = []
NEWLINE = b"\n"

USAGE = (b"fieldpick: fieldpick only from RFC822 header, Ver 0.1\n"
         b'usage: grep "Hoge:" <input|fieldpick >output\n')


def lines(text):
    """Expected output written with LF, as the program's line ends."""
    return text.replace(b"\n", NEWLINE)


def run(data=b"", args=(), **kw):
    with tempfile.TemporaryFile() as f:
        f.write(data)
        f.seek(0)
        return subprocess.run(COMMAND + list(args), stdin=f, capture_output=True, **kw)


class Filter(unittest.TestCase):
    def check(self, data, want):
        r = run(data)
        self.assertEqual((r.stdout, r.stderr, r.returncode), (lines(want), b"", 0), data)

    def test_cases(self):
        cases = [
            (b"", b""),
            (b"From: Ann <box1>\n", b"box1\n"),
            (b"To: Ann <box1>,\n\tBob (desk) <box2>\nSubject: hello\n", b"box1\nbox2\nhello\n"),
            (b"To: box1,\n box2\n", b"box1,\nbox2\n"),
            (b"To: <box1\n\x0b>\n", b"box1\x0b\n"),
            (b"From: Ann <box1>\n\nNote: see box3\n", b"box1\nsee\nbox3\n"),
            (b" box1 box2\n", b"box1\nbox2\n"),
            (b"To: Ann\n <box1>\nCc: box2", b"box1\nbox2\n"),
            (b"To: <box1\r\n >\r\n", b"box1 \n"),
            (b"To: <a\rb>\r\n", b"a\rb\n"),
            (b"To: a\r", b"a\n"),
            (b"To: box1\nCc: box2\x1a\nBcc: box3\n", b"box1\nbox2\n"),
            (b"To: ab\x00cd\nCc: box2\n", b"ab\nbox2\n"),
            (b"To: x\xe9 <\xc3\xa9>\n", b"\xc3\xa9\n"),
        ]
        for data, want in cases:
            with self.subTest(data=data):
                self.check(data, want)

    def test_long_line_is_not_cut(self):
        word = b"a" * 200000
        self.check(b"To: " + word + b" b\n", word + b"\nb\n")

    def test_folded_header_over_64k(self):
        boxes = [b"box%d@example.org" % i for i in range(6000)]
        data = b"To: " + b",\n\t".join(b"<" + b + b">" for b in boxes) + b"\nCc: x\n"
        self.assertGreater(len(data), 65536)
        self.check(data, b"\n".join(boxes) + b"\nx\n")

    def test_pieces_through_a_pipe(self):
        # The CR and LF of one line end, and a Ctrl-Z, arrive in separate
        # reads; after the Ctrl-Z the program may stop reading at once.
        pieces = [b"To: <box1\r", b"\n >\r", b"\nCc: box2", b"\x1a", b"Bcc: box3\n"]
        with subprocess.Popen(COMMAND, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              bufsize=0) as p:
            try:
                for piece in pieces:
                    p.stdin.write(piece)
                    time.sleep(0.05)
                p.stdin.close()
            except BrokenPipeError:
                pass
            self.assertEqual(p.stdout.read(), lines(b"box1 \nbox2\n"))
            self.assertEqual(p.wait(), 0)


class CommandLine(unittest.TestCase):
    def test_any_argument_gives_usage(self):
        for args in (["x"], [""], ["-h", "y"]):
            with self.subTest(args=args):
                r = run(b"To: box1\n", args)
                self.assertEqual((r.stdout, r.stderr, r.returncode), (lines(USAGE), b"", 2))


class Failures(unittest.TestCase):
    def test_directory_as_input(self):
        fd = os.open("/", os.O_RDONLY)
        try:
            r = subprocess.run(COMMAND, stdin=fd, capture_output=True)
        finally:
            os.close(fd)
        self.assertEqual((r.stdout, r.stderr, r.returncode), (b"", b"stdin: Is a directory\n", 2))

    def test_closed_input(self):
        r = subprocess.run(COMMAND, capture_output=False, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, preexec_fn=lambda: os.close(0))
        self.assertEqual((r.stdout, r.stderr, r.returncode),
                         (b"", b"stdin: Bad file descriptor\n", 2))

    def test_full_output(self):
        with open("/dev/full", "wb") as full, tempfile.TemporaryFile() as f:
            f.write(b"To: box1\n")
            f.seek(0)
            r = subprocess.run(COMMAND, stdin=f, stdout=full, stderr=subprocess.PIPE)
        self.assertEqual((r.stderr, r.returncode), (b"stdout: No space left on device\n", 2))

    def test_reader_going_away_ends_the_run(self):
        with tempfile.TemporaryFile() as f:
            f.write(b"To: box1 box2 box3\n" * 500000)
            f.seek(0)
            with subprocess.Popen(COMMAND, stdin=f, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE) as p:
                self.assertEqual(p.stdout.readline(), lines(b"box1\n"))
                p.stdout.close()
                self.assertNotEqual(p.wait(timeout=30), 0)
                self.assertEqual(p.stderr.read(), b"")


if __name__ == "__main__":
    args = sys.argv[1:]
    if args and args[0] == "--crlf":
        NEWLINE = b"\r\n"
        args = args[1:]
    COMMAND = args
    unittest.main(argv=sys.argv[:1], verbosity=2)
