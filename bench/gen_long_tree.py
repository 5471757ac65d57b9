#!/usr/bin/env python3
"""Makes a tree of empty files whose paths are about 5,000 bytes long, for the memory benchmark.

    gen_long_tree.py ROOT [--files N]

A trunk of folders with 250-byte names leads down to a few levels of branches with shorter names,
and the files lie in the last two levels, a score or so per folder: most of each path is the
trunk, so a list that kept every path whole would hold some 5,000 bytes per file. Paths are
longer than PATH_MAX, so every folder and file is made relative to its open parent. The same
arguments always give the same tree.
"""
import argparse
import os
import sys

TRUNK = 18          # levels of 250-byte names
BRANCHES = (10, 10, 10)  # folders at each level below the trunk
NAME = 250


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root")
    parser.add_argument("--files", type=int, default=20000)
    args = parser.parse_args()

    root = os.path.abspath(args.root)
    if os.path.lexists(root) and (not os.path.isdir(root) or os.listdir(root)):
        sys.exit(f"{args.root} exists and is not an empty folder")
    os.makedirs(root, exist_ok=True)

    fds = [os.open(root, os.O_RDONLY | os.O_DIRECTORY)]
    path_length = len(root)
    for level in range(TRUNK):
        name = (chr(ord("a") + level % 26) * NAME)[:NAME]
        os.mkdir(name, dir_fd=fds[-1])
        fds.append(os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fds[-1]))
        path_length += 1 + NAME
    trunk = fds[-1]

    # Leaves are the folders of the last level; the level above holds a few files too.
    leaves = 1
    for count in BRANCHES:
        leaves *= count
    above = leaves // BRANCHES[-1]
    per_above = max(1, args.files // (10 * above))
    per_leaf = max(1, (args.files - per_above * above) // leaves)
    made = 0
    total_length = 0

    def make_files(fd, count, prefix, depth_length):
        nonlocal made, total_length
        for i in range(count):
            if made >= args.files:
                return
            name = f"{prefix}-empty-file-{i:04d}.dat"
            os.close(os.open(name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644, dir_fd=fd))
            made += 1
            total_length += depth_length + 1 + len(name)

    def branch(fd, level, length, label):
        if level == len(BRANCHES):
            make_files(fd, per_leaf, label, length)
            return
        for i in range(BRANCHES[level]):
            name = f"branch-{level}-{i:02d}-" + "b" * 100
            os.mkdir(name, dir_fd=fd)
            sub = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            try:
                branch(sub, level + 1, length + 1 + len(name), f"{label}{i}")
            finally:
                os.close(sub)
        if level == len(BRANCHES) - 1:
            make_files(fd, per_above, label + "x", length)

    branch(trunk, 0, path_length, "f")
    # Whatever the rounding left goes into the last leaf's level above, in the trunk's end.
    make_files(trunk, args.files - made, "rest", path_length)
    for fd in fds:
        os.close(fd)
    print(f"{made} files, paths average {total_length / made:.1f} bytes")


if __name__ == "__main__":
    main()
