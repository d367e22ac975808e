#!/usr/bin/env python3
"""Tells whether this host runs 32-bit x86 programs, as the 32-bit Wine loader
and the 32-bit .exe under it need. Some x86-64 kernels are built or booted
without that (dmesg: "32-bit emulation disabled"); there every i386 program
fails to start with "Exec format error".

Runs a 32-bit ELF program of three instructions, made here, that exits
with status 32. Prints one line that says what it found; exits 0 if the
program ran, 1 if the host refused it, 2 if the question could not be
asked (the program could not be written or started for another reason).

FIELDPICK_HOST_RUNS_32BIT in the environment, ON or OFF, is an answer
already found (CI asks once and passes it on): it is given back as it is.

With --on-off, the answer is the one word ON or OFF on standard output, the
line that says what was found goes to standard error, and the status is 0
either way (2 still if the question could not be asked): the one place the
answer becomes ON or OFF.
"""
import contextlib
import errno
import io
import os
import struct
import subprocess
import sys
import tempfile

STATUS = 32
BASE = 0x08048000  # where i386 programs are traditionally loaded
HEADER, SEGMENT = 52, 32  # sizes of the ELF header and of one program header
# mov eax, 1 (exit); mov ebx, STATUS; int 0x80
CODE = bytes([0xB8, 1, 0, 0, 0, 0xBB, STATUS, 0, 0, 0, 0xCD, 0x80])


def exit_program():
    size = HEADER + SEGMENT + len(CODE)
    ident = b"\x7fELF" + bytes([1, 1, 1]) + bytes(9)  # 32-bit, little-endian, version 1
    header = struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, BASE + HEADER + SEGMENT, HEADER, 0, 0,
                         HEADER, SEGMENT, 1, 0, 0, 0)  # executable, i386, one segment
    segment = struct.pack("<8I", 1, 0, BASE, BASE, size, size, 5, 0x1000)  # loaded, r-x
    return ident + header + segment + CODE


def main():
    given = os.environ.get("FIELDPICK_HOST_RUNS_32BIT")
    if given in ("ON", "OFF"):
        print("this host %s 32-bit programs (as FIELDPICK_HOST_RUNS_32BIT=%s says)"
              % ("runs" if given == "ON" else "refuses", given))
        return 0 if given == "ON" else 1
    if given is not None:
        print("FIELDPICK_HOST_RUNS_32BIT=%s: ON or OFF, if anything" % given)
        return 2
    with tempfile.TemporaryDirectory(prefix="fieldpick-runs32-") as tmp:
        path = os.path.join(tmp, "exit32")
        with open(path, "wb") as f:
            f.write(exit_program())
        os.chmod(path, 0o755)
        try:
            status = subprocess.run([path]).returncode
        except OSError as e:
            if e.errno != errno.ENOEXEC:
                print("cannot tell whether this host runs 32-bit programs: %s" % e)
                return 2
            print("this host refuses 32-bit programs (%s)" % e.strerror)
            return 1
    if status != STATUS:
        print("this host refuses 32-bit programs (a 32-bit program exited %d, not %d)"
              % (status, STATUS))
        return 1
    print("this host runs 32-bit programs")
    return 0


def on_off():
    says = io.StringIO()
    with contextlib.redirect_stdout(says):
        answer = main()
    sys.stderr.write(says.getvalue())
    if answer not in (0, 1):
        return answer
    print("ON" if answer == 0 else "OFF")
    return 0


if __name__ == "__main__":
    sys.exit(on_off() if sys.argv[1:] == ["--on-off"] else main())
