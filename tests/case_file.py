"""Reads a case file: a table of test cases in plain text, one case a line,
fields separated by one tab, in groups started by "## GROUP" lines; "#" starts
a comment line. Field 1 is the case's name; in every field \\n \\r \\t \\\\ \\0
and \\xHH stand for their bytes. tests/case_file.h reads the same."""

import re
from typing import NamedTuple


class CaseRow(NamedTuple):
    group: str
    name: str
    fields: list  # after the name, as bytes


_ESCAPE = re.compile(rb"\\(x[0-9A-Fa-f]{2}|.|$)")
_SIMPLE = {b"n": b"\n", b"r": b"\r", b"t": b"\t", b"\\": b"\\", b"0": b"\0"}


def _unescape(field, where):
    def one(m):
        e = m.group(1)
        if e in _SIMPLE:
            return _SIMPLE[e]
        if len(e) == 3:
            return bytes([int(e[1:], 16)])
        raise ValueError(f"{where}: bad escape")
    return _ESCAPE.sub(one, field)


def read_case_file(path):
    rows, names, group = [], set(), ""
    with open(path, "rb") as f:
        for number, line in enumerate(f.read().split(b"\n"), 1):
            where = f"{path}:{number}"
            if line.startswith(b"## "):
                group = line[3:].decode()
                continue
            if not line or line.startswith(b"#"):
                continue
            fields = [_unescape(field, where) for field in line.split(b"\t")]
            name = fields[0].decode()
            if not re.fullmatch(r"[A-Za-z0-9_]+", name) or name in names:
                raise ValueError(f"{where}: bad or repeated case name")
            names.add(name)
            rows.append(CaseRow(group, name, fields[1:]))
    return rows
