"""The table of whole runs: fieldpick, cat and wc -l on the same inputs."""
import os
import sys

from measure import MB, medians, mib, output_digest, peak_rss_kib, table_head, table_row


def program_table(args, fieldpick, reference, paths):
    """Whole runs of this build and the reference on every input, timed in
    the same runs as cat and wc -l, once they are known to write the same
    bytes."""
    ref_titles = ["reference MB/s", "of reference"] if reference else []
    widths = table_head(["input         ", " cat MB/s", "wc -l MB/s", "fieldpick MB/s",
                         *ref_titles, "of cat", "of wc -l", "peak RSS"])
    for path in paths:
        if reference and output_digest([reference], path) != output_digest([fieldpick], path):
            sys.exit("this build writes other bytes than %s on %s" % (
                args.reference, os.path.basename(path)))
        commands = {"cat": (["cat", path], None), "wc -l": (["wc", "-l", path], None),
                    "this build": ([fieldpick], path)}
        if reference:
            commands["reference"] = ([reference], path)
        size = os.path.getsize(path) / MB
        rate = {cmd: size / t for cmd, t in medians(commands, args.runs, args.clock).items()}
        this = rate["this build"]
        cells = [os.path.basename(path), "%.0f" % rate["cat"], "%.0f" % rate["wc -l"],
                 "%.0f" % this]
        if reference:
            cells += ["%.0f" % rate["reference"], "%.2f" % (this / rate["reference"])]
        table_row(cells + ["%.2f" % (this / rate["cat"]), "%.2f" % (this / rate["wc -l"]),
                           mib(peak_rss_kib([fieldpick], path))], widths)
    if reference:
        print("\noutput identical to %s's on every input" % args.reference)
