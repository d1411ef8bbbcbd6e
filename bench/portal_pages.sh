#!/usr/bin/env bash
# Requests per second of the portal's forecast page, demo and live (the live source
# against a stand-in for Open-Meteo on loopback), with the Accept-Encoding header Qt
# Network sends and without any: what compression costs each reply.
#   bench/portal_pages.sh [BUILD_DIR] [SECONDS]
# Needs wrk (scripts/setup.sh installs it). Prints one line per case.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
seconds="${2:-10}"
portal="$build/tools/portal/nimbulux-portal"
qt_header="Accept-Encoding: zstd, br, gzip, deflate"
city=101010100

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# start NAME ARGS...: starts a portal on a free port and sets $port once it listens.
start() {
  local name="$1"
  shift
  : >"$work/$name.out"
  "$portal" --port 0 --quiet "$@" >>"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
  for _ in $(seq 100); do
    port="$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$work/$name.out")"
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "the $name portal did not start:" >&2
  cat "$work/$name.err" >&2
  exit 1
}

# The stand-in provider: a demo portal serving a recorded forecast reply as a fixture.
mkdir -p "$work/provider/v1"
cp tests/data/open_meteo/forecast_day.json "$work/provider/v1/forecast"
echo "application/json" >"$work/provider/v1/forecast.content-type"
start provider --fixtures "$work/provider"
provider_port="$port"

start demo --date 2026-12-07 --hour 10
demo_port="$port"
start live --source live --provider-url "http://127.0.0.1:$provider_port" \
  --cache-dir "$work/live-cache" --data-dir "$work/live-data"
live_port="$port"

measure() {
  local label="$1" url="$2"
  shift 2
  curl -fsS -o /dev/null "$url"  # the live source fetches its reply once, here
  local bytes
  bytes="$(curl -fsS "$@" -o /dev/null -w '%{size_download}' "$url")"
  local rate
  rate="$(wrk -t2 -c8 -d"${seconds}s" "$@" "$url" | sed -n 's/^Requests\/sec: *//p')"
  printf '%-34s %10s requests/s  %7s bytes a reply\n' "$label" "$rate" "$bytes"
}

for source in demo live; do
  port_var="${source}_port"
  url="http://127.0.0.1:${!port_var}/html/weather/$city.shtml"
  measure "$source, Qt's Accept-Encoding" "$url" -H "$qt_header"
  measure "$source, no Accept-Encoding" "$url"
done
