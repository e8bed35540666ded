# Sourced first by every command but wine-prefix.sh (which CMake runs from
# test folders): stop at the first failure, work from the repository's root,
# build in build/ unless BUILD_DIR names another folder.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
export BUILD_DIR=${BUILD_DIR:-$repo/build}
# The virtual display of the tests, the benchmarks and the run command.
xvfb_screen="-screen 0 1024x768x24 -nolisten tcp"
