#!/usr/bin/env bash
# Runs the benchmarks under Wine, each round after round with its sides
# interleaved, and prints as its last four lines "big execute ratio <x.xx>",
# "walk ratio <x.xx>", "execute ratio <x.xx>" and "startup ratio <x.xx>"
# (medians; targets: 1.05, 1.10, 1.20 and 1.20 at most). Installs and builds
# what it needs. Takes about five minutes; never run from CTest.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bash scripts/setup-debian.sh
bash scripts/wine-prefix.sh init

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# One virtual display for all of them: the start-up opens windows, and every
# part (re)starts the Wine server inside it.
xvfb-run -a -s "$xvfb_screen" \
  bash -c 'set -o pipefail
           rc=0
           bash bench/execute.sh big 5 | tee "$1/big" || rc=$?
           [ $rc -ne 0 ] || bash bench/walk.sh | tee "$1/walk" || rc=$?
           [ $rc -ne 0 ] || bash bench/execute.sh 15 | tee "$1/execute" || rc=$?
           [ $rc -ne 0 ] || bash bench/startup.sh 15 | tee "$1/startup" || rc=$?
           bash scripts/wine-prefix.sh down
           exit $rc' bench "$out"

echo
grep -E "^big execute ratio [0-9.]+" "$out/big" | tail -1 | tr -d '\r'
for part in walk execute startup; do
  grep -E "^$part ratio [0-9.]+" "$out/$part" | tail -1 | tr -d '\r'
done
