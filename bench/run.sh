#!/usr/bin/env bash
# Runs the three benchmarks under Wine, each round after round with its sides
# interleaved, and prints as its last three lines "walk ratio <x.xx>",
# "execute ratio <x.xx>" and "startup ratio <x.xx>" (medians; targets: 1.10,
# 1.20 and 1.20 at most). Installs and builds what it needs. Takes about three
# minutes; never run from CTest.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bash scripts/setup-debian.sh
bash scripts/wine-prefix.sh init

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# One virtual display for all three: the start-up opens windows, and every
# part (re)starts the Wine server inside it.
xvfb-run -a -s "$xvfb_screen" \
  bash -c 'set -o pipefail
           rc=0
           bash bench/walk.sh | tee "$1/walk" || rc=$?
           [ $rc -ne 0 ] || bash bench/execute.sh 15 | tee "$1/execute" || rc=$?
           [ $rc -ne 0 ] || bash bench/startup.sh 15 | tee "$1/startup" || rc=$?
           bash scripts/wine-prefix.sh down
           exit $rc' bench "$out"

echo
for part in walk execute startup; do
  grep -E "^$part ratio [0-9.]+" "$out/$part" | tail -1 | tr -d '\r'
done
