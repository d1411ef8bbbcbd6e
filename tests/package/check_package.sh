#!/usr/bin/env bash
# Builds the Debian package from a build folder, checks it with the distribution's tools,
# unpacks it into a fresh root and runs the installed widget once, offscreen, against the
# installed portal.
#   tests/package/check_package.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
portal_pid=""
cleanup() {
  [ -n "$portal_pid" ] && kill "$portal_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cd "$build"
rm -f nimbulux_*.deb
cpack -G DEB >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb="$(ls "$build"/nimbulux_*.deb)"
echo "package: $deb"

# Errors and warnings fail; lintian's informational tags are left to the note.
lintian_status=0
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
[ "$lintian_status" = 0 ]

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/nimbulux.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

# The unit, with the program where the fresh root has it (systemd looks plain names up
# in its own fixed path, not in PATH).
unit="$work/nimbulux-portal.service"
sed "s|^ExecStart=nimbulux-portal|ExecStart=$root/usr/bin/nimbulux-portal|" \
  "$root/usr/lib/systemd/user/nimbulux-portal.service" >"$unit"
mkdir -m 700 "$work/runtime"
MANPATH="$root/usr/share/man" XDG_RUNTIME_DIR="$work/runtime" systemd-analyze verify --user "$unit"

for program in "$root"/usr/bin/*; do
  if ldd "$program" | grep -q "not found"; then
    ldd "$program"
    echo "unresolved libraries in $program" >&2
    exit 1
  fi
done

# The installed programs, once.
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
"$root/usr/bin/nimbulux-portal" --port 0 --quiet >"$work/portal.out" 2>"$work/portal.err" &
portal_pid=$!
for _ in $(seq 100); do
  grep -q '^PORT ' "$work/portal.out" 2>/dev/null && break
  sleep 0.05
done
port="$(sed -n 's/^PORT //p' "$work/portal.out")"
[ -n "$port" ] || { cat "$work/portal.err"; echo "the installed portal did not start" >&2; exit 1; }

dump="$work/dump.json"
QT_QPA_PLATFORM=offscreen NIMBULUX_PORTAL="http://127.0.0.1:$port" \
  NIMBULUX_SEARCH="http://127.0.0.1:$port" NIMBULUX_STATE_DUMP="$dump" \
  no_proxy='*' http_proxy='' https_proxy='' \
  timeout 60 "$root/usr/bin/nimbulux" local=101010100 autoexit=2
grep -q '"city": "101010100"' "$dump"
grep -q '"NowTemperature": "-\{0,1\}[0-9]' "$dump" || { cat "$dump"; echo "no temperature" >&2; exit 1; }
echo "the installed widget showed the installed portal's weather"
