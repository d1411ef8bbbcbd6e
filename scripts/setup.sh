#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when everything is
# present it only asks dpkg, so it costs well under a second.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-image-formats-plugins libqt6svg6
  libcurl4-openssl-dev libcpp-httplib-dev nlohmann-json3-dev libgif-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  fonts-noto-cjk fonts-liberation2
  xvfb xdotool imagemagick trayer x11-utils openbox xcompmgr xauth
  xdg-utils wrk
  faketime libxcb1-dev libsm-dev libice-dev dbus-daemon
  liberfa-dev
  dpkg-dev lintian desktop-file-utils appstream systemd man-db
  heaptrack valgrind
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
