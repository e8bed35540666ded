#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts the program
# under Wine with the demo data: a PATDAT beside the program (X:) and a demo
# drive D: whose root holds "lugeon" with sample tests and an empty "dest".
# Without a display of your own it starts a virtual one (Xvfb :99); take a
# look with:  DISPLAY=:99 import -window root shot.png
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash scripts/setup-debian.sh
bash scripts/wine-prefix.sh init
bash scripts/build.sh --target LugeonTransfer

# Fresh demo data on every start.
rm -rf "$BUILD_DIR/bin/PATDAT" "$BUILD_DIR/demo"
cp -r demo/PATDAT "$BUILD_DIR/bin/PATDAT"
mkdir -p "$BUILD_DIR/demo/d/dest"
cp -r demo/drive/lugeon "$BUILD_DIR/demo/d/lugeon"

# Without a display of its own the window opens on a virtual one, which
# goes away with the program.
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:99
  if [ ! -e /tmp/.X11-unix/X99 ]; then
    Xvfb :99 $xvfb_screen >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null' EXIT
    sleep 1
  fi
  echo "No display: the window opens on the virtual display :99."
  echo "  Screenshot: DISPLAY=:99 import -window root shot.png"
fi

# The server must start inside the display, with the demo drives.
bash scripts/wine-prefix.sh up run
cd "$BUILD_DIR/bin"
echo "Starting LugeonTransfer (source: drive d: -> d:\\lugeon, destination: d:\\dest)"
bash "$repo/scripts/wine-prefix.sh" run 'X:\LugeonTransfer.exe'
