#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# through CTest under Wine, with a virtual X display for the window tests.
# Arguments go to ctest (for example: -R ListTestNumbers).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash scripts/setup-debian.sh
bash scripts/wine-prefix.sh init
bash scripts/build.sh

# The Wine server must start inside the display, or no window can open later.
xvfb-run -a -s "$xvfb_screen" \
  bash -c 'rc=0
           bash scripts/wine-prefix.sh up test
           if ! ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 --timeout 300 "$@"; then
             # Now and then (about once in ten full runs) Wine ends a test
             # process before its main or leaves it hanging at its start, with
             # no output: what failed runs once more, and fails for good if it
             # fails again.
             echo "Running the failed tests once more:"
             ctest --test-dir "$BUILD_DIR" --output-on-failure --rerun-failed --timeout 300 "$@" || rc=$?
           fi
           bash scripts/wine-prefix.sh down
           exit $rc' test "$@"
