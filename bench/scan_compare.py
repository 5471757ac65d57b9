#!/usr/bin/env python3
"""Races nulvane-cli against GNU find, fd and a bare floor walker on a folder tree, and measures memory.

    scan_compare.py [ROOT] [--runs N] [--build DIR] [--memory-tree ROOT2 ...]

ROOT defaults to $NULVANE_TREE_1M, the memory trees to $NULVANE_TREE_100K, the build to
$NULVANE_BUILD (else build/). Every program runs as a whole process with its output going to
/dev/null, on a warm cache, in rounds whose order turns each time, so a busy machine slows all
alike; the ratios are of medians from this one run. Prints RESULT lines:
the whole-process ratios against find (<= 0.5), fd (< 1) and the floor (<= 1.1), the peak
resident memory of nulvane-cli and of find, and (bench/scan_memory) the resident memory the
result list adds per entry (<= 200 bytes) on each memory tree.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(command, capture=False):
    """Wall-clock seconds and (when captured) the output of one run."""
    started = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.PIPE if capture else subprocess.DEVNULL)
    elapsed = time.perf_counter() - started
    if result.returncode not in (0, 1):
        sys.exit(f"{command[0]} failed with status {result.returncode}")
    return elapsed, result.stdout


def peak_kib(command):
    """Peak resident memory of one run in KiB, as GNU time reports it. A child of this script
    would carry the script's own high-water mark across exec; one of GNU time does not."""
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command, stdout=subprocess.DEVNULL,
                       check=False)
        return int(report.read().split()[-1])


def result(name, measured, unit, target):
    print(f"RESULT\t{name}\t{measured}\t{unit}\t{target}", flush=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root", nargs="?", default=os.environ.get("NULVANE_TREE_1M"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default=os.environ.get("NULVANE_BUILD", os.path.join(here, "..", "build")))
    parser.add_argument("--memory-tree", action="append",
                        default=[t for t in [os.environ.get("NULVANE_TREE_100K")] if t])
    args = parser.parse_args()
    if not args.root:
        sys.exit("scan_compare.py: give ROOT or set NULVANE_TREE_1M")

    cli = os.path.join(args.build, "nulvane-cli")
    floor = os.path.join(args.build, "bench", "floor_walk")
    scan_memory = os.path.join(args.build, "bench", "scan_memory")
    for program in (cli, floor, scan_memory):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is missing: build the project first")

    commands = {
        "nulvane-cli": [cli, "-0", args.root],
        "find": ["find", args.root, "-type", "f", "-empty", "-print0"],
        "floor": [floor, "-0", args.root],
    }
    fd = shutil.which("fdfind") or shutil.which("fd")
    if fd:
        commands["fd"] = [fd, "-H", "-I", "-0", "-t", "f", "-t", "e", ".", args.root]
    else:
        print("scan_compare.py: fd-find is not installed; fd is left out", file=sys.stderr)

    # The warm-up runs fill the cache and show that all list the same files.
    listed = {}
    for name, command in commands.items():
        _, output = run(command, capture=True)
        listed[name] = sorted(output.split(b"\0")[:-1])
    for name in commands:
        if listed[name] != listed["find"]:
            print(f"scan_compare.py: {name} lists {len(listed[name])} files, find {len(listed['find'])}",
                  file=sys.stderr)

    del listed
    times = {name: [] for name in commands}
    names = list(commands)
    for round_index in range(args.runs):
        order = names[round_index % len(names):] + names[:round_index % len(names)]
        for name in order:
            elapsed, _ = run(commands[name])
            times[name].append(elapsed)

    medians = {name: statistics.median(values) for name, values in times.items()}
    tree = os.path.basename(os.path.normpath(args.root))
    for name in names:
        result(f"scan {tree}: {name} (median of {args.runs})", f"{medians[name]:.3f}", "s", "-")
    ours = medians["nulvane-cli"]
    result(f"scan {tree}: nulvane-cli vs find", f"{ours / medians['find']:.2f}", "x find", "<= 0.5 x find")
    if "fd" in medians:
        result(f"scan {tree}: nulvane-cli vs fd", f"{ours / medians['fd']:.2f}", "x fd", "< 1.0 x fd")
    result(f"scan {tree}: nulvane-cli vs floor", f"{ours / medians['floor']:.2f}", "x floor", "<= 1.1 x floor")
    if os.access("/usr/bin/time", os.X_OK):
        for name in ("nulvane-cli", "find"):
            result(f"scan {tree}: peak memory {name}", f"{peak_kib(commands[name]) / 1024:.1f}", "MiB", "-")
    else:
        print("scan_compare.py: GNU time (/usr/bin/time) is missing; peak memory is left out", file=sys.stderr)

    for memory_tree in dict.fromkeys([args.root] + args.memory_tree):
        output = subprocess.run([scan_memory, memory_tree], check=True, capture_output=True, text=True).stdout
        entries = re.search(r"entries (\d+)", output)
        per_entry = re.search(r"([\d.]+) bytes per entry", output)
        paths = re.search(r"paths average ([\d.]+) bytes", output)
        if entries and per_entry:
            name = os.path.basename(os.path.normpath(memory_tree))
            result(f"memory per entry, {name} ({entries.group(1)} entries, paths {paths.group(1)} B)",
                   per_entry.group(1), "bytes", "<= 200 bytes")


if __name__ == "__main__":
    main()
