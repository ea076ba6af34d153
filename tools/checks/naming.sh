#!/usr/bin/env bash
# Names say what the code does, in one convention: clang-tidy's
# identifier-naming check (as .clang-tidy configures it) over the project's
# own sources, tests and tools excepted, against a build's compile commands.
#
#   tools/checks/naming.sh BUILD_DIR [JOBS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:?usage: tools/checks/naming.sh BUILD_DIR [JOBS]}
jobs=${2:-2}
[[ -f "$build/compile_commands.json" ]] || {
  echo "no compile_commands.json in $build" >&2
  exit 2
}
tidy=$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)
[[ -n "$tidy" ]] || {
  echo "run-clang-tidy not found (Debian: clang-tidy)" >&2
  exit 2
}
# The layers and the tool's programs; per-system folders the build does not
# compile are not in its compile commands and are left out by themselves.
files="^$(pwd)/(platform|serial|link|protocol|download|app|ui|tools/[a-z-]+)/[^/]*(/[^/]*)?\\.cpp\$"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$tidy" -quiet -p "$build" -j "$jobs" -checks='-*,readability-identifier-naming' \
  "$files" >"$out" 2>/dev/null || true
if grep -q 'readability-identifier-naming' "$out"; then
  grep -A2 'readability-identifier-naming' "$out"
  echo "naming: $(grep -c 'readability-identifier-naming' "$out") names out of the convention"
  exit 1
fi
echo "naming: no name out of the convention"
