#!/usr/bin/env python3
"""Checks what kind of Windows executable a build made, from objdump's view
of its headers: the CPU it is for, that it is a console program, that it
claims the protections of its kind of Windows, that it loads no DLL a
bare Windows lacks (the C++ runtime is linked in), and that it carries no
time stamp, which would make each build's .exe differ.

usage: windows_exe.py OBJDUMP EXE ARCHITECTURE   (i386 or i386:x86-64)
"""
import os
import re
import subprocess
import sys

# Windows itself provides these; anything else would have to ship beside
# the .exe.
SYSTEM_DLLS = re.compile(r"(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll",
                         re.IGNORECASE)

# The header flags each kind of .exe must carry: a random base (DYNAMIC_BASE,
# HIGH_ENTROPY_VA on 64-bit), no code run from data pages (NX_COMPAT), and the
# whole address space of a 64-bit Windows for the 32-bit one too.
FLAGS = {
    "i386": {"Characteristics": ["large address aware"],
             "DllCharacteristics": ["DYNAMIC_BASE", "NX_COMPAT"]},
    "i386:x86-64": {"Characteristics": ["large address aware"],
                    "DllCharacteristics": ["HIGH_ENTROPY_VA", "DYNAMIC_BASE", "NX_COMPAT"]},
}


def headers(objdump, exe):
    # In UTC, where a time stamp of 0 is the first second of 1970.
    return subprocess.run([objdump, "-f", "-p", exe], check=True, capture_output=True,
                          text=True, env=dict(os.environ, TZ="UTC")).stdout


def flags(text, field):
    """The flags objdump lists, one a line, under a header field's value."""
    block = re.search(r"^%s\s.*\n((?:[ \t]+\S.*\n)*)" % field, text, re.MULTILINE)
    return [line.strip() for line in block.group(1).splitlines()] if block else []


def problems(text, architecture):
    found = []
    arch = re.search(r"^architecture: ([^,]+),", text, re.MULTILINE)
    if not arch or arch.group(1) != architecture:
        found.append("architecture %s, want %s" % (arch and arch.group(1), architecture))
    subsystem = re.search(r"^Subsystem\s+\S+\s+\((.*)\)", text, re.MULTILINE)
    if not subsystem or subsystem.group(1) != "Windows CUI":
        found.append("subsystem %s, want Windows CUI" % (subsystem and subsystem.group(1)))
    for field, wanted in FLAGS[architecture].items():
        found += ["%s lacks %s" % (field, f) for f in wanted if f not in flags(text, field)]
    stamp = re.search(r"^Time/Date\s+(.*)$", text, re.MULTILINE)
    if not stamp or stamp.group(1) != "Thu Jan  1 00:00:00 1970":
        found.append("time stamp %s, want none (0)" % (stamp and stamp.group(1)))
    dlls = re.findall(r"DLL Name: (\S+)", text)
    if not dlls:
        found.append("no DLL imports found")
    found += ["needs %s beside it" % d for d in dlls if not SYSTEM_DLLS.fullmatch(d)]
    return found


def main(objdump, exe, architecture):
    text = headers(objdump, exe)
    print("\n".join(l for l in text.splitlines()
                    if re.match(r"\S+:\s+file format|architecture:|Magic|Time/Date|Subsystem\s"
                                r"|\s*DLL Name:", l)))
    for field in ("Characteristics", "DllCharacteristics"):
        print("%s: %s" % (field, ", ".join(flags(text, field))))
    found = problems(text, architecture)
    for p in found:
        print("FAIL: " + p)
    return 1 if found else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
