#!/usr/bin/env bash
# Fails when an include runs up a layer. The layers, lowest first: platform,
# serial, link and protocol (protocol builds on link, never the other way),
# download, app; ui beside app, on platform only. The program's entry
# (app/main.cpp, app/<system>/main.cpp) composes the tool and may include
# everything. Tools and tests are not checked.
#
#   tools/checks/layers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"

declare -A allowed=(
  [platform]="platform"
  [serial]="platform serial"
  [link]="platform link"
  [protocol]="platform link protocol"
  [download]="platform link protocol download"
  [ui]="platform ui"
  [app]="platform link protocol download app"
)

status=0
checked=0
for layer in "${!allowed[@]}"; do
  while IFS= read -r -d '' file; do
    case "$file" in
      app/main.cpp | app/*/main.cpp) continue ;;
    esac
    checked=$((checked + 1))
    while IFS= read -r included; do
      top=${included%%/*}
      # Only the project's own folders are layers; system and library
      # headers have no folder of ours in front.
      [[ -d "$top" && "$included" == */* ]] || continue
      if [[ " ${allowed[$layer]} " != *" $top "* ]]; then
        echo "$file includes \"$included\": $layer may include only ${allowed[$layer]}"
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done < <(find "$layer" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

if ((checked == 0)); then
  echo "no sources found: run from the source folder or name it" >&2
  exit 2
fi
if ((status == 0)); then
  echo "layers: $checked files, no include runs up a layer"
fi
exit $status
