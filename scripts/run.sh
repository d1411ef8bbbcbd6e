#!/usr/bin/env bash
# Sets the machine up, builds, starts the demo portal and runs the widget against it.
# With no display, the widget runs headless for one refresh and writes a snapshot.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh >/dev/null

port="${NIMBULUX_DEMO_PORT:-8086}"
build/tools/portal/nimbulux-portal --port "$port" --quiet >/tmp/nimbulux-portal.log 2>&1 &
portal_pid=$!
trap 'kill $portal_pid 2>/dev/null || true' EXIT
# Wait until the portal answers (at most about 5 s).
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
export NIMBULUX_PORTAL="http://127.0.0.1:$port"
export NIMBULUX_SEARCH="http://127.0.0.1:$port"

if [ ! -x build/src/app/nimbulux ]; then
  echo "The widget program is not built yet; the demo portal answers at $NIMBULUX_PORTAL:"
  curl -s "$NIMBULUX_PORTAL/data/sk/101010100.html" || true
  echo
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  snapshot="${NIMBULUX_SNAPSHOT:-/tmp/nimbulux-snapshot.png}"
  demo=$(mktemp -d)
  cp build/src/app/nimbulux "$demo/nimbulux"
  printf '[SYSTEM]\r\nLocalID=101010100\r\n' >"$demo/nimbulux.ini"
  QT_QPA_PLATFORM=offscreen NIMBULUX_SNAPSHOT="$snapshot" "$demo/nimbulux" autoexit=3
  echo "No display: ran headless for one refresh; snapshot written to $snapshot"
  exit 0
fi
# Not exec: the portal is stopped when the widget ends.
build/src/app/nimbulux "$@"
