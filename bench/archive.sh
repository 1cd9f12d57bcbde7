#!/usr/bin/env bash
# The archive's index beside its peers: the first index of 500 generated recordings against
# sha256sum over the same files, a second run over 1,000 unchanged recordings, events over
# 1,000 indexed recordings against walking them, and the index's bytes per measurement row.
#
#   bench/archive.sh [--quick] [BUILD]     (bench/run.sh runs it too; BUILD defaults to build/)
#
# Recordings live in BUILD/bench-data/archive-1000 (the first 500 also, as hard links, in
# archive-500) and are reused; every file is in the page cache before each timed run.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bench_setup 5 hyperfine jq sqlite3 sha256sum -- "$@"
cmake --build "$BUILD" -j2 --target vistrel-cli vistrel-mkrec >/dev/null
CLI="$BUILD/cli/vistrel-cli"
MKREC="$BUILD/tools/vistrel-mkrec"

# ---- data: 1,000 recordings of 100 frames, 640x480 (about 4.6 MB each) ------------------------
A1000="$DATA/archive-1000"
A500="$DATA/archive-500"
mkdir -p "$A1000" "$A500"
for k in $(seq -w 1 1000); do
  [[ -s $A1000/cam$k.mjp ]] || "$MKREC" "$A1000/cam$k.mjp" --frames 100 --unique 8 --seed "$((10#$k))" >/dev/null
  if ((10#$k <= 500)) && [[ ! -e $A500/cam$k.mjp ]]; then ln "$A1000/cam$k.mjp" "$A500/cam$k.mjp"; fi
done
BYTES500=$(du -b --apparent-size -c "$A500"/*.mjp | tail -1 | cut -f1)
warm() { cat "$1"/*.mjp >/dev/null; }

median() {  # name, prepare, command... -> median wall time, s
  local name=$1 prepare=$2; shift 2
  hyperfine -N --style none --runs "$REPS" --prepare "$prepare" --export-json "$OUT/$name.json" "$*" \
    >/dev/null 2>"$OUT/$name.log" || { cat "$OUT/$name.log" >&2; exit 1; }
  jq -r '.results[0].median' "$OUT/$name.json"
}

DB500="$OUT/archive-500.sqlite"
DB1000="$OUT/archive-1000.sqlite"
WARM500="sh -c 'rm -f $DB500 $DB500-wal $DB500-shm; cat $A500/*.mjp >/dev/null'"
warm "$A500"
SHA_S=$(median archive_sha256sum "sh -c 'cat $A500/*.mjp >/dev/null'" sha256sum "$A500"/*.mjp)
INDEX_S=$(median archive_index500 "$WARM500" "$CLI" index "$A500" --db "$DB500")
INDEX1_S=$(median archive_index500_1job "$WARM500" "$CLI" index "$A500" --db "$DB500" --jobs 1)
# The hashes agree with sha256sum's.
(cd "$A500" && sha256sum $(LC_ALL=C ls | head -1) $(LC_ALL=C ls | tail -1)) | awk '{print $1}' >"$OUT/archive-sha.txt"
sqlite3 "$DB500" "SELECT sha256 FROM recording ORDER BY path LIMIT 1; SELECT sha256 FROM recording ORDER BY path DESC LIMIT 1" |
  cmp -s - "$OUT/archive-sha.txt" || { echo "archive.sh: the index's SHA-256 differs from sha256sum's" >&2; exit 1; }

rm -f "$DB1000" "$DB1000-wal" "$DB1000-shm"
"$CLI" index "$A1000" --db "$DB1000" >/dev/null
SECOND_S=$(median archive_second_run "true" "$CLI" index "$A1000" --db "$DB1000")
EVENTS_DB_S=$(median archive_events_db "true" "$CLI" events --db "$DB1000" --over 60)
warm "$A1000"
EVENTS_WALK_S=$(median archive_events_walk "true" "$CLI" events "$A1000" --over 60)
# The walk the index saves: the recordings read from the disk, each dropped from the page
# cache first (dd's nocache asks the kernel to forget a file's pages); the index too.
cat >"$OUT/evict.sh" <<EOF
for f in "$A1000"/*.mjp "$DB1000"; do dd if="\$f" iflag=nocache count=0 status=none; done
EOF
EVENTS_COLD_S=$(REPS=3 median archive_events_walk_cold "sh $OUT/evict.sh" "$CLI" events "$A1000" --over 60)
EVENTS_DB_COLD_S=$(median archive_events_db_cold "sh $OUT/evict.sh" "$CLI" events --db "$DB1000" --over 60)
warm "$A1000"
cmp -s <("$CLI" events --db "$DB1000" --over 60) <("$CLI" events "$A1000" --over 60) ||
  { echo "archive.sh: events --db differs from the walk's" >&2; exit 1; }
ROWS=$(sqlite3 "$DB1000" "SELECT count(*) FROM measurement")
TABLE_BYTES=$(sqlite3 "$DB1000" "SELECT sum(pgsize) FROM dbstat WHERE name = 'measurement'")
FILE_BYTES=$(stat -c %s "$DB1000")
EVENTS=$("$CLI" events --db "$DB1000" --over 60 | wc -l)

echo "== The archive's index: $REPS runs each (hyperfine), median, whole commands; recordings in the page cache unless said"
awk -v sha="$SHA_S" -v idx="$INDEX_S" -v idx1="$INDEX1_S" -v b="$BYTES500" -v second="$SECOND_S" \
  -v edb="$EVENTS_DB_S" -v ewalk="$EVENTS_WALK_S" -v edbcold="$EVENTS_DB_COLD_S" -v ecold="$EVENTS_COLD_S" -v rows="$ROWS" -v tb="$TABLE_BYTES" -v fb="$FILE_BYTES" \
  -v events="$EVENTS" -v cores="$(nproc)" '
  function row(what, ours, peer, ratio, bar, ok) {
    printf "| %s | %s | %s | %s | %s%s |\n", what, ours, peer, ratio, bar, ok ? "" : " (missed)"
  }
  BEGIN {
    print "| Measure | Vistrel | Peer | Ratio | Bar |"
    print "|---|---|---|---|---|"
    row(sprintf("index, first run, 500 recordings (%.2f GB), %d jobs", b / 1e9, cores), sprintf("%.2f GB/s (%.2f s)", b / idx / 1e9, idx),
        sprintf("%.2f GB/s sha256sum", b / sha / 1e9), sprintf("%.2fx", sha / idx), ">= 0.8x", sha / idx >= 0.8)
    row("  the same, --jobs 1", sprintf("%.2f GB/s (%.2f s)", b / idx1 / 1e9, idx1), sprintf("%.2f GB/s sha256sum", b / sha / 1e9),
        sprintf("%.2fx", sha / idx1), "-", 1)
    row("index, second run over 1,000 unchanged recordings", sprintf("%.3f s", second), "-", "-", "<= 0.2 s", second <= 0.2)
    row(sprintf("events --db --over 60, 1,000 recordings (%d events), index on disk", events),
        sprintf("%.1f ms", edbcold * 1e3), sprintf("%.2f s walking them from disk", ecold),
        sprintf("%.0fx", ecold / edbcold), "<= 50 ms, >= 50x", edbcold <= 0.05 && ecold / edbcold >= 50)
    row("  the same, all in the page cache", sprintf("%.1f ms", edb * 1e3), sprintf("%.1f ms walking them", ewalk * 1e3),
        sprintf("%.0fx", ewalk / edb), "<= 50 ms", edb <= 0.05)
    row(sprintf("index size, %d measurement rows", rows), sprintf("%.1f B/row (table), %.1f B/row (file)", tb / rows, fb / rows),
        "-", "-", "-", 1)
  }'
