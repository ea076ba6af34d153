#!/usr/bin/env bash
# Runs the tests of a Windows build under Wine:
#   bash tools/wine-tests.sh [BUILD_DIR] [ctest options...]
# or, in the same session instead of the tests, one command (a benchmark, or
# the whole jobs with the CPU figures they print):
#   bash tools/wine-tests.sh BUILD_DIR --run COMMAND [ARGS...]
# A virtual display comes first (a Wine started without one cannot make
# windows later in its session), then a fresh prefix under the build folder
# and one wine server for the whole run, ended at the end. After the Windows
# build's own tests come the whole jobs under Wine (ctest label wine), whose
# harness is part of the Linux build in TIDEHAUL_HOST_BUILD (default: the
# folder build beside BUILD_DIR); they need its tidehaul, simulator and
# settings tool.
set -euo pipefail
build=$(realpath "${1:-build-win}")
shift || true

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
display=${TIDEHAUL_WINE_DISPLAY:-:57}
export DISPLAY=$display
# A resource database, as a desktop session has one: without any, Xlib reads
# ~/.Xdefaults again for every pixmap Wine makes (through Xcursor), which
# would count in the CPU figures of the whole jobs.
mkdir -p "$build"
printf 'Xcursor.theme: default\n' >"$build/Xresources"
export XENVIRONMENT="$build/Xresources"

Xvfb "$display" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  # A server that outlived its kill would be a second one for the next run's
  # prefix, in the CPU figures of its whole jobs.
  if [ -n "${server:-}" ]; then
    kill "$server" 2>/dev/null || true
  fi
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
# Wine program then starts in a fraction of a second. In the foreground, so
# that it is no session leader: one would take the first pseudo-terminal it
# opens as a COM port as its controlling terminal, and its hang-up later.
# TIDEHAUL_WINESERVER_TRACE=FILE: the server logs every request to FILE, each
# line led by the time in seconds, for tools/wine-server-calls.sh.
if [ -n "${TIDEHAUL_WINESERVER_TRACE:-}" ]; then
  wineserver -f -p -d1 2> >(perl -MTime::HiRes -ne \
    '$|=1; printf "%.3f %s", Time::HiRes::time(), $_' >"$TIDEHAUL_WINESERVER_TRACE") &
else
  wineserver -f -p &
fi
server=$!
# The harness reads the server's CPU; a stray server of the same prefix must not count.
export TIDEHAUL_WINESERVER_PID=$server
for _ in $(seq 100); do
  [ -S "/proc/$server/cwd/socket" ] && break
  sleep 0.1
done
wineboot -i >/dev/null 2>&1
# A window open for the whole run keeps Wine's desktop process alive: started
# again for each program, it holds that program's first window for ~10 s.
keeper="$build/bin/wine_desktop_keeper.exe"
if [ -e "$keeper" ]; then
  coproc KEEPER { wine "$keeper"; }
  ready=
  read -r -t 60 ready <&"${KEEPER[0]}" || true
  [ "${ready%$'\r'}" = READY ] || echo "wine-tests: the desktop keeper did not start" >&2
fi
if [ "${1:-}" = "--run" ]; then
  shift
  "$@"
  exit
fi
ctest --test-dir "$build" --output-on-failure "$@"

host=$(realpath "${TIDEHAUL_HOST_BUILD:-$(dirname "$build")/build}")
if [ ! -e "$host/bin/e2e_wine_tests" ]; then
  echo "wine-tests: no whole-job tests: build the Linux build in $host first" >&2
  exit 1
fi
TIDEHAUL_WIN_BIN="$build/bin" ctest --test-dir "$host" -L wine --output-on-failure
