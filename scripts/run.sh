#!/usr/bin/env bash
# Sets the machine up, builds, starts the portal and runs the widget against it.
#   scripts/run.sh [--live | --demo] [widget arguments]
# The portal serves real weather from Open-Meteo when it answers within a few seconds,
# else generated demo weather; --live and --demo choose without asking.
# NIMBULUX_PROVIDER_URL replaces Open-Meteo's addresses (a test double, a mirror).
# With no display, the widget runs headless for one refresh and writes a snapshot.
set -euo pipefail
cd "$(dirname "$0")/.."

source_mode=auto
widget_args=()
for arg in "$@"; do
  case "$arg" in
    --live) source_mode=live ;;
    --demo) source_mode=demo ;;
    *) widget_args+=("$arg") ;;
  esac
done

scripts/setup.sh
scripts/build.sh >/dev/null

provider="${NIMBULUX_PROVIDER_URL:-}"
if [ "$source_mode" = auto ]; then
  probe="${provider:-https://api.open-meteo.com}/v1/forecast?latitude=39.90&longitude=116.41&current=temperature_2m"
  if curl -fsS -m 4 -o /dev/null -A "nimbulux-run-script" "$probe" 2>/dev/null; then
    source_mode=live
  else
    source_mode=demo
  fi
fi
portal_args=(--source "$source_mode")
run_folders=""
if [ -n "$provider" ]; then
  # Another provider's replies and places stay out of the installed service's folders.
  run_folders="$(mktemp -d)"
  portal_args+=(--provider-url "$provider" --cache-dir "$run_folders/cache" --data-dir "$run_folders/data")
fi
if [ "$source_mode" = live ]; then
  echo "Weather: live, from Open-Meteo.com (data licensed CC BY 4.0); scripts/run.sh --demo for demo weather"
else
  echo "Weather: demo (generated, not real); scripts/run.sh --live for real weather from Open-Meteo"
fi

port="${NIMBULUX_DEMO_PORT:-8086}"
build/tools/portal/nimbulux-portal "${portal_args[@]}" --port "$port" --quiet \
  >/tmp/nimbulux-portal.log 2>&1 &
portal_pid=$!
trap 'kill $portal_pid 2>/dev/null || true; if [ -n "$run_folders" ]; then rm -rf "$run_folders"; fi' EXIT
# Wait until the portal answers (at most about 5 s).
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
export NIMBULUX_PORTAL="http://127.0.0.1:$port"
export NIMBULUX_SEARCH="http://127.0.0.1:$port"

if [ ! -x build/src/app/nimbulux ]; then
  echo "The widget program is not built yet; the portal answers at $NIMBULUX_PORTAL:"
  curl -s "$NIMBULUX_PORTAL/data/sk/101010100.html" || true
  echo
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  snapshot="${NIMBULUX_SNAPSHOT:-/tmp/nimbulux-snapshot.png}"
  demo=$(mktemp -d)
  cp build/src/app/nimbulux "$demo/nimbulux"
  printf '[SYSTEM]\r\nLocalID=101010100\r\n' >"$demo/nimbulux.ini"
  # A session without a display often has no runtime folder either; Qt wants one that
  # only its user can enter.
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    export XDG_RUNTIME_DIR="$demo/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
  fi
  QT_QPA_PLATFORM=offscreen NIMBULUX_SNAPSHOT="$snapshot" "$demo/nimbulux" autoexit=3
  echo "No display: ran headless for one refresh; snapshot written to $snapshot"
  exit 0
fi
# Not exec: the portal is stopped when the widget ends.
build/src/app/nimbulux ${widget_args[@]+"${widget_args[@]}"}
