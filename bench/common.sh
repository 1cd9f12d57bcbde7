# Sourced by the benchmark scripts that run beside bench/run.sh: reads [--quick] [BUILD] from
# the script's arguments and sets REPS (default $1, 3 with --quick), ROOT, BUILD, DATA and OUT;
# the tools named after the default must be installed.
#   source bench/common.sh DEFAULT_REPS TOOL... -- "$@"
bench_setup() {
  REPS=$1
  shift
  local tools=()
  while [[ $# -gt 0 && $1 != -- ]]; do tools+=("$1"); shift; done
  shift
  if [[ ${1:-} == --quick ]]; then REPS=3; shift; fi
  ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  BUILD=$(cd "${1:-$ROOT/build}" && pwd)
  DATA="$BUILD/bench-data"
  OUT="$BUILD/bench-results"
  mkdir -p "$DATA" "$OUT"
  for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "$(basename "$0"): $tool is needed" >&2; exit 1; }
  done
}
