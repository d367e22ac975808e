#!/usr/bin/env python3
"""Writes the seed corpus in corpus/: the lines and inputs of the cases of
tests/fieldpick_cases.txt, and the rows of tests/fieldgrep_cases.txt, as
small files. Run it from anywhere; it replaces
the folders it writes."""
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests"))
from case_file import read_case_file  # noqa: E402

# The cases of tests/fieldpick_cases.txt: one logical header line each for
# fuzz_extract, whole inputs for fuzz_filter.
CASES = read_case_file(os.path.join(HERE, "..", "tests", "fieldpick_cases.txt"))
LINES = list(dict.fromkeys(c.fields[0] for c in CASES if not c.group.startswith("filter:")))
INPUTS = [c.fields[0] for c in CASES if c.group.startswith("filter:")]


def plan(sizes, fail=False, buffer=0, room=0):
    """The header fuzz_filter reads first: flags, room, read sizes."""
    flags = (1 if fail else 0) | (len(sizes) - 1) << 1 | buffer << 4
    return bytes([flags, room] + sizes)


PLANS = [plan([0]), plan([1, 2, 4], buffer=15), plan([4, 0xC0], buffer=1, room=200)]

FILTER_SEEDS = [PLANS[i % len(PLANS)] + text for i, text in enumerate(INPUTS)] + [
    plan([2], fail=True) + b"To: box1\nCc: box2\n",
    # one long line that outgrows a 64-byte input buffer, short lines across a
    # 128-byte one, and words taken back after the output was emptied
    plan([0xC0]) + b"To: <" + b"box1 box2 " * 30 + b">",
    plan([0x30, 0xFF], buffer=1, room=3) + b"To: <a>\r\n" * 40,
    plan([0x10], buffer=3) + b"Cc: " + b"a b " * 100 + b"<c>\r\n \x1a",
]


def write(folder, items, stem):
    path = os.path.join(HERE, "corpus", folder)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    for i, data in enumerate(items):
        with open(os.path.join(path, "%s%02d" % (stem, i)), "wb") as f:
            f.write(data)


# For fuzz_fieldgrep: every row of fieldgrep's case table, with its NAME list,
# read in one of a few plans (fuzz/fieldgrep_fuzz.cpp gives the layout).
FIELDGREP_PLANS = [b"\x00\x00", b"\x01\x06", b"\xfc\x05\x02\x06", b"\x39\xff"]
FIELDGREP_SEEDS = [bytes([len(row.fields[0])]) + row.fields[0] + FIELDGREP_PLANS[i % 4] +
                   row.fields[1]
                   for i, row in enumerate(read_case_file(os.path.join(HERE, "..", "tests",
                                                                       "fieldgrep_cases.txt")))]

write("extract", LINES, "line")
write("filter", FILTER_SEEDS, "input")
write("fieldgrep", FIELDGREP_SEEDS, "case")
