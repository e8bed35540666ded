#!/usr/bin/env bash
# The package command: installs what is missing, builds, and writes the release
# for Windows users, build/dist/LugeonTransfer-<version>-win64.zip and its
# .sha256 (or under $BUILD_DIR). Prints the zip's path as its last line.
# The same commit gives the same bytes; see the README for the check.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash scripts/setup-debian.sh
# Made afresh: the zip carries the time of the last commit, which its other
# inputs do not show when a commit changed nothing of them.
rm -f "$BUILD_DIR"/dist/LugeonTransfer-*-win64.zip "$BUILD_DIR"/dist/LugeonTransfer-*-win64.zip.sha256
bash scripts/build.sh --target dist >&2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
zip=$(cd "$BUILD_DIR" && pwd)/dist/LugeonTransfer-$version-win64.zip
if [ -z "$version" ] || [ ! -f "$zip" ] || [ ! -f "$zip.sha256" ]; then
  echo "The package was not made (is python3 installed?)" >&2
  exit 1
fi
cat "$zip.sha256" >&2
echo "$zip"
