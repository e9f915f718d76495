#!/usr/bin/env bash
# Makes docs/screenshot-main.png: the main window with a sample file, in a virtual X
# server (no window manager, so the picture shows the window without a title bar).
# Usage: tools/screenshot.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target corvane_screenshot -j2
export WEBKIT_DISABLE_COMPOSITING_MODE=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  program=$1 work=$2
  "$program" "$work/done" > "$work/geometry" &
  pid=$!
  for _ in $(seq 300); do [[ -s "$work/geometry" ]] && break; sleep 0.1; done
  read -r x y w h < "$work/geometry"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage docs/screenshot-main.png
  touch "$work/done"
  wait "$pid"
' screenshot "$build/tests/gui/corvane_screenshot" "$work"
echo "wrote docs/screenshot-main.png"
