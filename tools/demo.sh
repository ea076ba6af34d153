#!/usr/bin/env bash
# Demonstration: installs what a fresh Debian 12 machine lacks, builds the tool,
# then lets it fetch the data of a simulated logger on a pseudo-terminal, as a
# parent program at a station would: start the tool, name the device, wait.
#
#   tools/demo.sh             install the build's packages, build, run the demo
#   tools/demo.sh --bin DIR   run the demo with the programs in DIR (e.g. /usr/bin
#                             after installing the .deb); nothing is built
# Exit status 0 when the tool fetched the logger's files and the logger deleted them.
set -euo pipefail

bin=""
case "$#:${1:-}" in
  0:) ;;
  2:--bin) bin=$2 ;;
  *)
    echo "usage: $0 [--bin DIR]" >&2
    exit 2
    ;;
esac

if [ -z "$bin" ]; then
  cd "$(dirname "$0")/.."
  if [ "${TIDEHAUL_SKIP_INSTALL:-0}" != 1 ] && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends build-essential cmake g++ qt6-base-dev libgl-dev \
      libgtest-dev libgmock-dev googletest libbenchmark-dev nlohmann-json3-dev fonts-dejavu-core >/dev/null
  fi
  cmake -S . -B build >/dev/null
  cmake --build build -j2 --target tidehaul tidehaul-send tidehaul-settings tidehaul-logger-sim
  bin=$PWD/build/bin
fi
for program in tidehaul tidehaul-send tidehaul-settings tidehaul-logger-sim; do
  if [ ! -x "$bin/$program" ]; then
    echo "demo: no program $bin/$program" >&2
    exit 1
  fi
done

demo=$(mktemp -d /tmp/tidehaul-demo.XXXXXX)
mkdir "$demo/data"
# The tool keeps Setting.dat and LogFile.Log beside its executable: a station
# gets its own copy of the program.
cp "$bin/tidehaul" "$demo/"
"$bin/tidehaul-settings" set "$demo/Setting.dat" 3 \
  "DeviceSet.DeviceName=Demo station" DeviceSet.LogID=01 PortSet.COMPORT=3 \
  PortSet.Baudrate=115200 ModemSet.ModemType=Direct "SaveFileSet.SavePath=$demo/data" \
  SaveFileSet.FileName1=CR000 SaveFileSet.FileName2=CR001 >/dev/null

"$bin/tidehaul-logger-sim" --link "$demo/COM3" --generate 20 --long-year \
  --state "$demo/logger.json" --transcript "$demo/logger.log" \
  --exit-after-hangup --timeout 180 >"$demo/sim.out" &
sim=$!
for _ in $(seq 100); do grep -q '^READY' "$demo/sim.out" 2>/dev/null && break; sleep 0.1; done

# The logger's files, one path a line, from its state file.
files_left() {
  grep -o '"path": *"[^"]*"' "$demo/logger.json" | sed 's/"path": *"//; s/"$//; s/\\\\/\\/g' || true
}

echo "Demo folder: $demo"
echo "Logger holds:"
files_left | sed 's/^/  /'

start=$(date +%s)
"$demo/tidehaul" 2>"$demo/tidehaul.err" &
tool=$!
"$bin/tidehaul-send" --pid "$tool" --wait 10 3
wait "$tool"
echo "The tool ended after $(($(date +%s) - start)) s."
kill "$sim" 2>/dev/null || true
wait "$sim" 2>/dev/null || true

echo "Lines in $demo/data/CR000.TXT:"
if [ -f "$demo/data/CR000.TXT" ]; then sed 's/\r$//; s/^/  /' "$demo/data/CR000.TXT"; else echo "  (none)"; fi
echo "Logger files left: $(files_left | wc -l)"
if [ -f "$demo/LogFile.Log" ]; then
  echo "Event log:"
  cat "$demo/LogFile.Log"
fi

left=$(files_left | wc -l)
if [ ! -s "$demo/data/CR000.TXT" ] || [ "$left" != 0 ]; then
  echo "demo: the fetch did not complete" >&2
  exit 1
fi
