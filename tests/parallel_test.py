#!/usr/bin/env python3
"""Runs the README's GNU parallel recipes, as written there, and checks that
they write the same bytes as fieldpick run once per input.

usage: parallel_test.py [--ssh CONFIG] README PROGRAM
Exits 77 (skipped) when GNU parallel is not installed.

The recipes run in a folder of their own, with PROGRAM on the PATH as
fieldpick and the fieldgrep built beside it as fieldgrep; only the block
size of the big-input recipe is changed, to sizes small enough that its cuts
fall inside folded fields.

--ssh CONFIG: also run the recipes for many machines, whose jobs go over
  ssh to host1 and host2: CONFIG is an ssh config (ssh -F) that names
  them, for a server on this machine. There the jobs get this PATH, with
  PROGRAM first (as fieldpick installed there), and run in a folder of the
  test's own rather than the login folder.
"""
import collections
import os
import random
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

README = PROGRAM = ""
WORKDIR = ""
SSH_CONFIG = None
SSH = ""  # the ssh that parallel runs

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

# Where the recipes run: on this machine, and on the machines of
# `-S host1,host2` when --ssh names them. Every job there is an ssh login or
# more, so fewer pieces and fewer files.
Place = collections.namedtuple("Place", "name sshlogin block_sizes files")
PLACES = [Place("here", None, BLOCK_SIZES, FILES),
          Place("ssh", "-S host1,host2", [100003], 6)]
HOSTS = {"host1", "host2"}


def recipe(starts_with, place):
    """The README's command line for the place that starts with these words."""
    with open(README) as f:
        lines = [line.strip() for line in f if line.startswith("    ")]
    found = [line for line in lines if line.startswith(starts_with)
             and (place.sshlogin is None and " -S " not in line
                  or place.sshlogin is not None and " %s " % place.sshlogin in line)]
    if len(found) != 1:
        raise RuntimeError("the README shows %d commands starting with %r for %s"
                           % (len(found), starts_with, place.name))
    return found[0]


def shell(command, place=PLACES[0]):
    env = dict(os.environ)
    if place.sshlogin:
        # Every ssh (and rsync's) goes through a script that notes the host.
        env["PARALLEL_SSH"] = SSH
        env["PARALLEL"] = "--env PATH --wd " + os.path.join(WORKDIR, "remote")
    r = subprocess.run(["bash", "-c", command], cwd=WORKDIR, env=env, stdout=subprocess.PIPE,
                       check=True)
    return r.stdout


def write_ssh(config):
    """The ssh that parallel runs: ssh with CONFIG, noting each host it is
    given in ssh.log."""
    with open(SSH, "w") as f:
        f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> %s\nexec %s -F %s "$@"\n'
                % (shlex.quote(SSH + ".log"), shlex.quote(shutil.which("ssh")),
                   shlex.quote(os.path.abspath(config))))
    os.chmod(SSH, 0o755)


def ssh_logins():
    """The hosts logged in to since the last call."""
    path = SSH + ".log"
    if not os.path.exists(path):
        return set()
    with open(path) as f:
        hosts = set(f.read().split())
    os.remove(path)
    return hosts


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
    def places(self):
        return [place for place in PLACES if place.sshlogin is None or SSH_CONFIG]

    def test_big_input_cut_where_fields_start(self):
        data = generated_input(1, 600000)
        self.assertNotIn(b"\x1a", data)  # a Ctrl-Z would end only its own piece
        with open(os.path.join(WORKDIR, BIG_INPUT), "wb") as f:
            f.write(data)
        whole = fieldpick(data)
        for place in self.places():
            command = recipe("parallel --pipe-part", place)
            self.assertIn(BLOCK, command)
            self.assertIn(RECSTART, command)
            for size in place.block_sizes:
                with self.subTest(place=place.name, block=size):
                    split = command.replace(BLOCK, "--block %d" % size)
                    self.assertEqual(shell(split, place), whole)
                    if place.sshlogin:
                        self.assertEqual(ssh_logins(), HOSTS)
                    else:
                        # Cut after any LF instead, the same input gives
                        # other output: folded fields do straddle the cuts.
                        self.assertNotEqual(shell(split.replace(RECSTART, RECSTART_ANY)), whole)

    def test_many_files_each_its_own_input(self):
        # The function before the command defines what runs on each file.
        define = recipe("pick()", PLACES[0]) + "\n" + recipe("export -f pick", PLACES[0]) + "\n"
        for place in self.places():
            with self.subTest(place=place.name):
                command = recipe("find Mail -type f -print0", place)
                folder = command.split()[1]
                shutil.rmtree(os.path.join(WORKDIR, folder), ignore_errors=True)
                os.mkdir(os.path.join(WORKDIR, folder))
                for n in range(place.files):
                    # A Ctrl-Z, which fieldgrep drops (fieldpick would stop there).
                    with open(os.path.join(WORKDIR, folder, "%02d" % n), "wb") as f:
                        f.write(generated_input(100 + n, 2000) + b"\nTo: b\x1ac\n"
                                + generated_input(n, 500))
                # One run each, in the order find gives the files.
                in_turn = shell(define + "find %s -type f -print0 | while IFS= read -r -d '' f; "
                                "do pick \"$f\"; done" % folder)
                self.assertTrue(in_turn)
                self.assertEqual(shell(define + command, place), in_turn)
                if not place.sshlogin:
                    # And one fieldgrep reading them all, the recipe for one machine.
                    self.assertEqual(shell(recipe("find Mail -type f -exec", place)), in_turn)
                else:
                    self.assertEqual(ssh_logins(), HOSTS)
                    # Each file was copied there, read there (or its
                    # addresses would be missing) and removed.
                    self.assertEqual([f for _, _, files in os.walk(os.path.join(WORKDIR, "remote"))
                                      for f in files], [])


if __name__ == "__main__":
    args = sys.argv[1:]
    if args[:1] == ["--ssh"]:
        SSH_CONFIG = args[1]
        args = args[2:]
    README, PROGRAM = args
    if not shutil.which("parallel"):
        print("skipped: GNU parallel is not installed")
        sys.exit(77)
    with tempfile.TemporaryDirectory() as tmp:
        WORKDIR = tmp
        SSH = os.path.join(tmp, "ssh-noting-hosts")
        for name in ["fieldpick", "fieldgrep"]:
            os.symlink(os.path.join(os.path.dirname(os.path.abspath(PROGRAM)), name),
                       os.path.join(tmp, name))
        os.environ["PATH"] = tmp + os.pathsep + os.environ["PATH"]
        if SSH_CONFIG:
            write_ssh(SSH_CONFIG)
        suite = unittest.defaultTestLoader.loadTestsFromTestCase(Parallel)
        ok = unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
    sys.exit(0 if ok else 1)
