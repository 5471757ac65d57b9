#!/usr/bin/env python3
"""Races nulvane-cli against GNU find, fd and a bare floor walker on a folder tree, and measures memory.

    scan_compare.py [ROOT] [--runs N] [--build DIR] [--memory-tree ROOT2 ...] [--long-tree ROOT3]

ROOT defaults to $NULVANE_TREE_1M, the memory trees to $NULVANE_TREE_100K and $NULVANE_TREE_400K,
the long-path tree to $NULVANE_TREE_LONG, the build to $NULVANE_BUILD (else build/). Every program
runs as a whole process with its output going to a pipe that is read at once, on a warm cache, in
rounds whose order turns each time, so a busy machine slows all alike; the ratios are of medians
from this one run. Prints RESULT lines:
- the whole-process ratios against find (<= 0.5), fd (< 1) and the floor (<= 1.1), and each
  program's median time and processor time (user + system) as information;
- the cost of listing empty folders beside the files (`-t f -t d`) against the same scan of files
  alone, as information;
- the cost of choosing names with -g: `-g '*'` (every name matched, so every file pays for the
  match) and `-g '*.log'` (the names that do not match cost no stat) against the scan without a
  filter, and `-g '*.log'` against fd's `-g '*.log'`, as information;
- how soon the first line of the list arrives (nulvane-cli <= 0.05 s; find and fd beside it);
- peak resident memory of the streamed listing, of JSON Lines, of the sorted listing (which holds
  the list), of find and fd, and of `nulvane-cli --version`, the floor its libraries set; the
  streamed listing and JSON Lines against find (<= 2 x), and `--version` against a bare C++
  program (bench/bare_floor: nothing of the project linked);
- (bench/scan_memory) the resident memory the result list adds per entry: <= 120 bytes on the
  trees of empty files with ordinary paths, <= 200 bytes on the tree of 5,000-byte paths, and
  as information on ROOT (where a folder holds few empty files, so its name weighs more).
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


def run(command):
    """Wall-clock seconds to the first byte of output and to the end, and processor seconds."""
    before = os.times()
    started = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    first = process.stdout.read(1)
    first_at = time.perf_counter() - started
    while process.stdout.read(1 << 20):
        pass
    status = process.wait()
    elapsed = time.perf_counter() - started
    after = os.times()
    if status not in (0, 1):
        sys.exit(f"{command[0]} failed with status {status}")
    cpu = (after.children_user - before.children_user) + (after.children_system - before.children_system)
    return (first_at if first else elapsed), elapsed, cpu


def listing(command):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout


def peak_kib(command):
    """Peak resident memory of one run in KiB, as GNU time reports it. A child of this script
    would carry the script's own high-water mark across exec; one of GNU time does not."""
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
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
                        default=[t for t in [os.environ.get("NULVANE_TREE_100K"), os.environ.get("NULVANE_TREE_400K")]
                                 if t])
    parser.add_argument("--long-tree", default=os.environ.get("NULVANE_TREE_LONG"))
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
        "nulvane-cli -t f -t d": [cli, "-0", "-t", "f", "-t", "d", args.root],
        "nulvane-cli -g '*'": [cli, "-0", "-g", "*", args.root],
        "nulvane-cli -g '*.log'": [cli, "-0", "-g", "*.log", args.root],
    }
    # What each lists the same files as; the others list more.
    same_as = {"nulvane-cli": "find", "floor": "find", "fd": "find", "nulvane-cli -g '*'": "find"}
    fd = shutil.which("fdfind") or shutil.which("fd")
    if fd:
        commands["fd"] = [fd, "-H", "-I", "-0", "-t", "f", "-t", "e", ".", args.root]
        commands["fd -g '*.log'"] = [fd, "-H", "-I", "-s", "-0", "-t", "f", "-t", "e", "-g", "*.log", args.root]
        same_as["fd -g '*.log'"] = "nulvane-cli -g '*.log'"
    else:
        print("scan_compare.py: fd-find is not installed; fd is left out", file=sys.stderr)

    # The warm-up runs fill the cache and show that all list the same files.
    listed = {name: sorted(listing(command).split(b"\0")[:-1]) for name, command in commands.items()}
    for name, other in same_as.items():
        if name in listed and listed[name] != listed[other]:
            print(f"scan_compare.py: {name} lists {len(listed[name])} files, {other} {len(listed[other])}",
                  file=sys.stderr)
    del listed

    firsts = {name: [] for name in commands}
    times = {name: [] for name in commands}
    cpus = {name: [] for name in commands}
    names = list(commands)
    for round_index in range(args.runs):
        order = names[round_index % len(names):] + names[:round_index % len(names)]
        for name in order:
            first, elapsed, cpu = run(commands[name])
            firsts[name].append(first)
            times[name].append(elapsed)
            cpus[name].append(cpu)

    medians = {name: statistics.median(values) for name, values in times.items()}
    tree = os.path.basename(os.path.normpath(args.root))
    for name in names:
        result(f"scan {tree}: {name} (median of {args.runs})", f"{medians[name]:.3f}", "s", "-")
        result(f"scan {tree}: {name} processor time (median)", f"{statistics.median(cpus[name]):.3f}", "s", "-")
    ours = medians["nulvane-cli"]
    result(f"scan {tree}: nulvane-cli vs find", f"{ours / medians['find']:.2f}", "x find", "<= 0.5 x find")
    if "fd" in medians:
        result(f"scan {tree}: nulvane-cli vs fd", f"{ours / medians['fd']:.2f}", "x fd", "< 1.0 x fd")
    result(f"scan {tree}: nulvane-cli vs floor", f"{ours / medians['floor']:.2f}", "x floor", "<= 1.1 x floor")
    result(f"scan {tree}: empty folders too (-t f -t d) vs files only",
           f"{medians['nulvane-cli -t f -t d'] / ours:.2f}", "x files only", "-")
    every, logs = medians["nulvane-cli -g '*'"], medians["nulvane-cli -g '*.log'"]
    result(f"scan {tree}: -g '*' (every name matched) vs no filter", f"{every / ours:.2f}", "x no filter", "-")
    result(f"scan {tree}: -g '*.log' vs no filter", f"{logs / ours:.2f}", "x no filter", "-")
    fd_logs = medians.get("fd -g '*.log'")
    if fd_logs:
        result(f"scan {tree}: -g '*.log' vs fd -g '*.log'", f"{logs / fd_logs:.2f}", "x fd", "-")
    for name in [n for n in ("nulvane-cli", "find", "fd") if n in firsts]:
        target = "<= 0.05 s" if name == "nulvane-cli" else "-"
        result(f"scan {tree}: first line, {name} (median)", f"{statistics.median(firsts[name]):.4f}", "s", target)

    if os.access("/usr/bin/time", os.X_OK):
        peaks = {
            "nulvane-cli (streamed)": commands["nulvane-cli"],
            "nulvane-cli --json": [cli, "--json", args.root],
            "nulvane-cli --sort \"Full Path\"": [cli, "-0", "--sort", "Full Path", args.root],
            "nulvane-cli -t f -t d (streamed)": commands["nulvane-cli -t f -t d"],
            "nulvane-cli --version (libraries alone)": [cli, "--version"],
            "find": commands["find"],
            "find --version": ["find", "--version"],
            "bare C++ program": [os.path.join(args.build, "bench", "bare_floor")],
        }
        if "fd" in commands:
            peaks["fd"] = commands["fd"]
        measured = {}
        for name, command in peaks.items():
            # The least of three: what the program needs, without another process's pressure.
            measured[name] = min(peak_kib(command) for _ in range(3)) / 1024
            result(f"scan {tree}: peak memory {name}", f"{measured[name]:.1f}", "MiB", "-")
        result(f"scan {tree}: peak memory nulvane-cli (streamed) vs find",
               f"{measured['nulvane-cli (streamed)'] / measured['find']:.2f}", "x find", "<= 2.0 x find")
        result(f"scan {tree}: peak memory nulvane-cli --json vs find",
               f"{measured['nulvane-cli --json'] / measured['find']:.2f}", "x find", "<= 2.0 x find")
        result(f"scan {tree}: peak memory nulvane-cli --version vs a bare C++ program",
               f"{measured['nulvane-cli --version (libraries alone)'] / measured['bare C++ program']:.2f}",
               "x bare", "-")
        result(f"scan {tree}: peak memory above the program's own floor, nulvane-cli (streamed)",
               f"{measured['nulvane-cli (streamed)'] - measured['nulvane-cli --version (libraries alone)']:.1f}",
               "MiB", "-")
        result(f"scan {tree}: peak memory above the program's own floor, find",
               f"{measured['find'] - measured['find --version']:.1f}", "MiB", "-")
    else:
        print("scan_compare.py: GNU time (/usr/bin/time) is missing; peak memory is left out", file=sys.stderr)

    # The scanned tree holds few empty files for its folders: its figure is information.
    memory_trees = [(args.root, None)] + [(t, 120) for t in dict.fromkeys(args.memory_tree) if t != args.root]
    if args.long_tree:
        memory_trees.append((args.long_tree, 200))
    for memory_tree, target in memory_trees:
        output = subprocess.run([scan_memory, memory_tree], check=True, capture_output=True, text=True).stdout
        entries = re.search(r"entries (\d+)", output)
        per_entry = re.search(r"([\d.]+) bytes per entry", output)
        paths = re.search(r"paths average ([\d.]+) bytes", output)
        if entries and per_entry:
            name = os.path.basename(os.path.normpath(memory_tree))
            result(f"memory per entry, {name} ({entries.group(1)} entries, paths {paths.group(1)} B)",
                   per_entry.group(1), "bytes", f"<= {target} bytes" if target else "-")


if __name__ == "__main__":
    main()
