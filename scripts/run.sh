#!/usr/bin/env bash
# Installs what is missing, builds and starts the converter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
mkdir -p out
build/cli/corvane-convert samples/cities.csv out/cities.json
build/cli/corvane-convert samples/inventory.tsv out/inventory.bson
echo "Converted samples/ into out/."
