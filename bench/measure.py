"""What every table of bench/run shares: builds, timed runs, peak memory,
output digests and Markdown tables."""
import hashlib
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MB = 1_000_000


def sh(*cmd, **kw):
    subprocess.run(cmd, check=True, **kw)


def build(src, out, *options, target=None):
    """A Release build of src in out. Configure's complaint about a -D the tree
    does not use is silenced."""
    sh("cmake", "--no-warn-unused-cli", "-S", src, "-B", out, "-DCMAKE_BUILD_TYPE=Release",
       "-DBUILD_TESTING=OFF", *options, stdout=subprocess.DEVNULL)
    sh("cmake", "--build", out, "-j2", *(["--target", target] if target else []),
       stdout=subprocess.DEVNULL)


def export_revision(rev, tmp):
    src = os.path.join(tmp, "reference-src")
    os.mkdir(src)
    archive = subprocess.run(["git", "-C", ROOT, "archive", rev], check=True,
                             stdout=subprocess.PIPE).stdout
    sh("tar", "-x", "-C", src, input=archive)
    return src


def short_commit(rev):
    return subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", rev + "^{commit}"],
                          check=True, stdout=subprocess.PIPE, text=True).stdout.strip()


def timed(cmd, stdin_path, clock, env=None):
    """Seconds of one run, output dropped: wall time, or the CPU time (user and
    system) the kernel charged to it, which a busy neighbour disturbs less."""
    stdin = open(stdin_path, "rb") if stdin_path else subprocess.DEVNULL
    try:
        start = time.perf_counter()
        p = subprocess.Popen(cmd, stdin=stdin, stdout=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(p.pid, 0)
        wall = time.perf_counter() - start
    finally:
        if stdin_path:
            stdin.close()
    if status != 0:
        sys.exit("%s failed: wait status %d" % (" ".join(cmd), status))
    return wall if clock == "wall" else usage.ru_utime + usage.ru_stime


def medians(commands, runs, clock, env=None):
    """The median time of each (cmd, stdin_path) in commands, all of them run
    once per round so that a disturbance falls on every command alike."""
    times = {name: [] for name in commands}
    for _ in range(runs):
        for name, (cmd, stdin_path) in commands.items():
            times[name].append(timed(cmd, stdin_path, clock, env))
    return {name: statistics.median(t) for name, t in times.items()}


def peak_rss_kib(cmd, path, env=None, pipe=False):
    """The "Maximum resident set size" that /usr/bin/time -v reports, cmd
    reading path (through a pipe from cat, with pipe). (Our own wait4 would
    count the memory of the Python process that forked the run.)"""
    with open(path, "rb") as f:
        cat = subprocess.Popen(["cat"], stdin=f, stdout=subprocess.PIPE) if pipe else None
        r = subprocess.run(["/usr/bin/time", "-v", *cmd], stdin=cat.stdout if pipe else f,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                           check=True, env=env)
        if pipe:
            cat.stdout.close()
            cat.wait()
    for line in r.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.rsplit(":", 1)[1])
    sys.exit("no peak RSS in the output of /usr/bin/time -v")


def output_digest(cmd, path, env=None, crlf=False, as_argument=False, statuses=(0,)):
    """SHA-256 of what cmd writes with path as its input (or, as_argument, as
    its last argument), and how many lines it wrote; crlf digests the output
    with every LF turned into CR LF. An exit status not in statuses ends the
    run."""
    digest = hashlib.sha256()
    lines = 0
    with open(path, "rb") as f:
        p = subprocess.Popen(cmd + [path] if as_argument else cmd,
                             stdin=subprocess.DEVNULL if as_argument else f,
                             stdout=subprocess.PIPE, env=env)
        for block in iter(lambda: p.stdout.read(1 << 20), b""):
            digest.update(block.replace(b"\n", b"\r\n") if crlf else block)
            lines += block.count(b"\n")
        if p.wait() not in statuses:
            sys.exit("%s failed on %s" % (" ".join(cmd), path))
    return digest.hexdigest(), lines


def generate(gen_headers, kind, mb, ends, path):
    with open(path, "wb") as f:
        sh(gen_headers, kind, str(mb), *([ends] if ends else []), stdout=f)


def table_head(titles, left=1):
    """Prints the head of a Markdown table and returns its column widths."""
    widths = [len(t) for t in titles]
    table_row(titles, widths, left)
    print("|" + "|".join("-" * (w + 2) if i < left else "-" * (w + 1) + ":"
                         for i, w in enumerate(widths)) + "|")
    return widths


def table_row(cells, widths, left=1):
    """The first left columns (names) left-aligned, the figures right-aligned."""
    print("| " + " | ".join(c.ljust(w) if i < left else c.rjust(w)
                            for i, (c, w) in enumerate(zip(cells, widths))) + " |")
    sys.stdout.flush()


def mib(kib):
    return "%.1f MiB" % (kib / 1024)
