#!/usr/bin/env bash
# Installs what is missing, builds and runs every test; window tests run in a virtual X
# server unless a desktop is at hand. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh "$@"
cd build
if [[ -n "${DISPLAY:-}" ]] && [[ -z "${CI:-}" ]]; then
  ctest --output-on-failure -j2
else
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j2
fi
