#!/usr/bin/env bash
# Runs the tests of a Windows build under Wine:
#   bash tools/wine-tests.sh [BUILD_DIR] [ctest options...]
# A virtual display comes first (a Wine started without one cannot make
# windows later in its session), then a fresh prefix under the build folder
# and one wine server for the whole run, ended at the end.
set -euo pipefail
build=$(realpath "${1:-build-win}")
shift || true

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
display=${TIDEHAUL_WINE_DISPLAY:-:57}
export DISPLAY=$display

Xvfb "$display" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# The persistent server first, so that wineboot and every test use it: each
# Wine program then starts in a fraction of a second.
wineserver -p
wineboot -i >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure "$@"
