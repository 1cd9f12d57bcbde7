#!/usr/bin/env bash
# check and verify beside their peers: check of one 1,000-frame recording against ffmpeg
# decoding it on one thread and against N bare TurboJPEG loops on the N cores; verify of a JPEG
# against a 1 GB recording, from the page cache.
#
#   bench/check.sh [--quick] [BUILD]     (bench/run.sh runs it too; BUILD defaults to build/)
#
# Recordings are those of bench/run.sh, in BUILD/bench-data, made when missing and reused.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bench_setup 7 hyperfine jq ffmpeg awk -- "$@"
if ! grep -qs '^VISTREL_BENCH:BOOL=ON' "$BUILD/CMakeCache.txt"; then
  cmake -S "$ROOT" -B "$BUILD" -DVISTREL_BENCH=ON >/dev/null
fi
cmake --build "$BUILD" -j2 --target vistrel-cli vistrel-mkrec vistrel_bench_cores >/dev/null
CLI="$BUILD/cli/vistrel-cli"
MKREC="$BUILD/tools/vistrel-mkrec"
CORES_PEER="$BUILD/bench/vistrel_bench_cores"
CORES=$(nproc)

make_rec() {  # file, generator options...
  local file="$DATA/$1"; shift
  [[ -s $file ]] || "$MKREC" "$file" "$@" >/dev/null
  echo "$file"
}
REC=$(make_rec avi-1000x640x480.mjp --frames 1000 --unique 64)
BIG=$(make_rec rss-1G.mjp --target-size 1G --unique 64)
warm() { dd if="$1" of=/dev/null bs=4M status=none; }

median() {  # name, file to warm, command... -> median wall time, s
  local name=$1 file=$2; shift 2
  hyperfine -N --style none --runs "$REPS" --prepare "dd if=$file of=/dev/null bs=4M status=none" \
    --export-json "$OUT/$name.json" "$*" >/dev/null 2>"$OUT/$name.log" || { cat "$OUT/$name.log" >&2; exit 1; }
  jq -r '.results[0].median' "$OUT/$name.json"
}

# What is timed does the whole work: the check finds the recording intact, ffmpeg decodes every frame.
warm "$REC"
[[ $("$CLI" check "$REC") == "$REC: intact, 1000 frames" ]] || { echo "check.sh: check did not find 1000 intact frames" >&2; exit 1; }
DECODED=$(ffmpeg -nostdin -loglevel error -nostats -threads 1 -f mjpeg -i "$REC" -f null - -progress pipe:1 |
  awk -F= '$1 == "frame" {n = $2} END {print n + 0}')
[[ $DECODED == 1000 ]] || { echo "check.sh: ffmpeg decoded $DECODED frames, not 1000" >&2; exit 1; }

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
CHECK_S=$(median check_1000 "$REC" "$CLI" check "$REC")
CHECK1_S=$(median check_1000_1job "$REC" "$CLI" check "$REC" --jobs 1)
FFMPEG_S=$(median check_ffmpeg_1thread "$REC" ffmpeg -nostdin -loglevel error -threads 1 -f mjpeg -i "$REC" -f null -)
read -r TJ_FRAMES TJ_S < <("$CORES_PEER" "$REC" "$CORES" "$REPS")
read -r TJ1_FRAMES TJ1_S < <("$CORES_PEER" "$REC" 1 "$REPS")

# A frame from the middle of 1 GB: verify walks every frame to say it equals exactly one.
FRAMES_BIG=$("$CLI" frames "$BIG" --no-decode | wc -l)
JPEG="$OUT/check-frame.jpg"
"$CLI" export-jpeg "$BIG" --frame $((FRAMES_BIG / 2)) -o "$JPEG" --force
"$CLI" verify "$JPEG" --against "$BIG" >/dev/null || { echo "check.sh: the JPEG was not verified" >&2; exit 1; }
VERIFY_S=$(median verify_jpeg_1g "$BIG" "$CLI" verify "$JPEG" --against "$BIG")
rm -f "$JPEG"
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)

echo "== check and verify: $REPS runs each (hyperfine), median, whole commands; files in the page cache"
awk -v check="$CHECK_S" -v check1="$CHECK1_S" -v ff="$FFMPEG_S" -v tjf="$TJ_FRAMES" -v tjs="$TJ_S" \
  -v tj1f="$TJ1_FRAMES" -v tj1s="$TJ1_S" -v verify="$VERIFY_S" -v cores="$CORES" -v big="$(stat -c %s "$BIG")" '
  function row(what, ours, peer, ratio, bar, ok) {
    printf "| %s | %s | %s | %s | %s%s |\n", what, ours, peer, ratio, bar, ok ? "" : " (missed)"
  }
  BEGIN {
    print "| Measure | Vistrel | Peer | Ratio | Bar |"
    print "|---|---|---|---|---|"
    row(sprintf("check, 1,000 frames 640x480, %d threads", cores), sprintf("%.0f fps (%.3f s)", 1000 / check, check),
        sprintf("%.0f fps `ffmpeg -threads 1` decoding", 1000 / ff), sprintf("%.2fx", ff / check), ">= 1.8x", ff / check >= 1.8)
    row("  the same", sprintf("%.0f fps", 1000 / check), sprintf("%.0f fps: %d bare TurboJPEG loops on %d cores", tjf / tjs, cores, cores),
        sprintf("%.2fx", (1000 / check) / (tjf / tjs)), ">= 0.9x", (1000 / check) / (tjf / tjs) >= 0.9)
    row("  check --jobs 1", sprintf("%.0f fps (%.3f s)", 1000 / check1, check1), sprintf("%.0f fps: one bare TurboJPEG loop", tj1f / tj1s),
        sprintf("%.2fx", (1000 / check1) / (tj1f / tj1s)), "-", 1)
    row(sprintf("verify of a JPEG against a %.2f GB recording", big / 1e9), sprintf("%.3f s", verify), "-", "-", "<= 0.5 s", verify <= 0.5)
  }'
echo "Load average before: $LOAD_BEFORE; after: $LOAD_AFTER ($CORES cores)."
