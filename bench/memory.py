"""The table of peak memory, around long fields."""
import os

from long_input import repeated
from measure import MB, mib, peak_rss_kib, table_head, table_row


def memory_inputs(mb, tmp):
    """(path, length of its long field, or 0) of each input of the memory table."""
    ordinary = b"To: Ann Example <ann@example.org>, bob@example.net (Bob)\n"
    one_line = b"Cc: " + b"w" * (65536 - 5) + b"\n"
    folded = b"Cc: " + b"<box@example.org>,\n " * 3275 + b"<box>\n"
    block = ordinary * ((MB - len(one_line) - len(folded)) // len(ordinary)) + one_line + folded
    row = b"x" * 77 + b"\n "
    size = mb * MB
    inputs = [("short", [block] * 20, 0),
              ("line", [b"Cc: ", *repeated(b"x", size - 11), b" <end>\n"], size),
              ("folded", [b"Cc: ", *repeated(row, (size - 11) // len(row)), b"<end>\n"], size)]
    for name, pieces, longest in inputs:
        with open(os.path.join(tmp, name), "wb") as f:
            f.writelines(pieces)
        yield os.path.join(tmp, name), longest


def memory_table(args, programs, tmp):
    """Peak RSS of each (name, command, environment) in programs on short
    fields and on one long field, as a ratio to the longest logical line."""
    print("\nPeak RSS on 20 MB of fields within 64 KiB, and on a field of %d MB on one line"
          " and folded over lines of 80 bytes\n" % args.mb)
    widths = table_head(["program".ljust(max(len(name) for name, _, _ in programs)),
                         "input ", " peak RSS", "of longest"], 2)
    for path, longest in memory_inputs(args.mb, tmp):
        for name, cmd, env in programs:
            peak = peak_rss_kib(cmd, path, env)
            table_row([name, os.path.basename(path), mib(peak),
                       "%.2f" % (peak * 1024 / longest) if longest else ""], widths, 2)
        os.remove(path)
