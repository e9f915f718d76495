#!/usr/bin/env bash
# Builds the Debian packages corvane-convert (the command line) and corvane (the window)
# into build-pkg/, or the folder given: an optimised build with Debian's hardening
# flags, then CPack's DEB generator.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-pkg}
scripts/install-deps.sh

# The packages' dates (manual pages, changelog) are the last commit's, so that one
# commit built twice gives the same packages.
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]] && git rev-parse --git-dir >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
fi
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$dir" -j"$(nproc)"
# Packages of an earlier version would match the same names: one of each is left.
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/*.deb
