#!/usr/bin/env python3
"""What the progress line costs a scan: nulvane-cli lists ROOT with standard error on a
pseudo-terminal, once with the progress line (the default there) and once with --no-progress, in
alternating rounds so that a busy machine slows both alike. Prints RESULT lines: the median time
of each and the cost of the line in per cent of the scan without it (<= 2 %).

    progress_cost.py [ROOT] [--runs N] [--build DIR]

ROOT defaults to $NULVANE_TREE_1M, the build to $NULVANE_BUILD (else build/)."""
import argparse
import os
import statistics
import subprocess
import threading
import time


def timed(cli, root, extra):
    controller, terminal = os.openpty()
    seen = []

    def drain():
        while True:
            try:
                chunk = os.read(controller, 4096)
            except OSError:
                return
            if not chunk:
                return
            seen.append(chunk)

    reader = threading.Thread(target=drain, daemon=True)
    reader.start()
    start = time.monotonic()
    subprocess.run([cli, *extra, root], stdout=subprocess.DEVNULL, stderr=terminal, check=True)
    elapsed = time.monotonic() - start
    os.close(terminal)
    reader.join(5)
    os.close(controller)
    return elapsed, b"".join(seen)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("root", nargs="?", default=os.environ.get("NULVANE_TREE_1M"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build", default=os.environ.get("NULVANE_BUILD", os.path.join(here, "..", "build")))
    args = parser.parse_args()
    cli = os.path.join(args.build, "nulvane-cli")
    timed(cli, args.root, ["--no-progress"])  # a warm cache for both
    shown, hidden = [], []
    lines = b""
    for round_ in range(args.runs):
        order = [(shown, []), (hidden, ["--no-progress"])]
        for times, extra in order if round_ % 2 == 0 else reversed(order):
            elapsed, output = timed(cli, args.root, extra)
            times.append(elapsed)
            if not extra:
                lines = output
    if b"empty files found" not in lines:
        raise SystemExit("progress_cost.py: the run with progress showed no progress line")
    with_line, without = statistics.median(shown), statistics.median(hidden)
    print(f"RESULT\tscan with progress line\t{with_line:.3f}\ts\t-")
    print(f"RESULT\tscan without progress line\t{without:.3f}\ts\t-")
    print(f"RESULT\tprogress line cost\t{100 * (with_line - without) / without:.1f}\t%\t<= 2 %")


if __name__ == "__main__":
    main()
