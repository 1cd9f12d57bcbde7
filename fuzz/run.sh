#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`), makes their seed corpora with the recording
# generator, and runs each target for a given time, one after the other.
#   fuzz/run.sh all 60              every target for 60 seconds
#   fuzz/run.sh fuzz_jpeg 600       one target for ten minutes
# Prints the executions each run counted. Exits non-zero when a target crashed (or
# leaked, or hung); the input that did it is kept in build-fuzz/crashes/, the log
# beside the target in build-fuzz/fuzz/<target>.log. The corpora grow from run to run
# in build-fuzz/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(fuzz_scanner fuzz_frameinfo fuzz_jpeg fuzz_avi)
usage() { echo "usage: fuzz/run.sh all|${targets[*]// /|} SECONDS" >&2; exit 2; }
[ $# -eq 2 ] || usage
[[ "$2" =~ ^[1-9][0-9]*$ ]] || usage
seconds=$2
if [ "$1" = all ]; then
  chosen=("${targets[@]}")
else
  [[ " ${targets[*]} " == *" $1 "* ]] || usage
  chosen=("$1")
fi

build=build-fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${JOBS:-$(nproc)}"
corpus=$build/fuzz/corpus
"$build/fuzz/make_seeds" "$corpus"
mkdir -p "$build/crashes"

# Input limits: a scanner input is spread over files of up to 4 MB by its first two
# bytes; a frame-information input is 51 bytes; JPEG and AVI inputs hold small frames.
declare -A max_len=([fuzz_scanner]=8192 [fuzz_frameinfo]=64 [fuzz_jpeg]=16384 [fuzz_avi]=16384)
declare -A dict=([fuzz_scanner]=markers.dict [fuzz_frameinfo]=frameinfo.dict [fuzz_jpeg]=markers.dict
                 [fuzz_avi]=markers.dict)

# allocator_may_return_null: the surface is allocated with new (nothrow), which answers
# nullptr rather than aborting, as the plain build does.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen

status=0
for t in "${chosen[@]}"; do
  log=$build/fuzz/$t.log
  set +e
  "$build/fuzz/$t" "$corpus/$t" -max_total_time="$seconds" -print_final_stats=1 -max_len="${max_len[$t]}" \
    -timeout=30 -rss_limit_mb=2048 -dict="fuzz/${dict[$t]}" -artifact_prefix="$build/crashes/$t-" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$rc" -eq 0 ]; then
    printf '%-15s %12s executions in %s s, nothing found\n' "$t" "${execs:-?}" "$seconds"
  else
    printf '%-15s %12s executions, FAILED (exit %d), log %s\n' "$t" "${execs:-?}" "$rc" "$log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz_[a-z]+:|.*runtime error|artifact_prefix|Test unit written)' "$log" | head -n 20 || true
    status=1
  fi
done
exit $status
