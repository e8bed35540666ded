#!/usr/bin/env bash
# Configures (once) and builds the cross build in build/ (or in $BUILD_DIR).
# Extra arguments go to `cmake --build` (for example: --target walk_bench).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
build=${BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset cross -B "$build" >/dev/null
elif [ $# -gt 0 ]; then
  # A target named by a caller may be newer than the build folder's
  # configuration (a benchmark, the package): configure again first.
  cmake "$build" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" "$@"
