#!/usr/bin/env python3
"""What a scan sorted by "Full Path" costs in memory per entry, at its peak and held.

    peak_per_entry.py [--runs N] [--build DIR]

On $NULVANE_TREE_400K (400,000 empty files) and $NULVANE_TREE_LONG (20,000 empty files with
5,000-byte paths), with the build in $NULVANE_BUILD (else build/). Prints RESULT lines:
- the peak per entry of `nulvane-cli -0 --sort "Full Path" TREE`: its peak resident memory (GNU
  time) less that of the same command on an empty folder, each the least of N runs (default 7:
  the empty folder's peak varies by a few hundred KiB from run to run, which on 20,000 entries
  is some ten bytes each), over the entries listed (<= 120 and <= 160 bytes);
- (bench/scan_memory) the resident memory the list holds per entry after the scan, which must
  not grow (<= 105.5 and <= 141.5 bytes: what it held before the walking threads' entries went
  into blocks of their own): the least of N runs, as for the peak (with two walking threads the
  allocator's pages fall differently from run to run, some 64 KiB either way, which on 20,000
  entries is three bytes each), and the range of the N runs beside it.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile


def peak_kib(command):
    """Peak resident memory of one run in KiB, as GNU time reports it."""
    with tempfile.NamedTemporaryFile("r") as report:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name] + command, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
        return int(report.read().split()[-1])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build", default=os.environ.get("NULVANE_BUILD", os.path.join(here, "..", "build")))
    args = parser.parse_args()
    cli = os.path.join(args.build, "nulvane-cli")
    scan_memory = os.path.join(args.build, "bench", "scan_memory")
    trees = [("tree-400k", os.environ.get("NULVANE_TREE_400K"), 120, 105.5),
             ("tree-long", os.environ.get("NULVANE_TREE_LONG"), 160, 141.5)]
    with tempfile.TemporaryDirectory() as empty:
        def sorted_listing(folder):
            return [cli, "-0", "--sort", "Full Path", folder]
        base = min(peak_kib(sorted_listing(empty)) for _ in range(args.runs))
        print(f"empty folder: peak {base} KiB (least of {args.runs})", flush=True)
        for name, tree, peak_target, held_target in trees:
            if not tree:
                sys.exit(f"peak_per_entry.py: the tree {name} is not given")
            entries = subprocess.run(sorted_listing(tree), stdout=subprocess.PIPE, check=False).stdout.count(b"\0")
            peak = min(peak_kib(sorted_listing(tree)) for _ in range(args.runs))
            per_entry = (peak - base) * 1024 / max(entries, 1)
            print(f"{name}: {entries} entries, peak {peak} KiB (least of {args.runs})", flush=True)
            print(f"RESULT\tpeak per entry with sort by \"Full Path\", {name}\t{per_entry:.1f}\tbytes\t<= {peak_target} bytes",
                  flush=True)
            helds = []
            for _ in range(args.runs):
                report = subprocess.run([scan_memory, tree], stdout=subprocess.PIPE, text=True, check=True).stdout
                helds.append(float(re.search(r"([\d.]+) bytes per entry", report).group(1)))
            print(f"{name}: held per entry {min(helds):.1f}-{max(helds):.1f} bytes over {args.runs} runs", flush=True)
            print(f"RESULT\theld per entry after the scan, {name}\t{min(helds):.1f}\tbytes\t<= {held_target} bytes",
                  flush=True)


if __name__ == "__main__":
    main()
