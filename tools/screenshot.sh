#!/usr/bin/env bash
# Makes the pictures in docs/ in a virtual X server (no window manager, so they show the
# windows without title bars):
#   screenshot-main.png     the main window with a sample file
#   screenshot-preview.png  the main window's own start-up preview of samples/cities.csv
#   screenshot-message.png  the message of a conversion of that file, over the window
#   screenshot-log.png      the log window after conversions that logged
# Usage: tools/screenshot.sh [BUILD_DIR] [SCENE...]   (default: build, every scene)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
scenes=("$@")
[[ ${#scenes[@]} -gt 0 ]] || scenes=(main preview message log)
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target corvane_screenshot -j2
export WEBKIT_DISABLE_COMPOSITING_MODE=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program's files stay in the work folder: settings, log and preview files.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" TMPDIR="$work/tmp"
mkdir -p "$work/Documents" "$work/tmp"
cp samples/cities.csv "$work/Documents/cities.csv"
printf 'id,answer,score\n1,yes,4\n2,no\n3,yes,5,late\n4,no,2\n' > "$work/Documents/survey.csv"
for scene in "${scenes[@]}"; do
  rm -f "$work/done" "$work/geometry"
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    program=$1 scene=$2 work=$3
    "$program" "$scene" "$work/done" "$work" > "$work/geometry" &
    pid=$!
    for _ in $(seq 300); do [[ -s "$work/geometry" ]] && break; sleep 0.1; done
    read -r x y w h < "$work/geometry"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "docs/screenshot-$scene.png"
    touch "$work/done"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
  ' screenshot "$build/tools/corvane_screenshot" "$scene" "$work"
  echo "wrote docs/screenshot-$scene.png"
done
