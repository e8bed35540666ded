#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# through CTest under Wine, with a virtual X display for the window tests.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

bash scripts/setup-debian.sh
bash scripts/wine-prefix.sh init
bash scripts/build.sh

# The Wine server must start inside the display (see the fixture in tests/).
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  bash -c 'set -e
           bash scripts/wine-prefix.sh up test
           rc=0
           ctest --test-dir build --output-on-failure -j2 --timeout 300 || rc=$?
           bash scripts/wine-prefix.sh down
           exit $rc'
