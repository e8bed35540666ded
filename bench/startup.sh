#!/usr/bin/env bash
# Times the program's start (PATDAT beside it) against a minimal window
# program under Wine; the last line is "startup ratio <x.xx>" (target: 1.20
# at most). Arguments go to startup_bench (the number of rounds, default 5).
# Windows need an X display: without DISPLAY this runs itself under xvfb-run.
# Never run from CTest.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "$xvfb_screen" bash "$0" "$@"
fi

bash scripts/build.sh --target LugeonTransfer minimal_window controls_window startup_bench >/dev/null
# The server must start inside this display, or no window can open.
bash scripts/wine-prefix.sh up test
build=$(cd "$BUILD_DIR" && pwd)

cd "$build/tbin"
rc=0
bash "$repo/scripts/wine-prefix.sh" run startup_bench.exe "$@" </dev/null || rc=$?
# The display goes away with this script: so does the server started in it.
bash "$repo/scripts/wine-prefix.sh" down
exit $rc
