#!/usr/bin/env bash
# Copies the project's source into FOLDER as a source package holds it: the files git tracks and
# the new ones it does not ignore, as they are in the work tree (no build folders, no .git);
# outside a git checkout, everything but build*/ folders.
#     copy-source.sh FOLDER
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$1"
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  # A tracked file deleted in the work tree is left out, not an error.
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
     tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$1"
else
  (cd "$root" && tar --exclude='./build*' --exclude=./.git -cf - .) | tar -xf - -C "$1"
fi
