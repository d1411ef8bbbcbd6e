#!/usr/bin/env bash
# Sets the machine up, builds and runs the whole test suite through CTest.
#   scripts/test.sh              the normal build (build/)
#   scripts/test.sh --sanitize   the AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
dir=build
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  scripts/build.sh --sanitize
else
  scripts/build.sh
fi
export LANG=C.UTF-8
cd "$dir"
ctest --output-on-failure -j"$(nproc)" --timeout 600 -LE slow
