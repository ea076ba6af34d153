#!/usr/bin/env bash
# Every C++ file of the project as clang-format (the repository's .clang-format)
# lays it out.
#
#   tools/checks/format.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
format=$(command -v clang-format || command -v clang-format-14 || true)
[[ -n "$format" ]] || {
  echo "clang-format not found (Debian: clang-format)" >&2
  exit 2
}
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 "$format" --dry-run -Werror; then
  echo "format: files above differ from clang-format's layout (clang-format -i FILE)"
  exit 1
fi
echo "format: every file as clang-format lays it out"
