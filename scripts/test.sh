#!/usr/bin/env bash
# Sets up, checks the formatting, builds (warnings are errors) and runs every test: once
# in the release build, once under AddressSanitizer + UndefinedBehaviorSanitizer; in CI
# (CI=true) also every fuzz target for a minute.
#   scripts/test.sh            both builds (and the fuzz targets when CI=true)
#   scripts/test.sh --quick    the release build only
#   scripts/test.sh --fuzz     also the fuzz targets, 60 seconds each (clang build)
set -euo pipefail
cd "$(dirname "$0")/.."

quick=false
fuzz=false
[ "${CI:-}" = true ] && fuzz=true
for arg in "$@"; do
  case "$arg" in
    --quick) quick=true ;;
    --fuzz) fuzz=true ;;
    *) echo "usage: scripts/test.sh [--quick] [--fuzz]" >&2; exit 2 ;;
  esac
done

if $fuzz; then scripts/setup.sh --fuzz; else scripts/setup.sh; fi
jobs=$(nproc)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Compiler results are cached by path relative to the checkout, so a fresh clone in
# another folder (as CI makes) reuses what an earlier build compiled.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

scripts/format.sh

passed=0
run_suite() {  # preset
  cmake --preset "$1" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build --preset "$1" -j"$jobs"
  if ! ctest --preset "$1" -j"$jobs" | tee "$work/ctest-$1.log"; then
    # A failing test's output is long; its failures are repeated here, where the log ends.
    echo "=== what failed ($1) ==="
    grep -E -B2 -A4 '^FAIL!|\[  FAILED  \]|: Failure$|^FAIL:|^not ok' "$work/ctest-$1.log" | head -100 || true
    exit 1
  fi
  passed=$((passed + $(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$work/ctest-$1.log")))
}

run_suite release
if ! $quick; then
  run_suite asan
fi
if $fuzz; then
  JOBS=$jobs fuzz/run.sh all 60
fi
echo "tests: $passed passed, 0 failed"
