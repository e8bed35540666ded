#!/usr/bin/env bash
# Times the data-root walk against a bare FindFirstFileW walk of the same
# drive tree under Wine; the last line is "walk ratio <x.xx>" (target: 1.10
# at most). Arguments go to walk_bench (the number of rounds, default 5).
# Never run from CTest: it takes about a minute and needs the drive to itself.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bash scripts/build.sh --target walk_bench >/dev/null
bash scripts/wine-prefix.sh up test
build=$(cd "$BUILD_DIR" && pwd)

# Between runs the tree waits outside the test drives, so that the tests'
# drive walks never have to go through its 22,000 folders.
tree=$build/testdrives/p/walkbench
parked=$build/walkbench-parked
if [ -d "$parked" ] && [ ! -e "$tree" ]; then mv "$parked" "$tree"; fi
park() { if [ -d "$tree" ]; then rm -rf "$parked"; mv "$tree" "$parked"; fi; }
trap park EXIT

cd "$build/tbin"
bash "$repo/scripts/wine-prefix.sh" run walk_bench.exe "$@" </dev/null
