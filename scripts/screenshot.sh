#!/usr/bin/env bash
# Takes the README's picture of the main window: a small made-up tree is scanned by the program
# on a virtual X display and the window is cut out of a capture of the screen.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="${1:-$root/docs/main-window.png}"
cmake --build "$build" --target nulvane >/dev/null

# A fixed place, so that the paths in the picture do not change from one capture to the next.
work=/tmp/nv
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
tree="$work/home"
mkdir -p "$tree"/{report/drafts,photos/2024,build/cache,notes,music/.trash}
for f in report/drafts/outline.md report/drafts/chapter-3.txt photos/2024/IMG_0042.jpg photos/2024/.thumbs.db \
         build/cache/lock build/cache/index.tmp build/empty.log notes/todo.md notes/ideas.org \
         music/.trash/placeholder.mp3 notes/meeting-2024-11-05.txt; do
  : > "$tree/$f"
done
echo "kept: not empty" > "$tree/report/final.txt"

mkdir -p "$(dirname "$out")"
# The program and its configuration are copied, so the capture does not depend on local edits.
cp "$build/nulvane" "$work/nulvane"
xvfb-run -a -s "-screen 0 1000x640x24" bash -c '
  "$1/nulvane" "$2" &
  pid=$!
  sleep 3
  xwd -root -silent > "$1/screen.xwd"
  kill $pid
' _ "$work" "$tree"
# The window stands centred on the 1000x640 screen; without a window manager it has no frame.
xwdtopnm "$work/screen.xwd" 2>/dev/null | pnmcut -left 88 -top 72 -width 823 -height 496 | pnmtopng > "$out"
echo "$out"
