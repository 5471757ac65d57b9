#!/usr/bin/env python3
"""The scale run: scans of a 10,000,000-file tree against the same scans of the 1,000,000-file tree.

    scale_run.py [TREE_1M TREE_10M] [--runs N] [--build DIR]

The trees default to $NULVANE_TREE_1M and $NULVANE_TREE_10M, the build to $NULVANE_BUILD (else
build/). bench/run --large makes the large tree once and runs this; it is not part of the default
bench/run nor of CI. Each program (nulvane-cli streaming its list, nulvane-cli --sort "Full Path",
which holds the list, find and fd) scans each tree once to warm the cache and then N times (3 by
default) in turns; peak resident memory comes from GNU time. Prints RESULT lines: the medians of
time and processor time and the peak memory on each tree, the range of the times, and the ratio
of the large tree's figures to the small one's, which must stay linear (<= 10.5) for nulvane-cli;
find's and fd's ratios stand beside them.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def measure(command):
    """Seconds, processor seconds and peak resident KiB of one whole-process run."""
    with tempfile.NamedTemporaryFile("r") as report:
        started = time.perf_counter()
        status = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", report.name] + command,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        elapsed = time.perf_counter() - started
        fields = report.read().split()[-3:]
    if status not in (0, 1):
        sys.exit(f"{command[0]} failed with status {status}")
    return elapsed, float(fields[0]) + float(fields[1]), int(fields[2])


def result(name, measured, unit, target):
    print(f"RESULT\t{name}\t{measured}\t{unit}\t{target}", flush=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("small", nargs="?", default=os.environ.get("NULVANE_TREE_1M"))
    parser.add_argument("large", nargs="?", default=os.environ.get("NULVANE_TREE_10M"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--build", default=os.environ.get("NULVANE_BUILD", os.path.join(here, "..", "build")))
    args = parser.parse_args()
    if not args.small or not args.large:
        sys.exit("scale_run.py: give TREE_1M and TREE_10M or set NULVANE_TREE_1M and NULVANE_TREE_10M")
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("scale_run.py: GNU time (/usr/bin/time) is missing")
    cli = os.path.join(args.build, "nulvane-cli")

    def commands(root):
        programs = {
            "nulvane-cli": [cli, "-0", root],
            "nulvane-cli --sort": [cli, "-0", "--sort", "Full Path", root],
            "find": ["find", root, "-type", "f", "-empty", "-print0"],
        }
        fd = shutil.which("fdfind") or shutil.which("fd")
        if fd:
            programs["fd"] = [fd, "-H", "-I", "-0", "-t", "f", "-t", "e", ".", root]
        return programs

    figures = {}  # (tree, program) -> (times, cpus, peaks)
    for label, root in (("1M", args.small), ("10M", args.large)):
        programs = commands(root)
        for command in programs.values():
            measure(command)  # warms the cache
        runs = {name: [] for name in programs}
        names = list(programs)
        for round_index in range(args.runs):
            for name in names[round_index % len(names):] + names[:round_index % len(names)]:
                runs[name].append(measure(programs[name]))
        for name, values in runs.items():
            times = [v[0] for v in values]
            cpus = [v[1] for v in values]
            peaks = [v[2] / 1024 for v in values]
            figures[(label, name)] = (statistics.median(times), statistics.median(cpus), max(peaks))
            result(f"scale {label}: {name} time (median of {args.runs}, range {min(times):.2f}-{max(times):.2f})",
                   f"{statistics.median(times):.2f}", "s", "-")
            result(f"scale {label}: {name} processor time (median)", f"{statistics.median(cpus):.2f}", "s", "-")
            result(f"scale {label}: {name} peak memory (largest)", f"{max(peaks):.1f}", "MiB", "-")

    for name in commands(args.small):
        small, large = figures[("1M", name)], figures[("10M", name)]
        target = "<= 10.5 x" if name.startswith("nulvane-cli") else "-"
        result(f"scale 10M/1M: {name} time", f"{large[0] / small[0]:.2f}", "x", target)
        result(f"scale 10M/1M: {name} processor time", f"{large[1] / small[1]:.2f}", "x", "-")
        result(f"scale 10M/1M: {name} peak memory", f"{large[2] / small[2]:.2f}", "x", target)


if __name__ == "__main__":
    main()
