"""The table of the Windows builds under Wine."""
import contextlib
import os
import shutil
import subprocess
import sys

from measure import MB, ROOT, build, generate, medians, output_digest, sh, table_head, table_row

# Per architecture: its cross compiler, and where its Wine loader may be, best
# first. The 32-bit loader is named by its path alone: without it, Debian's
# /usr/bin/wine falls back to wine64, which cannot run a 32-bit .exe.
WINDOWS = [
    ("i686", "i686-w64-mingw32-g++", ["/usr/lib/wine/wine"]),
    ("x86_64", "x86_64-w64-mingw32-g++", ["/usr/lib/wine/wine64", "wine64"]),
]

def host_refuses_32bit():
    """Why this host cannot run the 32-bit .exe, or None if it can, as
    cmake/runs32.py tells."""
    probe = subprocess.run([sys.executable, os.path.join(ROOT, "cmake", "runs32.py"), "--on-off"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if probe.returncode != 0:
        sys.exit(probe.stderr.strip())
    return None if probe.stdout.strip() == "ON" else probe.stderr.strip()


def windows_targets():
    """(architecture, Wine loader) for each Windows build this machine can
    make and run, and a line for each other saying why it is left out."""
    targets, left_out = [], []
    for arch, compiler, loaders in WINDOWS:
        loader = next(filter(None, map(shutil.which, loaders)), None)
        refused = host_refuses_32bit() if arch == "i686" else None
        if refused:
            left_out.append("Windows %s: left out, %s" % (arch, refused))
        elif not shutil.which(compiler):
            left_out.append("Windows %s: left out, no %s" % (arch, compiler))
        elif not loader:
            left_out.append("Windows %s: left out, no Wine loader (%s)"
                            % (arch, " or ".join(loaders)))
        else:
            targets.append((arch, loader))
    return targets, left_out


def build_exe(src, out, arch):
    """fieldpick.exe cross-built from src with src's own toolchain file, so
    that a reference is built as it built itself."""
    toolchain = os.path.join(src, "cmake", "mingw-%s.cmake" % arch)
    build(src, out, "--toolchain", toolchain, target="fieldpick")
    return os.path.join(out, "fieldpick.exe")


@contextlib.contextmanager
def wine_prefix(loaders, tmp):
    """The environment of a Wine prefix of the run's own, with a wineserver
    kept running for it, so that no timed run pays for starting one."""
    env = dict(os.environ, WINEPREFIX=os.path.join(tmp, "wine"), WINEDEBUG="-all")
    boot = subprocess.run([loaders[-1], "wineboot", "--init"], env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if boot.returncode != 0:
        sys.exit("wineboot --init failed:\n" + boot.stderr)
    search = os.pathsep.join([os.path.dirname(loaders[-1]), os.environ.get("PATH", "")])
    wineserver = shutil.which("wineserver", path=search)
    if not wineserver:
        sys.exit("no wineserver beside %s" % loaders[-1])
    sh(wineserver, "-w", env=env)  # until wineboot's processes are gone
    sh(wineserver, "-p", env=env)
    try:
        yield env
    finally:
        sh(wineserver, "-k", env=env)


def windows_table(args, gen_headers, fieldpick, targets, exes, env, tmp):
    """Each .exe under Wine on the same address fields, wall time (Wine's work
    is spread over processes that a CPU clock would not charge), after
    checking that it wrote what the Linux build writes with CR LF line ends."""
    path = os.path.join(tmp, "windows-addresses")
    generate(gen_headers, "addresses", args.windows_mb, "", path)
    expected = output_digest([fieldpick], path, crlf=True)
    if not expected[1]:
        sys.exit("the Linux build wrote nothing on %s: nothing to check the .exe against" % path)
    for (arch, source), cmd in exes.items():
        digest, lines = output_digest(cmd, path, env)
        if (digest, lines) != expected:
            sys.exit("the %s .exe of %s under %s: %s" % (
                arch, source, cmd[0], "output differs from the Linux build's with CR LF line ends"
                if lines else "no output at all: did Wine run it?"))
    median = medians({key: (cmd, path) for key, cmd in exes.items()}, args.runs, "wall", env)

    version = subprocess.run([next(iter(exes.values()))[0], "--version"],
                             stdout=subprocess.PIPE, env=env, text=True).stdout.strip()
    print("\nWindows: %d MB of address fields under %s, median of %d runs; MB/s = 10^6 bytes"
          " per wall second\n" % (args.windows_mb, version, args.runs))
    ref_titles = ["reference MB/s", "fieldpick MB/s", "of reference"] if args.reference else []
    widths = table_head([".exe  ", *(ref_titles or ["fieldpick MB/s"])])
    size = os.path.getsize(path) / MB
    for arch, _ in targets:
        rate = size / median[arch, "this tree"]
        ref_rate = size / median[arch, args.reference] if args.reference else None
        table_row([arch, *(["%.0f" % ref_rate] if ref_rate else []), "%.0f" % rate,
                   *(["%.2f" % (rate / ref_rate)] if ref_rate else [])], widths)
    print("\nevery .exe wrote the Linux build's output with CR LF line ends")
    os.remove(path)
