#!/usr/bin/python3
"""Checks scripts/debian-packages against a build: every package stands in one set only, and every
package of the run set is one that building or running nulvane and nulvane-cli really uses, so
that scripts/run.sh installs no test tool.

    check-packages.py BUILD_FOLDER

A run package counts as used when it owns one of these files:
  - a header or library the two programs were compiled or linked from (the build's dependency
    records, as Ninja keeps them);
  - a tool the build runs (the compiler, CMake, Ninja, pkg-config, msgfmt, Qt's lrelease, as the
    CMake cache names them, symbolic links followed step by step);
  - a program in /usr/bin whose name the programs' sources hold as a string literal, such as
    "xdg-open" (a helper they start).
The Debian source package builds in a root holding build-essential and its Build-Depends alone,
so debian/control's Build-Depends name every run package the build uses (but the compiler, which
build-essential brings), and nothing that is not in the run set.
Exit 0 when the sets hold, 1 with one line per fault, 77 when this is no Debian system.
"""
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAMS = ("nulvane", "nulvane-cli")
SETS = ("run", "package", "test")
# What Debian's build-essential holds, which no Build-Depends names.
BUILD_ESSENTIAL = {"g++", "gcc", "make", "libc6-dev", "dpkg-dev"}


def read_sets(path):
    sets, faults, seen = {name: [] for name in SETS}, [], {}
    with open(path, encoding="utf-8") as listing:
        for number, line in enumerate(listing, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if len(words) != 2 or words[0] not in SETS:
                faults.append(f"{path}:{number}: expected \"run|package|test PACKAGE\", got: {line.strip()}")
                continue
            name, package = words
            if package in seen:
                faults.append(f"{path}:{number}: {package} is already in the {seen[package]} set")
                continue
            seen[package] = name
            sets[name].append(package)
    return sets, faults


def build_depends(path):
    """The package names of the Build-Depends field of a debian/control file, without versions."""
    with open(path, encoding="utf-8") as control:
        match = re.search(r"^Build-Depends:(.*(?:\n[ \t].*)*)", control.read(), re.MULTILINE)
    if not match:
        return set()
    return {re.split(r"[\s(\[<]", item.strip(), maxsplit=1)[0] for item in match.group(1).split(",") if item.strip()}


def run(*command, cwd=None):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True, text=True).stdout


def with_usr_merge(path):
    """Both spellings of a path under the merged /usr: dpkg records the one the package ships."""
    path = os.path.normpath(path)
    for top in ("/bin/", "/sbin/", "/lib/", "/lib64/"):
        if path.startswith(top):
            return {path, "/usr" + path}
        if path.startswith("/usr" + top):
            return {path, path[4:]}
    return {path}


def link_chain(path):
    """The path and every path its symbolic links pass through, e.g. c++ -> alternatives -> g++."""
    chain = []
    while path and path not in chain:
        chain.append(path)
        if not os.path.islink(path):
            break
        path = os.path.join(os.path.dirname(path), os.readlink(path))
    return chain


def used_files(build):
    files = set()
    inputs = run("ninja", "-t", "inputs", *PROGRAMS, cwd=build).split()
    objects = [name for name in inputs if name.endswith(".o")]
    files.update(name for name in inputs if name.startswith("/"))
    for line in run("ninja", "-t", "deps", *objects, cwd=build).splitlines():
        if line.startswith("    /"):
            files.add(line.strip())
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            match = re.match(r"(CMAKE_CXX_COMPILER|CMAKE_MAKE_PROGRAM|CMAKE_COMMAND|PKG_CONFIG_EXECUTABLE|GETTEXT_MSGFMT_EXECUTABLE|NULVANE_LRELEASE):\w+=(/.*)", line)
            if match:
                files.update(link_chain(match.group(2).strip()))
    return {spelling for name in files for spelling in with_usr_merge(name)}


def literals_of_programs(build):
    """The text of the programs' own source files, where the helpers they start are named."""
    text = ""
    for name in run("ninja", "-t", "inputs", *PROGRAMS, cwd=build).split():
        path = os.path.join(build, name)
        if path.startswith(ROOT + os.sep) and name.endswith((".cpp", ".h")) and os.path.isfile(path):
            with open(path, encoding="utf-8", errors="replace") as source:
                text += source.read()
    return text


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    sets, faults = read_sets(os.path.join(ROOT, "scripts", "debian-packages"))
    if shutil.which("dpkg-query") is None or shutil.which("ninja") is None:
        print("no dpkg-query or ninja here: the run set is checked on Debian builds with Ninja")
        return 77
    files = used_files(build)
    literals = literals_of_programs(build)
    depends = build_depends(os.path.join(ROOT, "debian", "control"))
    for package in sets["run"]:
        try:
            owned = run("dpkg-query", "-L", package).splitlines()
        except subprocess.CalledProcessError:
            faults.append(f"run package {package} is not installed: scripts/install-deps.sh run installs it")
            continue
        used = [name for name in owned if name in files]
        helpers = [name for name in owned
                   if name.startswith("/usr/bin/") and f'"{os.path.basename(name)}"' in literals]
        if used or helpers:
            print(f"{package}: {(used + helpers)[0]}")
        else:
            faults.append(f"run package {package} is used by neither the programs' build nor the programs; "
                          "a test tool belongs in the test set")
        if used and package not in BUILD_ESSENTIAL and package not in depends:
            faults.append(f"run package {package} is used by the build but is no Build-Depends of debian/control")
    for package in sorted(depends - set(sets["run"]) - {"debhelper-compat"}):
        faults.append(f"Build-Depends {package} of debian/control is in no run set of scripts/debian-packages")
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
