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
#
# Every process of the session runs with the modem-line shim of that Linux
# build (lib/libtidehaul-modem-lines.so, tools/wine-shim/) loaded: the test
# pseudo-terminals whose far end asks for them get modem lines, so Wine runs
# the pending wait and DTR/RTS as Windows does. The tests fail when the shim
# answered no call (a change of Wine or of the loader would turn it off).
set -euo pipefail
build=$(realpath "${1:-build-win}")
shift || true
host=$(realpath "${TIDEHAUL_HOST_BUILD:-$(dirname "$build")/build}")
shim="$host/lib/libtidehaul-modem-lines.so"
if [ ! -e "$shim" ]; then
  echo "wine-tests: no modem-line shim: build the Linux build in $host first" >&2
  exit 1
fi

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A resource database, as a desktop session has one: without any, Xlib reads
# ~/.Xdefaults again for every pixmap Wine makes (through Xcursor), which
# would count in the CPU figures of the whole jobs.
mkdir -p "$build"
printf 'Xcursor.theme: default\n' >"$build/Xresources"
export XENVIRONMENT="$build/Xresources"

# A display number of its own: Xvfb picks the first free one and tells it,
# so that sessions of other builds on the machine cannot collide.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
display=
read -r -t 30 -u "$displayfd" display || true
exec {displayfd}<&-
if [ -z "$display" ]; then
  echo "wine-tests: the virtual display did not start" >&2
  kill "$xvfb" 2>/dev/null || true
  exit 1
fi
export DISPLAY=":$display"
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

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# The shim's state files and the count of the calls it answered, and the shim
# itself, before the first Wine process so that all of them inherit it.
export TIDEHAUL_MODEM_LINES="$build/modem-lines"
rm -rf "$TIDEHAUL_MODEM_LINES"
mkdir -p "$TIDEHAUL_MODEM_LINES"
head -c 4 /dev/zero >"$TIDEHAUL_MODEM_LINES/answered"
export LD_PRELOAD="$shim${LD_PRELOAD:+:$LD_PRELOAD}"
answered() {
  od -An -tu4 "$TIDEHAUL_MODEM_LINES/answered" | tr -d ' '
}
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
  status=0
  "$@" || status=$?
  echo "wine-tests: the modem-line shim answered $(answered) calls" >&2
  exit "$status"
fi
ctest --test-dir "$build" --output-on-failure "$@"
if [ "$(answered)" = 0 ]; then
  echo "wine-tests: the modem-line shim answered no call: Wine ran without modem lines" >&2
  exit 1
fi

if [ ! -e "$host/bin/e2e_wine_tests" ]; then
  echo "wine-tests: no whole-job tests: build the Linux build in $host first" >&2
  exit 1
fi
TIDEHAUL_WIN_BIN="$build/bin" ctest --test-dir "$host" -L wine --output-on-failure
