#!/usr/bin/env bash
# Builds the benchmarks (release preset), makes their recordings when missing, measures the
# viewer's hot paths beside their peers in this one run and prints a table of figures,
# ratios and bars, with the machine they were measured on.
#
#   bench/run.sh [--quick]
#   bench/run.sh --archive [--quick]    only the archive's index (bench/archive.sh)
#   bench/run.sh --check [--quick]      only check and verify (bench/check.sh)
#   bench/run.sh --dask [--quick]       only the index through Dask (bench/dask.sh)
#
# --quick: fewer repetitions and a 256 MB recording for the memory figure instead of 1 GB.
# Recordings live in build/bench-data and are reused; delete them to make them again.
# Exports write there too, and every output is deleted once it has been measured.
set -euo pipefail

QUICK=0
case "${1:-}" in
  "") ;;
  --quick) QUICK=1 ;;
  --archive) shift; exec "$(dirname "${BASH_SOURCE[0]}")/archive.sh" "$@" ;;
  --check) shift; exec "$(dirname "${BASH_SOURCE[0]}")/check.sh" "$@" ;;
  --dask) shift; exec "$(dirname "${BASH_SOURCE[0]}")/dask.sh" "$@" ;;
  *) echo "usage: bench/run.sh [--quick] | --archive [--quick] | --check [--quick] | --dask [--quick]" >&2; exit 1 ;;
esac

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
DATA="$BUILD/bench-data"
OUT="$BUILD/bench-results"
mkdir -p "$DATA" "$OUT"

for tool in jq hyperfine ffmpeg ffprobe awk; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is needed" >&2; exit 1; }
done

if [[ $QUICK == 1 ]]; then REPS=3; WIN_REPS=1; RSS_SIZE=256M; else REPS=7; WIN_REPS=3; RSS_SIZE=1G; fi

# ---- build ---------------------------------------------------------------------------------
cd "$ROOT"
if ! grep -qs '^VISTREL_BENCH:BOOL=ON' "$BUILD/CMakeCache.txt"; then
  cmake --preset release -DVISTREL_BENCH=ON >/dev/null
fi
cmake --build "$BUILD" -j2 --target vistrel_bench vistrel_bench_rss vistrel_bench_window vistrel-mkrec vistrel-cli \
  >/dev/null
BENCH="$BUILD/bench/vistrel_bench"
RSS="$BUILD/bench/vistrel_bench_rss"
WINDOW="$BUILD/bench/vistrel_bench_window"
MKREC="$BUILD/tools/vistrel-mkrec"
CLI="$BUILD/cli/vistrel-cli"

# ---- data ----------------------------------------------------------------------------------
make_rec() {  # file, generator options...
  local file="$DATA/$1"; shift
  [[ -s $file ]] || "$MKREC" "$file" "$@" >/dev/null
  echo "$file"
}
SCAN_FILE=$(make_rec scan-500M.mjp --target-size 500M --unique 64)
STEP_FILE=$(make_rec step-500x640x480.mjp --frames 500)
RSS_FILE=$(make_rec "rss-$RSS_SIZE.mjp" --target-size "$RSS_SIZE" --unique 64)
AVI_FILE=$(make_rec avi-1000x640x480.mjp --frames 1000 --unique 64)
AVI_N=1000  # frames converted to AVI, by the viewer and by ffmpeg
CODECS=(raw mjpeg ffv1 utvideo)
MJP_FILE=$(make_rec rss-1G.mjp --target-size 1G --unique 64)  # the MJP export's 1 GB range, quick or not
bytes_of() { stat -c %s "$1"; }

warm() { dd if="$1" of=/dev/null bs=4M status=none; }

# ---- machine -------------------------------------------------------------------------------
CPU=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)
CORES=$(nproc)
KERNEL=$(uname -r)
MEM=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)

echo "== Machine: $CPU, $CORES cores, $MEM, Linux $KERNEL; load average before: $LOAD_BEFORE"
echo "== Every timed pass that reads a recording from its file finds it in the page cache:"
echo "   the file is read whole just before the pass (in the benchmark programs, and with"
echo "   hyperfine --prepare for ffmpeg). GB = 10^9 bytes, MB = 10^6 bytes."
echo

# ---- in-process: scanner walk and frame step beside their peers -----------------------------
echo "== Google Benchmark: $REPS passes each, interleaved at random, median reported"
echo "   (its \"built as DEBUG\" warning is about Debian's libbenchmark, not the code measured)"
"$BENCH" --scan="$SCAN_FILE" --step="$STEP_FILE" --reps="$REPS" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true \
  --benchmark_out="$OUT/vistrel_bench.json" --benchmark_out_format=json
echo

# Median of one benchmark: "<real time in s> <bytes> <frames>".
pick() {  # name prefix [, results file]
  jq -r --arg n "$1" '
    [.benchmarks[] | select(.run_name | startswith($n))] as $r
    | (($r | map(select(.aggregate_name == "median"))) + ($r | map(select(.run_type == "iteration"))))[0]
    | "\(.real_time / (if .time_unit == "ms" then 1e3 elif .time_unit == "us" then 1e6 else 1e9 end)) \(.bytes) \(.frames)"
  ' "${2:-$OUT/vistrel_bench.json}"
}
read -r WALK_S WALK_BYTES WALK_FRAMES < <(pick Scan/ScannerForwardWalk)
read -r MEMCHR_S MEMCHR_BYTES MEMCHR_FRAMES < <(pick Scan/MemchrMarkerPass)
read -r STEP_S _ STEP_FRAMES < <(pick Step/FrameStep)
read -r TJ_S _ TJ_FRAMES < <(pick Step/TurboJpegLoop)

# ---- ffmpeg peers --------------------------------------------------------------------------
# Frames ffmpeg handled (an untimed run), so that its rate counts what it really did.
ffmpeg_frames() {
  ffmpeg -nostdin -loglevel error -nostats "$@" -progress pipe:1 | awk -F= '$1 == "frame" {n = $2} END {print n + 0}'
}
# Median wall time in seconds of a command over $REPS runs, the file warmed before each.
timed_median() {  # name, file, command...
  local name=$1 file=$2; shift 2
  # Its advice about outliers goes to a log; a failure shows the log.
  hyperfine -N --style none --runs "$REPS" --prepare "dd if=$file of=/dev/null bs=4M status=none" \
    --export-json "$OUT/$name.json" "$*" >/dev/null 2>"$OUT/$name.log" || { cat "$OUT/$name.log" >&2; exit 1; }
  jq -r '.results[0].median' "$OUT/$name.json"
}
# The same for a command that writes a file: before each run the previous output is
# deleted (with flush 1 the disk is flushed too) and the input warmed.
timed_median_writing() {  # name, file, output, flush, command...
  local name=$1 file=$2 out=$3 flush=$4 sync=""; shift 4
  [[ $flush == 1 ]] && sync="sync; "
  hyperfine -N --style none --runs "$REPS" \
    --prepare "sh -c 'rm -f $out; ${sync}dd if=$file of=/dev/null bs=4M status=none'" \
    --export-json "$OUT/$name.json" "$*" >/dev/null 2>"$OUT/$name.log" || { cat "$OUT/$name.log" >&2; exit 1; }
  jq -r '.results[0].median' "$OUT/$name.json"
}

echo "== ffmpeg $(ffmpeg -version | awk 'NR == 1 {print $3}'), timed with hyperfine: $REPS runs each, median"
COPY_CMD=(ffmpeg -nostdin -f mjpeg -i "$SCAN_FILE" -c copy -f null -)
DEC_CMD=(ffmpeg -nostdin -f mjpeg -threads 1 -i "$STEP_FILE" -f null -)
COPY_FRAMES=$(ffmpeg_frames -f mjpeg -i "$SCAN_FILE" -c copy -f null -)
DEC_FRAMES=$(ffmpeg_frames -f mjpeg -threads 1 -i "$STEP_FILE" -f null -)
COPY_S=$(timed_median ffmpeg_copy "$SCAN_FILE" "${COPY_CMD[@]}")
DEC_S=$(timed_median ffmpeg_decode "$STEP_FILE" "${DEC_CMD[@]}")
# ffmpeg's own start-up, for reading its figures: the decode command on a one-frame file.
ONE_FILE=$(make_rec one-frame.mjp --frames 1)
START_S=$(timed_median ffmpeg_startup "$ONE_FILE" ffmpeg -nostdin -f mjpeg -threads 1 -i "$ONE_FILE" -f null -)
printf '   %s: %d frames, median %.3f s\n' "${COPY_CMD[*]}" "$COPY_FRAMES" "$COPY_S"
printf '   %s: %d frames, median %.3f s\n' "${DEC_CMD[*]}" "$DEC_FRAMES" "$DEC_S"
printf '   start-up (the decode command on a one-frame file): median %.3f s\n' "$START_S"
echo

# ---- peak resident memory of the frame step, in a process of its own -------------------------
echo "== Peak resident memory: one frame-step walk per process"
rss_run() {  # file -> "maxrss_kib(getrusage) maxrss_kib(/usr/bin/time) frames fps"
  local line time_kib
  warm "$1"
  line=$(/usr/bin/time -f '%M' -o "$OUT/rss.time" "$RSS" "$1")
  time_kib=$(tail -n 1 "$OUT/rss.time")
  echo "$line" | awk -v t="$time_kib" '{
    for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    print v["maxrss_kib"], t, v["frames"], v["fps"] }'
}
kib_to_mb() { awk -v k="$1" 'BEGIN {print k * 1024 / 1e6}'; }
read -r RSS_SMALL_KIB RSS_SMALL_TIME RSS_SMALL_FRAMES _ < <(rss_run "$STEP_FILE")
read -r RSS_BIG_KIB RSS_BIG_TIME RSS_BIG_FRAMES RSS_BIG_FPS < <(rss_run "$RSS_FILE")
printf '   %-28s %8d frames  peak RSS %6.1f MB (getrusage)  %6.1f MB (/usr/bin/time)\n' \
  "$(basename "$STEP_FILE")" "$RSS_SMALL_FRAMES" "$(kib_to_mb "$RSS_SMALL_KIB")" "$(kib_to_mb "$RSS_SMALL_TIME")"
printf '   %-28s %8d frames  peak RSS %6.1f MB (getrusage)  %6.1f MB (/usr/bin/time)  %.0f fps\n' \
  "$(basename "$RSS_FILE") ($(( $(bytes_of "$RSS_FILE") / 1000000 )) MB)" "$RSS_BIG_FRAMES" \
  "$(kib_to_mb "$RSS_BIG_KIB")" "$(kib_to_mb "$RSS_BIG_TIME")" "$RSS_BIG_FPS"
echo

# ---- vistrel-cli: the frame walk with its JSON, and the AVI stream copy beside a conversion ------
echo "== vistrel-cli, timed with hyperfine: $REPS runs each, median, output to /dev/null"
CLI_FRAMES_S=$(timed_median cli_frames "$RSS_FILE" "$CLI" frames --no-decode "$RSS_FILE")
AVI_ARGS=(export-avi "$AVI_FILE" --from 1 --to "$(bytes_of "$AVI_FILE")" --fps 10 --force)
AVI_COPY_S=$(timed_median cli_avi_copy "$AVI_FILE" "$CLI" "${AVI_ARGS[@]}" --codec copy -o "$OUT/copy.avi")
AVI_MJPEG_S=$(timed_median cli_avi_mjpeg "$AVI_FILE" "$CLI" "${AVI_ARGS[@]}" --codec mjpeg -o "$OUT/mjpeg.avi")
AVI_OVERLAY_S=$(timed_median cli_avi_overlay "$AVI_FILE" "$CLI" "${AVI_ARGS[@]}" --codec mjpeg --overlay \
  -o "$OUT/overlay.avi")
CLI_START_S=$(timed_median cli_startup "$ONE_FILE" "$CLI" --version)
# Start-up of a walk, whole process, beside ffmpeg's stream copy of the same one-frame file.
CLI_ONE_S=$(timed_median cli_one_frame "$ONE_FILE" "$CLI" frames "$ONE_FILE")
FF_ONE_S=$(timed_median ffmpeg_one_frame "$ONE_FILE" ffmpeg -nostdin -f mjpeg -i "$ONE_FILE" -c copy -f null -)
AVI_FRAMES=$("$CLI" frames --no-decode "$AVI_FILE" | wc -l)
# The recording at a glance: events and the plot over 1 GB, the report beside sha256sum of its recording.
REPORT_FILE=$(make_rec report-2400.mjp --frames 2400)
REPORT_EVENTS=$("$CLI" events "$REPORT_FILE" --over 60 | wc -l)
EVENTS_S=$(timed_median cli_events "$MJP_FILE" "$CLI" events "$MJP_FILE" --over 60)
PLOT_S=$(timed_median_writing cli_plot "$MJP_FILE" "$OUT/speed.svg" 0 "$CLI" plot "$MJP_FILE" --over 60 -o "$OUT/speed.svg")
REPORT_S=$(timed_median_writing cli_report "$REPORT_FILE" "$OUT/report.pdf" 0 \
  "$CLI" report "$REPORT_FILE" --over 60 -o "$OUT/report.pdf")
REPORT_HTML_S=$(timed_median_writing cli_report_html "$REPORT_FILE" "$OUT/report.html" 0 \
  "$CLI" report "$REPORT_FILE" --over 60 -o "$OUT/report.html")
SHA_S=$(timed_median sha256sum "$REPORT_FILE" sha256sum "$REPORT_FILE")
printf '   frames --no-decode %s: median %.3f s\n' "$(basename "$RSS_FILE")" "$CLI_FRAMES_S"
printf '   export-avi of %d frames: --codec copy median %.3f s, --codec mjpeg median %.3f s, with --overlay %.3f s\n' \
  "$AVI_FRAMES" "$AVI_COPY_S" "$AVI_MJPEG_S" "$AVI_OVERLAY_S"
printf '   start-up (vistrel-cli --version): median %.3f s; frames of a one-frame file %.3f s, ffmpeg -c copy %.3f s\n' \
  "$CLI_START_S" "$CLI_ONE_S" "$FF_ONE_S"
echo

# ---- exports: AVI conversion beside ffmpeg's, MJP export beside cp ----------------------------
echo "== Exports in the viewer's core (vistrel_bench): $REPS passes each, interleaved at random, median"
echo "   AVI: SaveAvi of frames 0-$((AVI_N - 1)) of $(basename "$AVI_FILE"), marked with the mark command,"
echo "   no canvas (nothing painted). MJP: SaveMjp of all of $(basename "$MJP_FILE") as the marked range."
"$BENCH" --avi="$AVI_FILE" --avi-frames="$AVI_N" --codecs="$(IFS=,; echo "${CODECS[*]}")" --mjp="$MJP_FILE" \
  --out="$DATA" --reps="$REPS" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true \
  --benchmark_out="$OUT/vistrel_bench_export.json" --benchmark_out_format=json
echo
declare -A CORE_S CORE_FRAMES PEER_S PEER_FRAMES WIN_S WIN_FRAMES WIN_PAINTS
for c in "${CODECS[@]}"; do
  read -r "CORE_S[$c]" _ "CORE_FRAMES[$c]" < <(pick "Avi/SaveAvi/$c/" "$OUT/vistrel_bench_export.json")
done
read -r MJP_S MJP_BYTES _ < <(pick Mjp/SaveMjp "$OUT/vistrel_bench_export.json")
for v in "${CORE_S[@]}" "$MJP_S"; do
  [[ $v != null ]] || { echo "run.sh: an export failed (see $OUT/vistrel_bench_export.json)" >&2; exit 1; }
done

# ffmpeg's options per codec; every frame a key frame (-g 1) on all of them.
declare -A PEER_OPTS=(
  [raw]="-c:v rawvideo -pix_fmt bgr24"
  [mjpeg]="-c:v mjpeg -q:v 2"
  [ffv1]="-c:v ffv1 -pix_fmt bgr0"
  [utvideo]="-c:v utvideo -pix_fmt gbrp"
)
avi_frames_in() { ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 "$1"; }
echo "== ffmpeg converting the same frames, timed with hyperfine: $REPS runs each, median"
for c in "${CODECS[@]}"; do
  out="$DATA/bench-ffmpeg-$c.avi"
  # shellcheck disable=SC2206  # the options are meant to split
  cmd=(ffmpeg -nostdin -y -f mjpeg -threads 1 -i "$AVI_FILE" -frames:v "$AVI_N" ${PEER_OPTS[$c]} -g 1 "$out")
  PEER_S[$c]=$(timed_median_writing "ffmpeg_avi_$c" "$AVI_FILE" "$out" 0 "${cmd[@]}")
  PEER_FRAMES[$c]=$(avi_frames_in "$out")
  rm -f "$out"
  printf '   %s: %s frames, median %.3f s\n' "${cmd[*]}" "${PEER_FRAMES[$c]}" "${PEER_S[$c]}"
done
CP_OUT="$DATA/bench-cp.mjp"
CP_S=$(timed_median_writing cp_mjp "$MJP_FILE" "$CP_OUT" 1 cp "$MJP_FILE" "$CP_OUT")
CP_BYTES=$(bytes_of "$CP_OUT")
rm -f "$CP_OUT"
printf '   cp %s %s: %d bytes, median %.3f s (source warmed, disk flushed before each run)\n' \
  "$MJP_FILE" "$CP_OUT" "$CP_BYTES" "$CP_S"
# The export syncs its file before moving it into place; cp followed by sync FILE is the peer that
# also ends with the copy on the disk.
CP_SYNC_S=$(timed_median_writing cp_sync_mjp "$MJP_FILE" "$CP_OUT" 1 "sh -c 'cp $MJP_FILE $CP_OUT && sync $CP_OUT'")
rm -f "$CP_OUT"
printf '   cp then sync FILE: median %.3f s\n' "$CP_SYNC_S"
echo

echo "== The same conversion from the real window (vistrel_bench_window: frmViewer shown on the"
echo "   offscreen platform, the picture box painting every frame): median of $WIN_REPS pass(es) per codec"
"$WINDOW" "$AVI_FILE" "$DATA" --frames="$AVI_N" --codecs="$(IFS=,; echo "${CODECS[*]}")" --reps="$WIN_REPS" \
  >"$OUT/window.txt" 2>"$OUT/window.log" || { cat "$OUT/window.log" >&2; exit 1; }
while read -r c s f p; do
  WIN_S[$c]=$s WIN_FRAMES[$c]=$f WIN_PAINTS[$c]=$p
  printf '   %s: %d frames, %d picture-box paints, median %.3f s\n' "$c" "$f" "$p" "$s"
done < <(awk '/^codec=/ { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
               print v["codec"], v["seconds"], v["frames"], v["paints"] }' "$OUT/window.txt")
# The loupe's paints: one record each, factor, smooth (0/1), milliseconds a paint.
LOUPE=$(awk '/^loupe=/ { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
             print "loupe", v["loupe"], v["smooth"], v["ms"] }' "$OUT/window.txt")
awk '{ printf "   loupe %dx%s: %.3f ms a paint\n", $2, ($3 ? " smooth" : ""), $4 }' <<<"$LOUPE"
echo

# ---- sanity: every party saw the same frames -------------------------------------------------
warn_frames() {  # what, theirs, ours
  [[ $2 == "$3" ]] || echo "   WARNING: $1 handled $2 frames, the viewer's walk $3"
}
warn_frames "the memchr pass" "$MEMCHR_FRAMES" "$WALK_FRAMES"
warn_frames "ffmpeg -c copy" "$COPY_FRAMES" "$WALK_FRAMES"
warn_frames "the TurboJPEG loop" "$TJ_FRAMES" "$STEP_FRAMES"
warn_frames "ffmpeg decode" "$DEC_FRAMES" "$STEP_FRAMES"
warn_written() {  # what, written, wanted
  [[ $2 == "$3" ]] || echo "   WARNING: $1 wrote $2, not $3"
}
for c in "${CODECS[@]}"; do
  warn_written "the core's SaveAvi ($c)" "${CORE_FRAMES[$c]} frames" "$AVI_N frames"
  warn_written "ffmpeg ($c)" "${PEER_FRAMES[$c]} frames" "$AVI_N frames"
  warn_written "the window's SaveAvi ($c)" "${WIN_FRAMES[$c]} frames" "$AVI_N frames"
  (( ${WIN_PAINTS[$c]} >= ${WIN_FRAMES[$c]} )) ||
    echo "   WARNING: the window painted ${WIN_PAINTS[$c]} times for ${WIN_FRAMES[$c]} frames ($c)"
done
warn_written "SaveMjp" "$MJP_BYTES bytes" "$(bytes_of "$MJP_FILE") bytes"
warn_written "cp" "$CP_BYTES bytes" "$(bytes_of "$MJP_FILE") bytes"

# ---- table -----------------------------------------------------------------------------------
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)
SCAN_MB=$(( $(bytes_of "$SCAN_FILE") / 1000000 ))
# One record per AVI codec: codec, then seconds and frames of the core, ffmpeg and the window.
{
  for c in "${CODECS[@]}"; do
    echo "avi $c ${CORE_S[$c]} ${CORE_FRAMES[$c]} ${PEER_S[$c]} ${PEER_FRAMES[$c]} ${WIN_S[$c]} ${WIN_FRAMES[$c]}"
  done
  echo "$LOUPE"
} |
awk -v walk_s="$WALK_S" -v walk_b="$WALK_BYTES" -v memchr_s="$MEMCHR_S" -v memchr_b="$MEMCHR_BYTES" \
    -v copy_s="$COPY_S" -v copy_b="$(bytes_of "$SCAN_FILE")" \
    -v step_s="$STEP_S" -v step_f="$STEP_FRAMES" -v tj_s="$TJ_S" -v tj_f="$TJ_FRAMES" \
    -v dec_s="$DEC_S" -v dec_f="$STEP_FRAMES" -v start_s="$START_S" \
    -v rss_kib="$RSS_BIG_KIB" -v rss_small_kib="$RSS_SMALL_KIB" -v rss_size="$RSS_SIZE" \
    -v scan_mb="$SCAN_MB" -v step_n="$STEP_FRAMES" \
    -v cli_s="$CLI_FRAMES_S" -v cli_b="$(bytes_of "$RSS_FILE")" -v cli_start_s="$CLI_START_S" \
    -v cli_one_s="$CLI_ONE_S" -v ff_one_s="$FF_ONE_S" \
    -v avi_copy_s="$AVI_COPY_S" -v avi_mjpeg_s="$AVI_MJPEG_S" -v avi_overlay_s="$AVI_OVERLAY_S" -v avi_n="$AVI_FRAMES" \
    -v conv_n="$AVI_N" -v barred="raw mjpeg ffv1" \
    -v events_s="$EVENTS_S" -v plot_s="$PLOT_S" -v glance_b="$(bytes_of "$MJP_FILE")" -v report_s="$REPORT_S" \
    -v report_html_s="$REPORT_HTML_S" -v sha_s="$SHA_S" -v report_n="$REPORT_EVENTS" -v report_b="$(bytes_of "$REPORT_FILE")" \
    -v mjp_s="$MJP_S" -v mjp_b="$MJP_BYTES" -v cp_s="$CP_S" -v cp_b="$CP_BYTES" -v cp_sync_s="$CP_SYNC_S" '
function verdict(ok) { return ok ? "PASS" : "FAIL" }
function row(what, ours, peer, ratio, bar, ok) {
  printf "%-44s %-12s %-24s %-7s %-10s %s\n", what, ours, peer, ratio, bar, verdict(ok)
}
function info(what, ours, peer, ratio) {  # a figure reported without a bar
  printf "%-44s %-12s %-24s %-7s %-10s %s\n", what, ours, peer, ratio, "-", "-"
}
BEGIN {
  walk = walk_b / walk_s / 1e9; memchr = memchr_b / memchr_s / 1e9; copy = copy_b / copy_s / 1e9
  step = step_f / step_s; tj = tj_f / tj_s; dec = dec_f / dec_s
  rss = rss_kib * 1024 / 1e6
  printf "%-44s %-12s %-24s %-7s %-10s %s\n", "Measure", "Vistrel", "Peer", "Ratio", "Bar", "Result"
  printf "%s\n", "--------------------------------------------------------------------------------------------------------------"
  row(sprintf("Scanner forward walk, %d MB, no decoding", scan_mb), sprintf("%.2f GB/s", walk), "-", "-", ">= 5 GB/s", walk >= 5)
  row("  vs in-memory memchr marker pass", sprintf("%.2f GB/s", walk), sprintf("%.2f GB/s", memchr),
      sprintf("%.2fx", walk / memchr), ">= 0.5x", walk / memchr >= 0.5)
  row("  vs ffmpeg -f mjpeg -c copy -f null", sprintf("%.2f GB/s", walk), sprintf("%.3f GB/s", copy),
      sprintf("%.1fx", walk / copy), ">= 10x", walk / copy >= 10)
  row(sprintf("Frame step (find + decode), %d x 640x480", step_n), sprintf("%.0f fps", step), sprintf("%.0f fps TurboJPEG", tj),
      sprintf("%.2fx", step / tj), ">= 0.9x", step / tj >= 0.9)
  row("  vs ffmpeg -threads 1 decode -f null", sprintf("%.0f fps", step), sprintf("%.0f fps", dec),
      sprintf("%.2fx", step / dec), ">= 1.0x", step / dec >= 1.0)
  row(sprintf("Peak RSS, frame-step walk over %s", rss_size), sprintf("%.1f MB", rss), "-", "-", "< 32 MB", rss < 32)
  cli = cli_b / cli_s / 1e9; copy_x = avi_mjpeg_s / avi_copy_s
  copy_alone_x = avi_copy_s > cli_start_s ? (avi_mjpeg_s - cli_start_s) / (avi_copy_s - cli_start_s) : 0
  row(sprintf("vistrel-cli frames --no-decode, %d MB", cli_b / 1e6), sprintf("%.2f GB/s", cli), "-", "-",
      ">= 1 GB/s", cli >= 1)
  row("  the same vs ffmpeg -f mjpeg -c copy, whole commands", sprintf("%.2f GB/s", cli),
      sprintf("%.3f GB/s", copy), sprintf("%.1fx", cli / copy), ">= 10x", cli / copy >= 10)
  row("vistrel-cli frames, one-frame file, whole process", sprintf("%.1f ms", cli_one_s * 1000),
      sprintf("%.1f ms ffmpeg -c copy", ff_one_s * 1000), sprintf("%.2fx", cli_one_s / ff_one_s), "<= 0.15x",
      cli_one_s / ff_one_s <= 0.15)
  row(sprintf("export-avi %d frames, --codec copy", avi_n), sprintf("%.3f s", avi_copy_s),
      sprintf("%.3f s --codec mjpeg", avi_mjpeg_s), sprintf("%.1fx", copy_x), ">= 20x", copy_x >= 20)
  row("  the same, start-up subtracted", sprintf("%.3f s", avi_copy_s - cli_start_s),
      sprintf("%.3f s --codec mjpeg", avi_mjpeg_s - cli_start_s), sprintf("%.1fx", copy_alone_x), ">= 20x",
      copy_alone_x >= 20)
  row(sprintf("vistrel-cli events --over 60, %d MB", glance_b / 1e6), sprintf("%.3f s", events_s), "-", "-",
      "<= 0.5 s", events_s <= 0.5)
  row(sprintf("vistrel-cli plot -o speed.svg, %d MB", glance_b / 1e6), sprintf("%.3f s", plot_s), "-", "-",
      "<= 0.5 s", plot_s <= 0.5)
  row(sprintf("vistrel-cli report, %d events, %d MB, PDF", report_n, report_b / 1e6), sprintf("%.3f s", report_s),
      sprintf("%.3f s sha256sum", sha_s), sprintf("%.1fx", report_s / sha_s), "<= 2 s", report_s <= 2)
  row("  the same, HTML", sprintf("%.3f s", report_html_s), sprintf("%.3f s sha256sum", sha_s),
      sprintf("%.1fx", report_html_s / sha_s), "<= 2 s", report_html_s <= 2)
  overlay_x = avi_mjpeg_s / avi_overlay_s
  row(sprintf("export-avi %d frames, mjpeg --overlay", avi_n), sprintf("%.3f s", avi_overlay_s),
      sprintf("%.3f s without", avi_mjpeg_s), sprintf("%.2fx", overlay_x), ">= 0.9x", overlay_x >= 0.9)
}
$1 == "loupe" {
  row(sprintf("Loupe paint, 640x480 frame at %dx%s", $2, $3 ? " smooth" : ""), sprintf("%.2f ms", $4), "-", "-",
      "<= 2 ms", $4 <= 2)
}
$1 == "avi" {
  n++; codec[n] = $2; core[n] = $4 / $3; peer[n] = $6 / $5; win[n] = $8 / $7
  peer_alone[n] = $5 > start_s ? $6 / ($5 - start_s) : 0
}
END {
  for (i = 1; i <= n; i++) {
    what = sprintf("AVI conversion (core) %d frames, %s", conv_n, codec[i])
    ours = sprintf("%.0f fps", core[i]); theirs = sprintf("%.0f fps ffmpeg", peer[i]); x = core[i] / peer[i]
    if (index(" " barred " ", " " codec[i] " ")) row(what, ours, theirs, sprintf("%.2fx", x), ">= 1.0x", x >= 1.0)
    else info(what, ours, theirs, sprintf("%.2fx", x))
  }
  for (i = 1; i <= n; i++) {
    what = sprintf("AVI conversion (window) %d frames, %s", conv_n, codec[i])
    ours = sprintf("%.0f fps", win[i]); theirs = sprintf("%.0f fps ffmpeg", peer[i]); x = win[i] / peer[i]
    if (index(" " barred " ", " " codec[i] " ")) row(what, ours, theirs, sprintf("%.2fx", x), ">= 1.0x", x >= 1.0)
    else info(what, ours, theirs, sprintf("%.2fx", x))
  }
  mjp = mjp_b / mjp_s / 1e9; cp = cp_b / cp_s / 1e9
  row(sprintf("MJP export (SaveMjp), %d MB range, synced and moved into place", mjp_b / 1e6), sprintf("%.2f GB/s", mjp),
      sprintf("%.2f GB/s cp", cp), sprintf("%.2fx", mjp / cp), ">= 0.5x", mjp / cp >= 0.5)
  cps = cp_b / cp_sync_s / 1e9
  info("the same vs cp then sync FILE (both end on the disk)", sprintf("%.2f GB/s", mjp), sprintf("%.2f GB/s", cps),
      sprintf("%.2fx", mjp / cps))
  info("the sync of 500 MB (cp then sync FILE, less cp)", sprintf("%.3f s", (cp_sync_s - cp_s) * 5e8 / cp_b), "-", "-")
  printf "\nffmpeg figures include its start-up, %.3f s here: without it, -c copy runs at %.2f GB/s and the\n", start_s,
      (copy_s > start_s ? copy_b / (copy_s - start_s) / 1e9 : 0)
  printf "decode at %.0f fps. Peak RSS of the same walk over the %d-frame file: %.1f MB.\n",
      (dec_s > start_s ? dec_f / (dec_s - start_s) : 0), step_n, rss_small_kib * 1024 / 1e6
  printf "vistrel-cli figures include its start-up, %.3f s here (loading QtCore; FFmpeg'"'"'s libraries only for export-avi, QtGui only for drawing).\n", cli_start_s
  printf "ffmpeg'"'"'s AVI conversions without its start-up:"
  for (i = 1; i <= n; i++) printf " %s %.0f fps%s", codec[i], peer_alone[i], i < n ? "," : ";\n"
  printf "its encoders run at their default thread count (only its decoder is -threads 1). AVI rows: the\n"
  printf "viewer'"'"'s SaveAvi from the recording in the page cache to a new file, every frame a key frame;\n"
  printf "(core): no canvas, nothing painted; (window): frmViewer shown offscreen, every frame painted.\n"
  printf "SaveMjp and cp both start with the source in the page cache and the disk flushed.\n"
}'
echo "Machine: $CPU, $CORES cores, Linux $KERNEL. Load average before: $LOAD_BEFORE; after: $LOAD_AFTER."
if awk -v a="${LOAD_BEFORE%% *}" -v b="${LOAD_AFTER%% *}" -v c="$CORES" 'BEGIN {exit !(a > c / 2 || b > c / 2 + 1)}'; then
  echo "WARNING: other work ran on this machine meanwhile; the absolute figures are low, the ratios less so."
fi

# ---- the archive's index: a table of its own ---------------------------------------------------
echo
"$ROOT/bench/archive.sh" $([[ $QUICK == 1 ]] && echo --quick) "$BUILD"

# ---- the index through Dask into PostgreSQL: a table of its own -------------------------------
echo
"$ROOT/bench/dask.sh" $([[ $QUICK == 1 ]] && echo --quick) "$BUILD"

# ---- check and verify: a table of their own ----------------------------------------------------
echo
"$ROOT/bench/check.sh" $([[ $QUICK == 1 ]] && echo --quick) "$BUILD"
