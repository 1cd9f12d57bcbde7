#!/usr/bin/env bash
# The index through Dask beside vistrel-cli alone: the first index of 1,000 generated recordings into
# a fresh PostgreSQL database, by the driver on a local cluster of 2 worker processes and by
# `vistrel-cli index --jobs 2`. On one machine the cluster adds scheduling, not speed: about 1x.
#
#   bench/dask.sh [--quick] [BUILD]     (bench/run.sh runs it too; BUILD defaults to build/)
#
# The recordings are bench/archive.sh's 1,000 (made here when missing), 4.6 GB: enough work that
# the driver's fixed costs (Python, the cluster) weigh as they would on a real archive, where a
# run lasts minutes. The server is a throwaway one (tests/support/pgserver.sh). Before
# each timed run the database is dropped and made again, and every recording is read into the
# page cache.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bench_setup 5 hyperfine jq -- "$@"
source "$ROOT/tests/support/pgserver.sh"
/usr/bin/python3 -c 'import distributed' 2>/dev/null ||
  { echo "dask.sh: python3-distributed is needed (scripts/setup.sh)" >&2; exit 1; }
cmake --build "$BUILD" -j2 --target vistrel-cli vistrel-mkrec >/dev/null
CLI="$BUILD/cli/vistrel-cli"
MKREC="$BUILD/tools/vistrel-mkrec"
DRIVER="$ROOT/contrib/dask/vistrel_index.py"

# ---- data: 1,000 recordings of 100 frames, 640x480 (about 4.6 MB each), as bench/archive.sh makes them
ARCHIVE="$DATA/archive-1000"
mkdir -p "$ARCHIVE"
for k in $(seq -w 1 1000); do
  [[ -s $ARCHIVE/cam$k.mjp ]] || "$MKREC" "$ARCHIVE/cam$k.mjp" --frames 100 --unique 8 --seed "$((10#$k))" >/dev/null
done
BYTES=$(du -b --apparent-size -c "$ARCHIVE"/*.mjp | tail -1 | cut -f1)
COUNT=$(ls "$ARCHIVE"/*.mjp | wc -l)

pgserver_start
URL=$(pgserver_createdb bench)
cat >"$OUT/dask-prepare.sh" <<EOF
$(pgserver_recreate_command bench)
cat "$ARCHIVE"/*.mjp >/dev/null
EOF

median() {  # name, command... -> median wall time, s
  local name=$1; shift
  hyperfine -N --style none --runs "$REPS" --prepare "sh $OUT/dask-prepare.sh" --export-json "$OUT/$name.json" "$*" \
    >/dev/null 2>"$OUT/$name.log" || { cat "$OUT/$name.log" >&2; exit 1; }
  jq -r '.results[0].median' "$OUT/$name.json"
}
DASK_S=$(median dask_index /usr/bin/python3 "$DRIVER" --local 2 --db "$URL" --cli "$CLI" "$ARCHIVE")
DASK8_S=$(median dask_index_batch8 /usr/bin/python3 "$DRIVER" --local 2 --batch 8 --db "$URL" --cli "$CLI" "$ARCHIVE")
CLI_S=$(median dask_cli_index "$CLI" index "$ARCHIVE" --db "$URL" --jobs 2)
# The driver's own cost: Python, the cluster started and closed, around one recording.
mkdir -p "$DATA/archive-1"
[[ -e $DATA/archive-1/cam0001.mjp ]] || ln "$ARCHIVE/cam0001.mjp" "$DATA/archive-1/cam0001.mjp"
START_S=$(median dask_index1 /usr/bin/python3 "$DRIVER" --local 2 --db "$URL" --cli "$CLI" "$DATA/archive-1")

# Both fill the index alike: every recording, the same answers.
sh "$OUT/dask-prepare.sh"
/usr/bin/python3 "$DRIVER" --local 2 --db "$URL" --cli "$CLI" "$ARCHIVE" >/dev/null
"$CLI" archive --db "$URL" --json >"$OUT/dask-archive.json"
sh "$OUT/dask-prepare.sh"
"$CLI" index "$ARCHIVE" --db "$URL" --jobs 2 >/dev/null
"$CLI" archive --db "$URL" --json | cmp -s - "$OUT/dask-archive.json" ||
  { echo "dask.sh: the index made through Dask differs from vistrel-cli's" >&2; exit 1; }
[[ $(wc -l <"$OUT/dask-archive.json") == "$COUNT" ]] ||
  { echo "dask.sh: $(wc -l <"$OUT/dask-archive.json") of $COUNT recordings indexed" >&2; exit 1; }

# The batch size the driver chose for 2 workers.
BATCH=$(cd "$ROOT/contrib/dask" && /usr/bin/python3 -c "import vistrel_index; print(vistrel_index.batch_size($COUNT, 2))")
echo "== The index through Dask: $REPS runs each (hyperfine), median, whole commands (the driver's include starting"
echo "   and closing its cluster); a fresh PostgreSQL 15 database on this machine each run, the recordings in the page cache"
awk -v dask="$DASK_S" -v dask8="$DASK8_S" -v cli="$CLI_S" -v start="$START_S" -v b="$BYTES" -v n="$COUNT" -v batch="$BATCH" '
  function row(what, ours, peer, ratio, bar, ok) {
    printf "| %s | %s | %s | %s | %s%s |\n", what, ours, peer, ratio, bar, ok ? "" : " (missed)"
  }
  function rate(s) { return sprintf("%.2f GB/s (%.2f s)", b / s / 1e9, s) }
  BEGIN {
    peer = rate(cli) " vistrel-cli index --jobs 2"
    print "| Measure | Vistrel | Peer | Ratio | Bar |"
    print "|---|---|---|---|---|"
    row(sprintf("index into PostgreSQL, first run, %d recordings (%.2f GB), Dask local cluster of 2 workers, batches as the driver cuts them (%d)", n, b / 1e9, batch),
        rate(dask), peer, sprintf("%.2fx", cli / dask), "about 1x", cli / dask >= 0.8)
    row("  the same, batches of 8", rate(dask8), peer, sprintf("%.2fx", cli / dask8), "-", 1)
    row("  the driver alone: Python, its cluster started and closed, one recording", sprintf("%.2f s", start), "-", "-", "-", 1)
    row("  the same, the driver alone subtracted", rate(dask - start), peer, sprintf("%.2fx", cli / (dask - start)), "-", 1)
    row("  batches of 8, the driver alone subtracted", rate(dask8 - start), peer, sprintf("%.2fx", cli / (dask8 - start)), "-", 1)
  }'
