#!/usr/bin/env python3
"""Races nulvane-cli against GNU find on a folder tree and prints the memory per listed entry.

    scan_compare.py ROOT [--runs N] [--build DIR] [--memory-tree ROOT2 ...]

Both programs run as whole processes with their output going to /dev/null, alternately (the
order swapped every round) on a warm cache. The median wall-clock times and their ratio come
from the same invocation, so a busy machine slows both alike. Then bench/scan_memory reports the
resident memory the result list adds per entry, for ROOT and for every --memory-tree (a tree of
empty files only is where the entries dominate).
"""
import argparse
import os
import statistics
import subprocess
import sys
import time


def run(command, capture=False):
    started = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.PIPE if capture else subprocess.DEVNULL,
                            check=True)
    return time.perf_counter() - started, result.stdout


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build", default=os.path.join(here, "..", "build"))
    parser.add_argument("--memory-tree", action="append", default=[])
    args = parser.parse_args()

    cli = os.path.join(args.build, "nulvane-cli")
    scan_memory = os.path.join(args.build, "bench", "scan_memory")
    for program in (cli, scan_memory):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is missing: build the project first")

    commands = {
        "nulvane-cli": [cli, "-0", args.root],
        "find": ["find", args.root, "-type", "f", "-empty", "-print0"],
    }
    # The warm-up runs fill the cache and show that both list the same number of files.
    for name, command in commands.items():
        _, output = run(command, capture=True)
        count = output.count(b"\x00")
        print(f"{name}: {count} empty files")

    times = {name: [] for name in commands}
    names = list(commands)
    for round_index in range(args.runs):
        order = names if round_index % 2 == 0 else names[::-1]
        for name in order:
            elapsed, _ = run(commands[name])
            times[name].append(elapsed)

    medians = {name: statistics.median(values) for name, values in times.items()}
    for name in names:
        spread = ", ".join(f"{value:.3f}" for value in times[name])
        print(f"{name}: median {medians[name]:.3f} s over {args.runs} runs ({spread})")
    ratio = medians['nulvane-cli'] / medians['find']
    print(f"ratio nulvane-cli / find: {ratio:.2f}")
    print(f"RESULT\tscan against find\t{ratio:.2f}\tx find\t<= 0.5 x find")

    for tree in [args.root] + args.memory_tree:
        print(f"memory, {tree}:")
        sys.stdout.flush()
        subprocess.run([scan_memory, tree], check=True)


if __name__ == "__main__":
    main()
