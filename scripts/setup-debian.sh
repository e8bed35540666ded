#!/usr/bin/env bash
# Installs what the build, the program and the tests need on Debian 12.
# Does nothing when everything is there already.
set -euo pipefail

packages=(g++-mingw-w64-x86-64 cmake make googletest wine64 xvfb xauth imagemagick python3
          fonts-ipafont-gothic fonts-wine locales)
# Node and npm run the workflow lint. A Node that came otherwise (NodeSource's
# nodejs, which brings its own npm and conflicts with Debian's) is kept as it is.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  packages+=(nodejs npm)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
    echo "Please install as root: apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi

# Wine takes code page 932 from a generated ja_JP.UTF-8 locale only.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Please generate the ja_JP.UTF-8 locale as root (locale-gen)" >&2
    exit 1
  fi
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
