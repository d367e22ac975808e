#!/usr/bin/env python3
"""Runs the built fieldpick on byte-exact input and checks its output,
diagnostics and exit status.

usage: end_to_end.py [--crlf] [--wine] [--emulated] [--sanitized] [--strerror HELPER] COMMAND...
COMMAND runs fieldpick.
--crlf: the program writes CR LF line ends, as a Windows build does.
--wine: COMMAND runs a Windows build under Wine.
--emulated: COMMAND runs a build for another CPU under qemu's user-mode
  emulator, whose own memory (128 MiB of code buffer) leaves the program's
  nothing to test.
--sanitized: fieldpick is built with sanitizers, whose shadow memory and
  quarantine leave its memory use nothing to test.
--strerror HELPER: the strerror_text program built beside fieldpick, run
  with the words of COMMAND before fieldpick; it gives the C library's
  message texts (by default, those of the library Python uses).
"""
import atexit
import errno
import hashlib
import os
import resource
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from case_file import read_case_file
from long_input import MIB, repeated

COMMAND = []
NEWLINE = b"\n"
WINE = False
EMULATED = False
SANITIZED = False
STRERROR = None
ERROR_TEXTS = {}  # with STRERROR: the Windows texts of the errors, by name

# The cases of the filter, written once for every test that runs them.
CASES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fieldpick_cases.txt")
# The memory limit of the runs that test running out of it.
LIMIT = 100 * MIB

USAGE = (b"fieldpick: fieldpick only from RFC822 header, Ver 0.1\n"
         b'usage: grep "Hoge:" <input|fieldpick >output\n')


def lines(text):
    """Expected output written with LF, as the program's line ends."""
    return text.replace(b"\n", NEWLINE)


def diagnostic(stream, error_name):
    """The one line a failure writes on standard error: the stream's name and
    the C library's text for the error."""
    if STRERROR:
        text = ERROR_TEXTS[error_name]
    else:
        text = os.strerror(getattr(errno, error_name)).encode()
    return lines(stream + b": " + text + b"\n")


def windows_error_texts():
    """The Windows C library's text of each error, by name, asked of STRERROR
    once, before any test: a run that a test ends under a memory limit can
    leave Wine's server unable to serve the next one for a moment."""
    out, err, status = execute(COMMAND[:-1] + [STRERROR], subprocess.DEVNULL)
    if status != 0:
        raise RuntimeError(err.decode(errors="replace"))
    texts = {}
    for line in out.splitlines():
        name, text = line.rstrip(b"\r").split(b" ", 1)
        texts[name.decode()] = text
    return texts


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


def set_memory_limit():
    """The address space on Linux. Wine maps all of its address space when it
    starts, so there the data size, which counts memory as it is committed."""
    kind = resource.RLIMIT_DATA if WINE else resource.RLIMIT_AS
    resource.setrlimit(kind, (LIMIT, LIMIT))


def feed(p, pieces):
    """Writes pieces to p's input from a thread of its own and closes it, unless
    p stops reading first; returns the thread."""
    def write():
        try:
            for piece in pieces:
                p.stdin.write(piece)
            p.stdin.close()
        except BrokenPipeError:
            pass
    writer = threading.Thread(target=write)
    writer.start()
    return writer


def run_limited(pieces):
    """Runs the program under the memory limit on pieces fed through a pipe."""
    with tempfile.TemporaryFile() as err:
        with subprocess.Popen(COMMAND, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=err,
                              preexec_fn=set_memory_limit) as p:
            writer = feed(p, pieces)
            out = p.stdout.read()
            status = p.wait()
            writer.join()
        err.seek(0)
        return out, err.read(), status


def digest(pieces):
    """Length and SHA-256 of the bytes of pieces: what a failure shows of
    output too long to print."""
    h, size = hashlib.sha256(), 0
    for piece in pieces:
        h.update(piece)
        size += len(piece)
    return size, h.hexdigest()


def proc_figure(pid, name, key):
    """A figure of /proc/PID/NAME, such as VmRSS of status (in KiB) or rchar
    of io (in bytes)."""
    with open("/proc/%d/%s" % (pid, name)) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    raise KeyError(key)


class Watched:
    """A running program whose output is read as it comes, watching for a word."""

    def __init__(self, command, **kw):
        self.p = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, **kw)
        self.word, self.found = None, threading.Event()
        self.reader = threading.Thread(target=self.read)
        self.reader.start()

    def read(self):
        tail = b""
        for block in iter(lambda: self.p.stdout.read1(MIB), b""):
            if self.word and self.word in tail + block:
                self.found.set()
            tail = block[-64:]

    def waiting_after(self, pieces, word):
        """Feeds pieces, then short fields until word has come out: the output
        buffer has passed everything before it on, and the program waits on its
        input. Returns its resident KiB then, once that has settled."""
        self.word = word
        self.found.clear()
        for piece in pieces:
            self.p.stdin.write(piece)
        for _ in range(200):
            self.p.stdin.write(b"To: <z>\n" * 131072)
            self.p.stdin.flush()
            if self.found.wait(0.05):
                break
        else:
            raise AssertionError("%r never came out" % word)
        rss = proc_figure(self.p.pid, "status", "VmRSS")
        for _ in range(20):
            time.sleep(0.05)
            rss, last = proc_figure(self.p.pid, "status", "VmRSS"), rss
            if rss == last:
                break
        return rss

    def finish(self):
        """Closes the input; returns the exit status."""
        self.p.stdin.close()
        status = self.p.wait()
        self.reader.join()
        self.p.stdout.close()
        return status


class Filter(unittest.TestCase):
    def check(self, data, want):
        self.assertEqual(run(data), (lines(want), b"", 0), data)

    def test_cases(self):
        for case in read_case_file(CASES):
            if case.group.startswith("filter:"):
                data, want = case.fields
                with self.subTest(case.name):
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


class Memory(unittest.TestCase):
    """Long fields under a memory limit, and what is held once they are read."""

    def setUp(self):
        if SANITIZED:
            self.skipTest("a sanitizer's shadow memory and quarantine")
        if EMULATED:
            self.skipTest("the emulator's own memory, which a limit and /proc count too")

    def test_running_out_of_memory_keeps_what_was_written(self):
        # The field still open is dropped; the address before it, still in the
        # output buffer when memory ran out, is written.
        row = b"x" * 77 + b"\n "
        cases = [
            ("one line", [b"Cc: ", *repeated(b"x", LIMIT), b"\n"]),
            ("folded", [b"Cc: ", *repeated(row, LIMIT // len(row)), b"x\n"]),
        ]
        for name, field in cases:
            with self.subTest(name):
                got = run_limited([b"To: <a@b>\n", *field, b"Bcc: <c@d>\n"])
                self.assertEqual(got, (lines(b"a@b\n"), diagnostic(b"stdin", "ENOMEM"), 2))

    def test_fields_within_the_limit(self):
        # What follows a NUL is not kept, however much of it there is. A long
        # field is held once, in a buffer at most half as large again: one of
        # 60% of the limit fits, where a copy while it grows would not.
        size = LIMIT * 6 // 10
        rows = size // 80
        cases = [
            ("NULs", [b"To: <a@b\0", *repeated(b"\0", 3 * LIMIT), b">\n"], [b"a@b\n"], False),
            ("one line", [b"Cc: ", *repeated(b"x", size), b"\n"], [*repeated(b"x", size), b"\n"],
             True),
            ("folded", [b"Cc: <", *repeated(b"x" * 78 + b"\n\t", rows), b">\n"],
             [*repeated(b"x" * 78 + b"\t", rows), b"\n"], True),
        ]
        for name, field, want, copied_by_wine in cases:
            with self.subTest(name):
                if copied_by_wine and WINE:
                    # The Windows heap moves a large block that it grows, so the
                    # field is held twice while it is copied.
                    self.skipTest("Wine's realloc copies a large block")
                out, err, status = run_limited([*field, b"Bcc: <c@d>\n"])
                self.assertEqual((digest([out]), err, status),
                                 (digest(map(lines, [*want, b"c@d\n"])), b"", 0))

    def test_endless_nuls_are_read_in_fixed_memory(self):
        # /dev/zero is one line that never ends, and a NUL ends its text: the
        # run goes on until it is stopped, writing nothing and keeping one NUL.
        with open("/dev/zero", "rb") as zero, tempfile.TemporaryFile() as err:
            with subprocess.Popen(COMMAND, stdin=zero, stdout=subprocess.PIPE, stderr=err,
                                  preexec_fn=set_memory_limit) as p:
                deadline = time.monotonic() + 20
                while proc_figure(p.pid, "io", "rchar") < 4 * LIMIT and p.poll() is None:
                    self.assertLess(time.monotonic(), deadline, "too slow a read")
                    time.sleep(0.02)
                running = p.poll() is None
                peak_kib = proc_figure(p.pid, "status", "VmHWM") if running else None
                p.kill()
                out = p.stdout.read()
            err.seek(0)
            self.assertEqual((running, out, err.read()), (True, b"", b""))
        # The slack that a field of one byte may take.
        self.assertLess(peak_kib, 16 * 1024)

    def test_memory_is_given_back_after_a_long_field(self):
        row = b"x" * 77 + b"\n "
        # 16 MiB: on Windows the buffer stays in its first, small range of
        # address space. Wine keeps the bookkeeping of a larger range (a byte
        # for every 4 KiB of memory) after it is given back.
        cases = [("one line", [b"Cc: ", *repeated(b"x", 16 * MIB), b" <end>\n"]),
                 ("folded", [b"Cc: ", *repeated(row, 16 * MIB // len(row)), b"<end>\n"])]
        for name, field in cases:
            with self.subTest(name), tempfile.TemporaryFile() as err:
                w = Watched(COMMAND, stderr=err)
                try:
                    before = w.waiting_after([b"To: <start>\n"], b"start")
                    after = w.waiting_after(field, b"end")
                finally:
                    status = w.finish()
                self.assertEqual(status, 0)
                self.assertLess(after - before, 4 * 1024, "KiB held after the field")


def take_options(args, usage):
    """Sets the options at the front of args (the usage above), which fieldgrep's
    suite shares; returns the COMMAND after them."""
    global NEWLINE, WINE, EMULATED, SANITIZED, STRERROR, COMMAND, ERROR_TEXTS
    while args and args[0].startswith("--"):
        option = args.pop(0)
        if option == "--crlf":
            NEWLINE = b"\r\n"
        elif option == "--wine":
            WINE = True
        elif option == "--emulated":
            EMULATED = True
        elif option == "--sanitized":
            SANITIZED = True
        elif option == "--strerror" and args:
            STRERROR = args.pop(0)
        else:
            sys.exit(usage)
    if not args:
        sys.exit(usage)
    COMMAND = args
    if WINE:
        keep_wine_server(COMMAND[0])
    if STRERROR:
        ERROR_TEXTS = windows_error_texts()
    return args


def keep_wine_server(loader):
    """Starts Wine's server for the whole suite, and stops it at the end. A
    server that a run under a memory limit started would have that limit
    too, and could fail the runs after it."""
    server = os.path.join(os.path.dirname(loader), "wineserver")
    subprocess.run([server, "-p"], check=True)  # it goes on in the background
    atexit.register(subprocess.run, [server, "-k"])


if __name__ == "__main__":
    COMMAND = take_options(sys.argv[1:], __doc__)
    unittest.main(argv=sys.argv[:1], verbosity=2)
