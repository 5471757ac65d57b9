#!/usr/bin/env bash
# Takes the README's pictures on a virtual X display, each cut out of a capture of the screen:
#   main-window.png           the window after scanning a small made-up tree
#   progress-window.png       the progress window, counts and Stop, during a scan of a large tree
#   status-after-deletion.png the status bar after "Delete All" kept two files changed since the scan
#   keep-rules.png            a project whose marker files the keep rules hold back, unchecked
# The pictures go to FOLDER (default docs/). The large tree is NULVANE_TREE_1M, else the benchmarks'
# tree under /tmp/nulvane-bench (bench/run makes it once); without it that picture is left out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="${1:-$root/docs}"
large="${NULVANE_TREE_1M:-/tmp/nulvane-bench/tree-1m}"
cmake --build "$build" --target nulvane >/dev/null

# A fixed place, so that the paths in the pictures do not change from one capture to the next.
work=/tmp/nv
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
tree="$work/home"
make_tree() {
  rm -rf "$tree"
  mkdir -p "$tree"/{report/drafts,photos/2024,build/cache,notes,music/.trash}
  for f in report/drafts/outline.md report/drafts/chapter-3.txt photos/2024/IMG_0042.jpg photos/2024/.thumbs.db \
           build/cache/lock build/cache/index.tmp build/empty.log notes/todo.md notes/ideas.org \
           music/.trash/placeholder.mp3 notes/meeting-2024-11-05.txt; do
    : > "$tree/$f"
  done
  echo "kept: not empty" > "$tree/report/final.txt"
}

mkdir -p "$out" "$work"
# The program is copied, so the capture does not depend on local edits; its options go to a
# configuration folder of the capture's own.
cp "$build/nulvane" "$work/nulvane"
export XDG_CONFIG_HOME="$work/config"

# Runs the program on a virtual screen of 1000x640 with the given folder (none: ""), lets SCRIPT (bash, with
# $pid and the program's window id in $win) drive it, then captures the main window, and the
# progress window over it when that is up, to $work/shot.png. Each window is captured by itself:
# Xvfb leaves the progress window out of a capture of the whole screen.
capture() {  # folder script
  rm -f "$work"/*.xwd "$work/wait.pos"
  xvfb-run -a -s "-screen 0 1000x640x24" bash -c '
    "$1/nulvane" ${2:+"$2"} &
    pid=$!
    win=
    for _ in $(seq 100); do
      win=$(xdotool search --onlyvisible --name "^Karvo Nulvane" 2>/dev/null | head -1) && [ -n "$win" ] && break
      sleep 0.1
    done
    eval "$3"
    xwd -id "$win" -silent > "$1/main.xwd"
    wait_win=$(xdotool search --onlyvisible --name "^Please wait$" 2>/dev/null | head -1) || true
    if [ -n "$wait_win" ]; then
      xwd -id "$wait_win" -silent > "$1/wait.xwd"
      read -r mx my < <(xdotool getwindowgeometry --shell "$win" | sed -n "s/^[XY]=//p" | xargs)
      read -r wx wy < <(xdotool getwindowgeometry --shell "$wait_win" | sed -n "s/^[XY]=//p" | xargs)
      echo "$((wx - mx)) $((wy - my))" > "$1/wait.pos"
    fi
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
  ' _ "$work" "$1" "$2"
  xwdtopnm "$work/main.xwd" 2>/dev/null > "$work/shot.pnm"
  if [ -f "$work/wait.pos" ]; then
    read -r x y < "$work/wait.pos"
    xwdtopnm "$work/wait.xwd" 2>/dev/null > "$work/wait.pnm"
    pnmpaste "$work/wait.pnm" "$x" "$y" "$work/shot.pnm" > "$work/both.pnm"
    mv "$work/both.pnm" "$work/shot.pnm"
  fi
}

save() {  # picture
  pnmtopng "$work/shot.pnm" > "$1"
  echo "$1"
}

make_tree
capture "$tree" 'sleep 3'
save "$out/main-window.png"

if [ -d "$large" ]; then
  # Opened through "Open Folder"; once the progress window is up, the counts run for a moment.
  capture "" '
    sleep 1
    xdotool windowfocus "$win" 2>/dev/null || true
    xdotool key alt+o
    sleep 1
    xdotool type --delay 5 "'"$large"'"
    xdotool key Return
    for _ in $(seq 100); do
      xdotool search --onlyvisible --name "^Please wait$" >/dev/null 2>&1 && break
      sleep 0.1
    done
    sleep 1.5'
  save "$out/progress-window.png"
else
  echo "no large tree at $large: progress-window.png left as it is" >&2
fi

# Two files get content after the scan; "Delete All" is answered Yes and keeps them.
make_tree
capture "$tree" '
  sleep 2
  echo "written after the scan" > "'"$tree"'/notes/todo.md"
  echo "written after the scan" > "'"$tree"'/build/cache/lock"
  xdotool windowfocus "$win" 2>/dev/null || true
  xdotool key alt+a
  sleep 1
  xdotool key alt+y
  sleep 1.5'
save "$out/status-after-deletion.png"

# A small project: package markers, a folder keeper and a file inside .git start unchecked.
rm -rf "$tree"
mkdir -p "$tree"/{src/mypkg,.git/info,data,build}
for f in src/mypkg/__init__.py src/mypkg/py.typed .git/info/marker data/.gitkeep build/out.log scratch.tmp; do
  : > "$tree/$f"
done
echo "print('hello')" > "$tree/src/mypkg/main.py"
capture "$tree" 'sleep 3'
save "$out/keep-rules.png"
