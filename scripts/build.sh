#!/usr/bin/env bash
# Configures (once) and builds the cross build in build/. Extra arguments go to
# `cmake --build` (for example: --target walk_bench).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
[ -f build/CMakeCache.txt ] || cmake --preset cross >/dev/null
cmake --build build -j"$(nproc)" "$@"
