#!/usr/bin/env bash
# Times the Execute run against bare CopyFileW (and robocopy) copying the same
# 25 tests on a test drive under Wine; the last line is "execute ratio <x.xx>"
# (target: 1.20 at most). With "big" first: 4 tests with data files of 256 MB,
# and "big execute ratio <x.xx>" (target: 1.05 at most). Arguments go to
# execute_bench ([big] and the number of rounds, default 5). Never run from
# CTest: it needs the drive and the disk to itself.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bash scripts/build.sh --target execute_bench >/dev/null
bash scripts/wine-prefix.sh up test
build=$(cd "$BUILD_DIR" && pwd)

cd "$build/tbin"
bash "$repo/scripts/wine-prefix.sh" run execute_bench.exe "$@" </dev/null
