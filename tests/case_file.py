"""Reads a case file: one table of cases, each written once, that the C++
tests (tests/case_file.h), the end-to-end suites and the fuzz seed makers
all read.

A case file is plain text. Lines starting with "#" are comments and blank
lines are ignored; a line "## GROUP" starts a group of cases; every other
line is one case, its fields separated by one TAB: first the case's name
([A-Za-z0-9_]+, unique in the file), then those the file's opening comment
names. Inside a field, bytes stand as they are except for the escapes \\n
\\r \\t \\\\ \\0 and \\xHH (two hex digits).
"""
import collections
import re

Case = collections.namedtuple("Case", "group name fields")

_ESCAPES = {"n": b"\n", "r": b"\r", "t": b"\t", "\\": b"\\", "0": b"\0"}
_ESCAPE = re.compile(rb"\\(x[0-9A-Fa-f]{2}|.)", re.S)
_NAME = re.compile(r"[A-Za-z0-9_]+\Z")


def unescape(field):
    """The bytes a field stands for."""
    def one(m):
        code = m.group(1).decode("latin-1")
        if code in _ESCAPES:
            return _ESCAPES[code]
        if code.startswith("x") and len(code) == 3:
            return bytes([int(code[1:], 16)])
        raise ValueError("unknown escape \\%s" % code)
    return _ESCAPE.sub(one, field)


def read_case_file(path):
    """The cases of the file at path, in order: (group, name, fields), the
    fields as bytes, the name not among them."""
    cases, group, names = [], "", set()
    with open(path, "rb") as f:
        for number, raw in enumerate(f.read().split(b"\n"), 1):
            line = raw.rstrip(b"\r")
            where = "%s:%d" % (path, number)
            if line.startswith(b"## "):
                group = line[3:].decode("utf-8")
            elif line and not line.startswith(b"#"):
                name, *fields = line.split(b"\t")
                name = name.decode("latin-1")
                if not _NAME.match(name) or name in names:
                    raise ValueError("%s: a missing or repeated name %r" % (where, name))
                names.add(name)
                try:
                    cases.append(Case(group, name, [unescape(f) for f in fields]))
                except ValueError as e:
                    raise ValueError("%s: %s" % (where, e)) from None
    return cases
