#!/usr/bin/env bash
# Configures (once) and builds the cross build in build/ (or in $BUILD_DIR).
# Extra arguments go to `cmake --build` (for example: --target walk_bench).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build=$BUILD_DIR
stamp=$build/.configured
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset cross -B "$build" >/dev/null
  touch "$stamp"
elif [ ! -f "$stamp" ] || [ -n "$(find . -path ./build -prune -o \( -name CMakeLists.txt -o -name '*.cmake' \
                                    -o -name '*_bench.cpp' \) -newer "$stamp" -print -quit)" ]; then
  # A target named by a caller (a benchmark, the package) may be newer than the
  # configuration, and then unknown to the build tool: configure again first.
  cmake "$build" >/dev/null
  touch "$stamp"
fi
cmake --build "$build" -j"$(nproc)" "$@"
