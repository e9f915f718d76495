#!/usr/bin/env bash
# Installs what is missing, builds and starts the converter's window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display to show the window on. The command-line tool is build/cli/corvane-convert;"
  echo "to see the window without a desktop: xvfb-run -a build/app/corvane"
  exit 1
fi
exec build/app/corvane "$@"
