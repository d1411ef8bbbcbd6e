#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it. The program's layers,
# lowest first: core; net; weather and tray; settings and widget; app. The portal's: pages;
# demo and live; server.
#   tests/check_layers.sh [SOURCE_ROOT]
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

declare -A allowed=(
  [src/core]="core"
  [src/net]="core net"
  [src/weather]="core net weather"
  [src/tray]="core net tray"
  [src/settings]="core net weather tray settings"
  [src/widget]="core net weather tray widget"
  [src/app]="core net weather tray settings widget app"
  [tools/portal/pages]="pages"
  [tools/portal/demo]="pages demo"
  [tools/portal/live]="pages live"
  [tools/portal/server]="pages demo live server"
)

status=0
for folder in "${!allowed[@]}"; do
  layer="${folder##*/}"
  while IFS=: read -r file line include; do
    target="${include#*\"}"
    target="${target%%/*}"
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file:$line: $layer may not include $target ($include)"
      status=1
    fi
  done < <(grep -rnE '^#include "[a-z_]+/' "$root/$folder" || true)
done
exit $status
