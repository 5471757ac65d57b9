#!/usr/bin/env python3
"""Makes a deterministic folder tree for the scan benchmarks.

The tree holds N files (about 5 % of them empty), in folders of 5 to 200 entries up to 8 levels
deep, with hidden files and folders and names carrying blanks, commas, ampersands, non-ASCII and
invalid UTF-8 bytes. Non-empty files are sparse (a size but no data blocks), so a million files
cost inodes, not gigabytes. The same arguments always give the same tree.

    gen_tree.py ROOT [--files N] [--empty-ratio R] [--seed S] [--ancestor-links K]

--ancestor-links adds K symbolic links, each pointing at a folder on its own ancestry, so that a
walk following directory links must notice the loop.
"""
import argparse
import os
import random
import sys

WORDS = [b"report", b"data", b"notes", b"cache", b"build", b"img", b"backup", b"draft", b"log",
         b"tmp", b"music", b"photos", b"src", b"test", b"archive", b"misc", b"old", b"new",
         b"project", b"invoice", b"letter", b"summary", b"config", b"lib"]
ODD_PARTS = [b" copy", b", final", b" & co", b"\xc3\xa9t\xc3\xa9", b"\xe6\x97\xa5\xe6\x9c\xac",
             b"M\xc3\xbcller", b"\xff\xfe", b"\xc3(", b" (2)", b"\xe2\x82\xac"]
EXTS = [b".txt", b".log", b".dat", b".cfg", b".json", b".tar.gz", b"", b".", b".md", b".o"]


class Generator:
    def __init__(self, root, files, empty_ratio, seed, max_depth):
        self.root = root
        self.files_left = files
        self.empty_ratio = empty_ratio
        self.rng = random.Random(seed)
        self.max_depth = max_depth
        self.dirs = []            # (path, depth) of every folder made, root included
        self.made_files = 0
        self.made_empty = 0
        self.path_bytes = 0

    def name(self, index, is_dir):
        rng = self.rng
        parts = [rng.choice(WORDS)]
        roll = rng.random()
        if roll < 0.15:
            parts.append(rng.choice(ODD_PARTS))
        elif roll < 0.35:
            parts.append(b"_" + rng.choice(WORDS))
        parts.append(b"-%x" % index)      # keeps names unique within a folder
        if not is_dir:
            parts.append(rng.choice(EXTS))
        elif rng.random() < 0.1:
            parts.append(b".d")           # a dot in a folder name
        name = b"".join(parts)
        if rng.random() < 0.04:
            name = b"." + name            # hidden
        return name

    def make_file(self, path):
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        try:
            if self.rng.random() >= self.empty_ratio:
                os.ftruncate(fd, self.rng.randint(1, 1 << 20))
            else:
                self.made_empty += 1
        finally:
            os.close(fd)
        self.made_files += 1
        self.files_left -= 1
        self.path_bytes += len(path)

    def fill(self, path, depth, budget):
        """Makes `budget` files somewhere under the existing folder `path`."""
        rng = self.rng
        self.dirs.append((path, depth))
        entries = rng.randint(5, 200)
        if depth >= self.max_depth or budget <= entries:
            here, subdirs = budget, 0
        else:
            # Branch so that most files sit three to five levels down.
            levels = max(1, 3 - depth)
            branching = (budget / 60) ** (1 / levels) * rng.uniform(0.6, 1.4)
            subdirs = max(1, min(entries - 1, int(branching)))
            subdirs = min(subdirs, max(1, (budget - 1) // 5))
            here = max(0, min(entries - subdirs, budget - 5 * subdirs))
        rest = budget - here
        # Split what is left over the subfolders, each getting at least a few files.
        shares = []
        if subdirs:
            spare = rest - 5 * subdirs
            weights = [rng.random() ** 2 + 0.05 for _ in range(subdirs)]
            total = sum(weights)
            shares = [5 + int(spare * w / total) for w in weights]
            shares[0] += rest - sum(shares)
        kinds = [True] * subdirs + [False] * here
        rng.shuffle(kinds)
        sub_index = 0
        for index, is_dir in enumerate(kinds):
            child = path + b"/" + self.name(index, is_dir)
            if is_dir:
                os.mkdir(child)
                self.fill(child, depth + 1, shares[sub_index])
                sub_index += 1
            else:
                self.make_file(child)

    def add_ancestor_links(self, count):
        candidates = [(p, d) for p, d in self.dirs if d >= 1]
        for i in range(min(count, len(candidates))):
            path, depth = self.rng.choice(candidates)
            up = self.rng.randint(1, depth)
            # ".." steps keep the link inside its own ancestry whatever the root is.
            target = b"/".join([b".."] * up) if self.rng.random() < 0.5 else b"."
            os.symlink(target, path + b"/loop-%d" % i)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root")
    parser.add_argument("--files", type=int, default=1_000_000)
    parser.add_argument("--empty-ratio", type=float, default=0.05)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--max-depth", type=int, default=8)
    parser.add_argument("--ancestor-links", type=int, default=0)
    args = parser.parse_args()

    root = os.fsencode(os.path.abspath(args.root))
    if os.path.lexists(root) and (not os.path.isdir(root) or os.listdir(root)):
        sys.exit(f"{args.root} exists and is not an empty folder")
    os.makedirs(root, exist_ok=True)
    sys.setrecursionlimit(10000)
    gen = Generator(root, args.files, args.empty_ratio, args.seed, args.max_depth)
    gen.fill(root, 0, args.files)
    gen.add_ancestor_links(args.ancestor_links)
    average = gen.path_bytes / gen.made_files if gen.made_files else 0
    print(f"{gen.made_files} files ({gen.made_empty} empty) in {len(gen.dirs)} folders, "
          f"paths average {average:.1f} bytes")


if __name__ == "__main__":
    main()
