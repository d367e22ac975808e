#!/usr/bin/env python3
"""Runs the built fieldpick on byte-exact input and checks its output,
diagnostics and exit status.

usage: end_to_end.py [--crlf] [--wine] [--strerror HELPER] COMMAND...
COMMAND runs fieldpick.
--crlf: the program writes CR LF line ends, as a Windows build does.
--wine: COMMAND runs a Windows build under Wine.
--strerror HELPER: the strerror_text program built beside fieldpick, run
  with the words of COMMAND before fieldpick; it gives the C library's
  message texts (by default, those of the library Python uses).
"""
import errno
import os
import subprocess
import sys
import tempfile
import time
import unittest

COMMAND = []
NEWLINE = b"\n"
WINE = False
STRERROR = None

USAGE = (b"fieldpick: fieldpick only from RFC822 header, Ver 0.1\n"
         b'usage: grep "Hoge:" <input|fieldpick >output\n')


def lines(text):
    """Expected output written with LF, as the program's line ends."""
    return text.replace(b"\n", NEWLINE)


def diagnostic(stream, error_name):
    """The one line a failure writes on standard error: the stream's name and
    the C library's text for the error."""
    if STRERROR:
        out, err, status = execute(COMMAND[:-1] + [STRERROR, error_name], subprocess.DEVNULL)
        if status != 0:
            raise RuntimeError(err.decode(errors="replace"))
        text = out.rstrip(b"\r\n")
    else:
        text = os.strerror(getattr(errno, error_name)).encode()
    return lines(stream + b": " + text + b"\n")


def execute(command, stdin, stdout=subprocess.PIPE, **kw):
    """Runs command; returns its standard output, standard error and status.
    Standard error goes to a file, not a pipe: a process that outlives the
    command (Wine's server) would hold a pipe open for seconds after it."""
    with tempfile.TemporaryFile() as err:
        r = subprocess.run(command, stdin=stdin, stdout=stdout, stderr=err, **kw)
        err.seek(0)
        return r.stdout, err.read(), r.returncode


def run(data=b"", args=()):
    with tempfile.TemporaryFile() as f:
        f.write(data)
        f.seek(0)
        return execute(COMMAND + list(args), f)


class Filter(unittest.TestCase):
    def check(self, data, want):
        self.assertEqual(run(data), (lines(want), b"", 0), data)

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
                self.assertEqual(run(b"To: box1\n", args), (lines(USAGE), b"", 2))


class Failures(unittest.TestCase):
    def test_directory_as_input(self):
        fd = os.open("/", os.O_RDONLY)
        try:
            got = execute(COMMAND, fd)
        finally:
            os.close(fd)
        # Windows fails a read of a directory as an invalid function (EINVAL).
        want = diagnostic(b"stdin", "EINVAL" if WINE else "EISDIR")
        self.assertEqual(got, (b"", want, 2))

    def test_closed_input(self):
        if WINE:
            self.skipTest("Wine puts a handle of its own on a closed fd 0")
        got = execute(COMMAND, None, preexec_fn=lambda: os.close(0))
        self.assertEqual(got, (b"", diagnostic(b"stdin", "EBADF"), 2))

    def test_full_output(self):
        with open("/dev/full", "wb") as full, tempfile.TemporaryFile() as f:
            f.write(b"To: box1\n")
            f.seek(0)
            _, err, status = execute(COMMAND, f, stdout=full)
        self.assertEqual((err, status), (diagnostic(b"stdout", "ENOSPC"), 2))

    def test_reader_going_away_ends_the_run(self):
        with tempfile.TemporaryFile() as f, tempfile.TemporaryFile() as err:
            f.write(b"To: box1 box2 box3\n" * 500000)
            f.seek(0)
            with subprocess.Popen(COMMAND, stdin=f, stdout=subprocess.PIPE, stderr=err) as p:
                self.assertEqual(p.stdout.readline(), lines(b"box1\n"))
                p.stdout.close()
                status = p.wait(timeout=30)
            # Elsewhere SIGPIPE ends the run; Windows has none, and the program
            # stops by itself with status 2.
            if WINE:
                self.assertEqual(status, 2)
            else:
                self.assertNotEqual(status, 0)
            err.seek(0)
            self.assertEqual(err.read(), b"")


if __name__ == "__main__":
    args = sys.argv[1:]
    while args and args[0].startswith("--"):
        option = args.pop(0)
        if option == "--crlf":
            NEWLINE = b"\r\n"
        elif option == "--wine":
            WINE = True
        elif option == "--strerror" and args:
            STRERROR = args.pop(0)
        else:
            sys.exit(__doc__)
    if not args:
        sys.exit(__doc__)
    COMMAND = args
    unittest.main(argv=sys.argv[:1], verbosity=2)
