#!/usr/bin/env bash
# Sets up, builds and runs every test: once in the release build, once under
# AddressSanitizer + UndefinedBehaviorSanitizer.
#   scripts/test.sh            both builds
#   scripts/test.sh --quick    the release build only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

run_suite() {  # preset
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
  ctest --preset "$1" -j"$jobs"
}

run_suite release
if [ "${1:-}" != "--quick" ]; then
  run_suite asan
fi
