#!/usr/bin/env bash
# Builds every fuzz target with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each for SECONDS and prints one line per
# target: "NAME: N execs, F findings". Exits non-zero on any finding (its input
# is kept under the build folder's findings/NAME/) or when a target cannot run.
#
#   bash tools/fuzz/run.sh SECONDS [NAME...]
#
# Needs clang-16, libfuzzer-16-dev and libclang-rt-16-dev (Debian 12). The
# build folder is build-fuzz beside the sources (FUZZ_BUILD_DIR to change it);
# inputs that found new paths are kept in its corpus/NAME/ for the next run.
set -euo pipefail

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [NAME...]" >&2
  exit 2
fi
seconds=$1
shift

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$source_dir/build-fuzz}
all_targets=(settings_file receive_path terminal_replies control_frame copy_data
             data_file_writer settings_set logger_commands job_records)
if [[ $# -gt 0 ]]; then
  targets=("$@")
else
  targets=("${all_targets[@]}")
fi

mkdir -p "$build"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# -O2 with the assertions kept: findings should trip them.
cmake -S "$source_dir" -B "$build" \
  -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16 "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O2 -g" \
  -DTIDEHAUL_FUZZ=ON -DTIDEHAUL_SANITIZE=fuzzer-no-link,address,undefined \
  -DTIDEHAUL_WITH_QT=OFF -DTIDEHAUL_TESTS=OFF -DTIDEHAUL_BENCHMARKS=OFF >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j"${FUZZ_JOBS:-2}" --target "${targets[@]/#/fuzz_}" >"$build/build.log" 2>&1 ||
  { tail -50 "$build/build.log" >&2; exit 1; }

failed=0
for name in "${targets[@]}"; do
  corpus=$build/corpus/$name
  findings=$build/findings/$name
  log=$build/logs/$name.log
  mkdir -p "$corpus" "$findings" "$build/logs"
  # Slow units are reported, not counted: only crashes, leaks, timeouts and oracle failures.
  before=$(find "$findings" -type f ! -name "slow-unit-*" | wc -l)
  options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=20 -rss_limit_mb=2048
           -artifact_prefix="$findings/")
  if [[ -f $here/dict/$name.dict ]]; then
    options+=(-dict="$here/dict/$name.dict")
  fi
  seeds=()
  if [[ -d $here/corpus/$name ]]; then
    seeds=("$here/corpus/$name")
  fi
  # Long enough for lines over the panel limit and the writer's hold limits.
  case $name in
    receive_path | data_file_writer) options+=(-max_len=12000) ;;
  esac
  status=0
  "$build/bin/fuzz_$name" "${options[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(($(find "$findings" -type f ! -name "slow-unit-*" | wc -l) - before))
  if [[ $status -ne 0 && $found -eq 0 ]]; then
    found=1  # it ended abnormally without leaving an input
  fi
  echo "$name: ${execs:-0} execs, $found findings"
  if [[ $found -ne 0 ]]; then
    failed=1
    echo "  log: $log; inputs: $findings" >&2
    grep -m5 -E "ERROR|oracle:|runtime error|SUMMARY" "$log" | sed 's/^/  /' >&2 || true
  fi
done
exit $failed
