#!/usr/bin/env python3
"""Runs the README's GNU parallel recipes, as written there, and checks that
they write the same bytes as fieldpick run once per input.

usage: parallel_test.py README PROGRAM
Exits 77 (skipped) when GNU parallel is not installed.

The recipes run in a folder of their own, with PROGRAM on the PATH as
fieldpick and the fieldgrep built beside it as fieldgrep; only the block size of the big-input recipe is changed, to sizes
small enough that its cuts fall inside folded fields.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

README = PROGRAM = ""
WORKDIR = ""

BIG_INPUT = "headers.txt"
BLOCK = "--block 16M"
# parallel (20221122) cuts at the last place allowed in the 128 KiB it reads
# past each block: the input is a few times that, the sizes odd, so that the
# cuts fall at every kind of place in it.
BLOCK_SIZES = [701, 40009, 300007]
RECSTART = "--recstart '[^\\t\\n\\x0b\\x0c\\r ]'"
# Any byte may start a piece: a cut after any LF.
RECSTART_ANY = "--recstart '(?s:.)'"
FILES = 20
# Every byte that starts a continuation line (an LF there ends the line).
CONTINUATION_STARTS = [b"\t", b"\x0b", b"\x0c", b"\r", b" "]


def recipe(starts_with):
    """The README's command line that starts with these words."""
    with open(README) as f:
        lines = [line.strip() for line in f if line.startswith("    ")]
    found = [line for line in lines if line.startswith(starts_with)]
    if len(found) != 1:
        raise RuntimeError("the README shows %d commands starting with %r"
                           % (len(found), starts_with))
    return found[0]


def shell(command):
    r = subprocess.run(["bash", "-c", command], cwd=WORKDIR, stdout=subprocess.PIPE, check=True)
    return r.stdout


def fieldpick(data):
    return subprocess.run([PROGRAM], input=data, stdout=subprocess.PIPE, check=True).stdout


def word(rng):
    return bytes(rng.choice(b"abcxyz@.,;:<>()\x80\xe9\xff") for _ in range(rng.randint(1, 8)))


def line_end(rng):
    """LF or CR LF, now and then after a NUL and bytes that take part in nothing."""
    end = rng.choice([b"\n", b"\r\n"])
    if rng.random() < 0.1:
        end = b"\0" + word(rng) + end
    return end


def field(rng, folds):
    """One header field folded over folds continuation lines, with brackets
    and comments across the folds so that a field cut in two writes
    something else."""
    text = rng.choice([b"To:", b"Cc:", b"From:", b"X y:"]) + b" " + word(rng)
    for _ in range(folds):
        text += rng.choice([b" <", b" (", b">", b")", b" "]) + word(rng)
        text += line_end(rng) + rng.choice(CONTINUATION_STARTS) + word(rng)
    return text + line_end(rng)


def generated_input(seed, size):
    """About size bytes of header lines of every kind, some fields longer than
    the smallest block, ending in a line without LF."""
    rng = random.Random(seed)
    parts, length = [], 0
    while length < size:
        kind = rng.random()
        if kind < 0.05:
            parts.append(rng.choice([b"\n", b"\r\n", b"\0" + word(rng) + b"\n"]))
        elif kind < 0.07:
            parts.append(field(rng, 600))
        else:
            parts.append(field(rng, rng.choice([0, 1, 2, 5, 20])))
        length += len(parts[-1])
    return b"".join(parts).rstrip(b"\r\n")


class Parallel(unittest.TestCase):
    def test_big_input_cut_where_fields_start(self):
        command = recipe("parallel --pipe-part")
        self.assertIn(BLOCK, command)
        self.assertIn(RECSTART, command)
        data = generated_input(1, 600000)
        self.assertNotIn(b"\x1a", data)  # a Ctrl-Z would end only its own piece
        with open(os.path.join(WORKDIR, BIG_INPUT), "wb") as f:
            f.write(data)
        whole = fieldpick(data)
        for size in BLOCK_SIZES:
            with self.subTest(block=size):
                split = command.replace(BLOCK, "--block %d" % size)
                self.assertEqual(shell(split), whole)
                # Cut after any LF instead, the same input gives other
                # output: folded fields do straddle the cuts.
                self.assertNotEqual(shell(split.replace(RECSTART, RECSTART_ANY)), whole)

    def test_many_files_each_its_own_input(self):
        # The function before the command defines what runs on each file.
        define = recipe("pick()") + "\n" + recipe("export -f pick") + "\n"
        command = recipe("find Mail -type f -print0")
        folder = command.split()[1]
        os.mkdir(os.path.join(WORKDIR, folder))
        for n in range(FILES):
            # A Ctrl-Z, which fieldgrep drops (fieldpick would stop there).
            with open(os.path.join(WORKDIR, folder, "%02d" % n), "wb") as f:
                f.write(generated_input(100 + n, 2000) + b"\nTo: b\x1ac\n"
                        + generated_input(n, 500))
        # One run each, in the order find gives the files.
        in_turn = shell(define + "find %s -type f -print0 | while IFS= read -r -d '' f; "
                        "do pick \"$f\"; done" % folder)
        self.assertTrue(in_turn)
        self.assertEqual(shell(define + command), in_turn)
        # And one fieldgrep reading them all, the recipe for one machine.
        self.assertEqual(shell(recipe("find Mail -type f -exec")), in_turn)


if __name__ == "__main__":
    README, PROGRAM = sys.argv[1:]
    if not shutil.which("parallel"):
        print("skipped: GNU parallel is not installed")
        sys.exit(77)
    with tempfile.TemporaryDirectory() as tmp:
        WORKDIR = tmp
        for name in ["fieldpick", "fieldgrep"]:
            os.symlink(os.path.join(os.path.dirname(os.path.abspath(PROGRAM)), name),
                       os.path.join(tmp, name))
        os.environ["PATH"] = tmp + os.pathsep + os.environ["PATH"]
        suite = unittest.defaultTestLoader.loadTestsFromTestCase(Parallel)
        ok = unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
    sys.exit(0 if ok else 1)
