#!/usr/bin/env bash
# Configures and builds into a build folder.
#   scripts/build.sh [--sanitize] [--dir DIR] [extra cmake -D options]
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
type=RelWithDebInfo
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) dir=build-asan; extra+=(-DNIMBULUX_SANITIZE=ON -DNIMBULUX_BUILD_BENCH=OFF); type=Debug ;;
    --dir) dir="$2"; shift ;;
    *) extra+=("$1") ;;
  esac
  shift
done

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${extra[@]}" >/dev/null
elif [ ${#extra[@]} -gt 0 ]; then
  cmake -S . -B "$dir" "${extra[@]}" >/dev/null
fi
cmake --build "$dir" -- -j"$(nproc)"
