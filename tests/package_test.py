#!/usr/bin/env python3
"""Checks what ships with the programs: the files an install puts in place,
and the manual pages, whose examples and messages must be what the programs
really do.

usage: package_test.py install|manual CMAKE BUILD_DIR SOURCE_DIR PROGRAM
PROGRAM is fieldpick; fieldgrep is the one built beside it.
Exits 77 (skipped) for "manual" when neither mandoc nor groff is there.
"""
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CMAKE = BUILD = SOURCE = PROGRAM = FIELDGREP = ""
# Each program that ships, with its page's sample input in examples/.
PAGES = {"fieldpick": "message.txt", "fieldgrep": "mbox"}


def source(*parts):
    return os.path.join(SOURCE, *parts)


def shipped():
    """The programs the build ships, each with its manual page: the list in
    its cache that the install and every package follow."""
    with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith("FIELDPICK_SHIPPED:INTERNAL="):
                return line.split("=", 1)[1].strip().split(";")
    raise RuntimeError("no FIELDPICK_SHIPPED in the cache of " + BUILD)


def pipeline(first, data_path, then=True):
    """Runs `first < data_path | PROGRAM` and returns the program's output
    lines, stripped as the page's are; without then, first's own."""
    with open(data_path, "rb") as data:
        r = subprocess.run(first, stdin=data, stdout=subprocess.PIPE, check=True)
    if then:
        r = subprocess.run([PROGRAM], input=r.stdout, stdout=subprocess.PIPE, check=True)
    return [line.strip() for line in r.stdout.decode().splitlines()]


class Install(unittest.TestCase):
    def test_installs_the_programs_and_their_pages_only(self):
        # The component the packages are made of. Installing it by name
        # writes install_manifest_Unspecified.txt and leaves alone the
        # install_manifest.txt of the user's own `cmake --install`, which
        # the README's uninstall reads.
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run([CMAKE, "--install", BUILD, "--prefix", prefix,
                            "--component", "Unspecified"], check=True, stdout=subprocess.DEVNULL)
            found = sorted(os.path.relpath(os.path.join(d, f), prefix)
                           for d, _, files in os.walk(prefix) for f in files)
            programs = shipped()
            self.assertIn("fieldpick", programs)
            self.assertEqual(found, sorted(["bin/" + name for name in programs]
                                           + ["share/man/man1/%s.1" % name for name in programs]))
            with open(os.path.join(BUILD, "install_manifest_Unspecified.txt")) as f:
                listed = sorted(os.path.relpath(p, prefix) for p in f.read().splitlines())
            self.assertEqual(listed, found)
            for name in programs:
                with self.subTest(program=name):
                    program = os.path.join(prefix, "bin", name)
                    self.assertTrue(os.access(program, os.X_OK))
                    built = os.path.join(os.path.dirname(PROGRAM), name)
                    self.assertTrue(filecmp.cmp(program, built, shallow=False))
                    self.assertTrue(filecmp.cmp(os.path.join(prefix, "share/man/man1", name + ".1"),
                                                source("man", name + ".1"), shallow=False))

    def test_debian_copyright_carries_the_license(self):
        with open(source("LICENSE")) as f:
            license = f.read().splitlines()[4:]  # after the title and the copyright line
        with open(source("packaging", "copyright")) as f:
            text = f.read()
        body = text[text.index("License: Expat\n"):].splitlines()[1:]
        self.assertEqual(["" if line == " ." else line[1:] for line in body], license)


class Page(unittest.TestCase):
    """A manual page as the zip has it, rendered as text."""
    page = ""

    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, cls.page + ".txt")
            subprocess.run([CMAKE, "-DMANUAL=" + source("man", cls.page + ".1"), "-DOUTPUT=" + out,
                            "-P", source("packaging", "render-manual.cmake")], check=True)
            with open(out, "rb") as f:
                text = f.read().decode("ascii")
        assert "\n" not in text.replace("\r\n", ""), "the text manual has bare LF line ends"
        cls.lines = [line.strip() for line in text.split("\r\n")]

    def assertShows(self, block):
        """The page shows these lines one after the other."""
        self.assertTrue(block, "nothing to look for")
        n = len(block)
        self.assertTrue(any(self.lines[i:i + n] == block for i in range(len(self.lines))),
                        "the page does not show:\n" + "\n".join(block))

    def test_example_input_is_the_sample(self):
        with open(source("man", self.page + ".1")) as f:
            page = f.read()
        examples = page[page.index(".Sh EXAMPLES"):]
        shown = examples[examples.index(".Bd -literal"):examples.index(".Ed")].splitlines()[1:]
        with open(source("examples", PAGES[self.page])) as f:
            sample = f.read().splitlines()
        self.assertTrue(shown)
        for line in shown:
            self.assertIn(line, sample)


class Manual(Page):
    page = "fieldpick"

    def test_usage_text(self):
        r = subprocess.run([PROGRAM, "x"], stdin=subprocess.DEVNULL, capture_output=True)
        self.assertEqual(r.returncode, 2)
        self.assertShows(r.stdout.decode().splitlines())

    def test_examples(self):
        message = source("examples", "message.txt")
        self.assertShows(["$ cat sender"] + pipeline(["grep", "^From:"], message))
        self.assertShows(["$ fieldgrep To,Cc message | fieldpick"]
                         + pipeline([FIELDGREP, "To,Cc"], message))

    def test_diagnostics(self):
        with open("/dev/full", "wb") as full:
            r = subprocess.run([PROGRAM], input=b"To: box1\n", stdout=full, stderr=subprocess.PIPE)
        self.assertShows(r.stderr.decode().splitlines())
        fd = os.open("/", os.O_RDONLY)
        try:
            r = subprocess.run([PROGRAM], stdin=fd, capture_output=True)
        finally:
            os.close(fd)
        self.assertShows(r.stderr.decode().splitlines())


class FieldgrepManual(Page):
    page = "fieldgrep"

    def test_examples(self):
        mbox = source("examples", "mbox")
        self.assertShows(["$ fieldgrep To,Cc mbox"] + pipeline([FIELDGREP, "To,Cc"], mbox, False))
        self.assertShows(["$ fieldgrep To,Cc mbox | fieldpick"]
                         + pipeline([FIELDGREP, "To,Cc"], mbox))

    def test_diagnostics(self):
        # In examples/, where mbox is and nosuch.mbox is not.
        for args, output in [([], None), (["To", "nosuch.mbox"], None), (["To", "mbox"], "/dev/full")]:
            with open(output or os.devnull, "wb") as out:
                r = subprocess.run([FIELDGREP, *args], stdin=subprocess.DEVNULL, stdout=out,
                                   stderr=subprocess.PIPE, cwd=source("examples"))
            self.assertEqual(r.returncode, 2, args)
            self.assertShows(r.stderr.decode().splitlines())


if __name__ == "__main__":
    which, CMAKE, BUILD, SOURCE, PROGRAM = sys.argv[1:]
    FIELDGREP = os.path.join(os.path.dirname(PROGRAM), "fieldgrep")
    if which == "manual" and not (shutil.which("mandoc") or shutil.which("groff")):
        print("skipped: neither mandoc nor groff is installed")
        sys.exit(77)
    suite = unittest.TestSuite(map(unittest.defaultTestLoader.loadTestsFromTestCase,
                                   {"install": [Install], "manual": [Manual, FieldgrepManual]}[which]))
    ok = unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
    sys.exit(0 if ok else 1)
