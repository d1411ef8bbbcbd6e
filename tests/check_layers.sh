#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it. The layers, lowest
# first: core; net; weather and tray; settings and widget; app.
#   tests/check_layers.sh [SOURCE_ROOT]
set -euo pipefail
src="${1:-$(cd "$(dirname "$0")/.." && pwd)}/src"

declare -A allowed=(
  [core]="core"
  [net]="core net"
  [weather]="core net weather"
  [tray]="core net tray"
  [settings]="core net weather tray settings"
  [widget]="core net weather tray widget"
  [app]="core net weather tray settings widget app"
)

status=0
for folder in "${!allowed[@]}"; do
  while IFS=: read -r file line include; do
    target="${include#*\"}"
    target="${target%%/*}"
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file:$line: $folder may not include $target ($include)"
      status=1
    fi
  done < <(grep -rnE '^#include "[a-z_]+/' "$src/$folder" || true)
done
exit $status
