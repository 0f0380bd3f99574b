#!/bin/bash
# Unpacks the release zip into a fresh folder and starts the program from there, its first run writing
# config.ini (end-to-end test Package.*). Runs inside the test's headless Wine session.
set -u
zip=$1 e2e=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/umbraline-package.XXXXXX")
trap 'rm -rf "$dir"' EXIT
(cd "$dir" && cmake -E tar xf "$zip") || { echo "cannot unpack $zip"; exit 1; }
exe=$(find "$dir" -name umbraline.exe | head -1)
[ -n "$exe" ] || { echo "no umbraline.exe in $zip"; exit 1; }
for f in README.txt LICENSE.txt; do
  [ -f "$(dirname "$exe")/$f" ] || { echo "no $f in $zip"; exit 1; }
done
UMBRALINE_PACKAGED_EXE="Z:$(echo "$exe" | tr / '\\')" \
  "${WINE:-/usr/lib/wine/wine64}" "$e2e" --gtest_filter='Package.*' --gtest_color=no
