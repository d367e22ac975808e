"""The table of kernels: each one in one process (bench/kernel_bench)."""
import json
import os
import statistics
import subprocess

from measure import MB, table_head, table_row


def kernel_bench(build_dir):
    """The in-process benchmark of a build (978cf4b's is named per_line_bench)."""
    path = os.path.join(build_dir, "bench", "kernel_bench")
    return path if os.path.exists(path) else os.path.join(build_dir, "bench", "per_line_bench")


def bench_rates(bench, paths, clock, checked=False):
    """MB/s of each kernel in one run of bench on the files at paths, or
    without any, on its own lines; checked, once an earlier run has compared
    the kernels' bytes on the same inputs."""
    names = "|".join(map(os.path.basename, paths)) or "lf|crlf"
    out = subprocess.run([bench, "--benchmark_filter=^filter/[^/]+/(%s)$" % names,
                          "--benchmark_min_time=0.2", "--benchmark_format=json",
                          *(["--checked"] if checked else []), *paths],
                         check=True, stdout=subprocess.PIPE).stdout
    rates = {}
    for b in json.loads(out)["benchmarks"]:
        # bytes_per_second is per CPU second.
        scale = 1 if clock == "cpu" else b["cpu_time"] / b["real_time"]
        rates[b["name"]] = b["bytes_per_second"] * scale / MB
    return rates


def kernel_table(args, bench, reference_bench, paths):
    """Each kernel in process on every input, and the reference's where it
    has the same benchmark: the medians of runs made in turn, each on the
    same command line as the one it is set against."""
    benches = {"this build": bench}
    if reference_bench:
        benches["reference"] = reference_bench
    runs = {name: {} for name in benches}
    for i in range(args.runs):
        for inputs in ([], paths):
            # The first of two runs in a row comes out a little slower: each
            # goes first in every other round.
            for name, program in list(benches.items())[::1 - i % 2 * 2]:
                # This build compares its kernels' bytes in the first round.
                checked = i > 0 and name == "this build"
                for b, r in bench_rates(program, inputs, args.clock, checked).items():
                    runs[name].setdefault(b, []).append(r)
    rate = {name: {b: statistics.median(r) for b, r in rs.items()} for name, rs in runs.items()}

    print("\nThe filter in one process, by kernel: the input in memory, read by copying,"
          " the output dropped;\nlf and crlf are kernel_bench's own 60 KB of header lines,"
          " read 64 times\n")
    ref_titles = ["reference MB/s", "of reference"] if reference_bench else []
    widths = table_head(["kernel  ", "input         ", "MB/s", *ref_titles], 2)
    kernels = dict.fromkeys(b.split("/")[1] for b in rate["this build"])
    for kernel in kernels:
        for input_name in [*map(os.path.basename, paths), "lf", "crlf"]:
            name = "filter/%s/%s" % (kernel, input_name)
            this, ref = rate["this build"][name], rate.get("reference", {}).get(name)
            table_row([kernel, input_name, "%.0f" % this,
                       *(["%.0f" % ref, "%.2f" % (this / ref)] if ref else
                         ["", ""] if reference_bench else [])], widths, 2)
