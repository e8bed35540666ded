#!/usr/bin/env bash
# The project's own Wine prefix under the build folder (never ~/.wine).
#   wine-prefix.sh init        create the prefix once (about 15 s, 700 MB)
#   wine-prefix.sh up test     drive letters for the tests, (re)start the server
#   wine-prefix.sh up run      drive letters for the demo, (re)start the server
#   wine-prefix.sh down        stop the server
#   wine-prefix.sh run P ARGS  run the Windows program P in the prefix
# BUILD_DIR overrides the build folder (default: <repo>/build). This is the one
# place that knows where Wine lives: on PATH, else where Debian's wine64 puts it.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$repo/build}
mkdir -p "$build"
build=$(cd "$build" && pwd)

export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)

need() {
  if [ ! -x "$wine" ]; then
    echo "Wine is missing: apt-get install wine64 (or run scripts/setup-debian.sh)" >&2
    exit 1
  fi
}

init() {
  need
  if [ ! -f "$WINEPREFIX/.lugeon-ready" ]; then create; fi
  settings
}

create() {
  echo "Creating the Wine prefix in $WINEPREFIX ..."
  rm -rf "$WINEPREFIX"
  "$wine" wineboot --init </dev/null >/dev/null 2>&1 || true
  "$server" -w || true
  # z: is the host's root: no test or walk may reach it.
  rm -f "$WINEPREFIX/dosdevices/z:"
  # The user folders point into $HOME: make them plain folders.
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
  done
  # Drive kinds that the drive check must refuse (types are read at server start).
  "$wine" reg add 'HKLM\Software\Wine\Drives' /v 'q:' /d network /f </dev/null >/dev/null 2>&1
  "$wine" reg add 'HKLM\Software\Wine\Drives' /v 'r:' /d cdrom /f </dev/null >/dev/null 2>&1
  "$server" -w || true
  touch "$WINEPREFIX/.lugeon-ready"
}

# Settings added after the prefix was made; each applied once, to old prefixes too.
settings() {
  if [ ! -f "$WINEPREFIX/.lugeon-titlebar" ]; then
    # The program's window gets the title bar Wine draws itself, with its icon:
    # a bare X display has no window manager to draw one.
    "$wine" reg add 'HKCU\Software\Wine\AppDefaults\LugeonTransfer.exe\X11 Driver' /v Decorated /d N /f \
      </dev/null >/dev/null 2>&1
    touch "$WINEPREFIX/.lugeon-titlebar"
  fi
  if [ ! -f "$WINEPREFIX/.lugeon-unmanaged" ]; then
    # Wine places and takes down every window itself. With a managed window it
    # waits for the window manager to confirm, and a bare X display has none:
    # taking down the progress dialog waited two seconds on the window's thread
    # (on Windows it goes at once).
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    touch "$WINEPREFIX/.lugeon-unmanaged"
  fi
  # The glyphs of that title bar's buttons. Only this font of Wine's: with all
  # of them, "System" turns into a bitmap font without kanji.
  local marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$marlett" ] && [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    ln -s "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
  fi
}

link_drive() { # letter target
  ln -sfn "$2" "$WINEPREFIX/dosdevices/$1:"
}

drives() { # test | run
  local dd=$WINEPREFIX/dosdevices
  find "$dd" -maxdepth 1 -name '?:' ! -name 'c:' -exec rm -f {} +
  case "$1" in
    test)
      local td=$build/testdrives
      mkdir -p "$td"/{m,n,o,p,q,r} "$build/tbin"
      rm -rf "$td/missing"
      for l in m n o p q r; do link_drive $l "$td/$l"; done
      link_drive s "$td/missing"          # a letter whose folder is gone: not ready
      mkdir -p "$td/p/linkloop" && ln -sfn .. "$td/p/linkloop/back"  # a link loop for the walks
      # Volume labels (read at server start) of a fixed, a network and a CD drive.
      printf 'LUGEON表ソ' >"$td/o/.windows-label"
      printf 'NETLABEL' >"$td/q/.windows-label"
      printf 'CDLABEL' >"$td/r/.windows-label"
      link_drive x "$build/tbin"
      # The marker that tells a test a drive is one of its own (a dot file is
      # hidden under Wine, so no listing sees it). C: is the prefix's own.
      for d in "$td"/{m,n,o,p,q,r} "$build/tbin" "$WINEPREFIX/drive_c"; do
        : >"$d/.lugeon-test-drive"
      done
      ;;
    run)
      link_drive d "$build/demo/d"
      link_drive x "$build/bin"
      ;;
    *) echo "usage: $0 up test|run" >&2; exit 2 ;;
  esac
}

up() {
  init
  "$server" -k 2>/dev/null || true
  drives "$1"
  # Start the server and Wine's helper processes detached, so that nothing
  # keeps a test runner's pipes open; -p120 lets them all exit when idle.
  "$server" -p120 </dev/null >/dev/null 2>&1
  "$wine" wineboot </dev/null >/dev/null 2>&1 || true
}

case "${1:-}" in
  init) init ;;
  up) up "${2:-test}" ;;
  down) "$server" -k 2>/dev/null || true ;;
  run) shift; need; exec "$wine" "$@" ;;
  *) echo "usage: $0 init | up test|run | down | run PROGRAM [ARGS]" >&2; exit 2 ;;
esac
