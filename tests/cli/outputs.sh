#!/usr/bin/env bash
# Nothing half-written: every file the tool writes appears whole under its name or not at all. A write that
# fails (the file-size limit, a full file system) says its cause in one line and leaves the name as it was; a
# kill at any moment leaves the old file whole; SIGTERM, SIGHUP and SIGINT stop an export as the stop button does.
set -euo pipefail
cli=$1 mkrec=$2 slow=$3
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; umount "$work/small" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_RUNTIME_DIR=$work
rec=$work/rec.mjp
"$mkrec" "$rec" --frames 300 >/dev/null
recorded=$(sha256sum <"$rec")
old="the previous output, kept whole"

# temporaries FOLDER: the temporaries left there.
temporaries() { find "$1" -maxdepth 1 -name '.*.part-*' | wc -l; }

# Each writing command, its output named by @OUT: [name]=arguments.
declare -A commands=(
  [report.pdf]="report $rec --over 60 -o @OUT"
  [report.html]="report $rec --over 60 -o @OUT"
  [plot.png]="plot $rec --over 60 -o @OUT"
  [plot.svg]="plot $rec --over 60 -o @OUT"
  [cut.mjp]="export-mjp $rec --frames 10:200 -o @OUT"
  [cut.avi]="export-avi $rec --frames 10:200 --fps 10 --codec raw -o @OUT"
  [frame.jpg]="export-jpeg $rec --frame 20 -o @OUT"
)

# expect_failure CAUSE FOLDER NAME ARGS...: exit 1, one stderr line naming the output and the cause, the old file
# under the name untouched, no temporary left.
expect_failure() {
  local cause=$1 folder=$2 name=$3
  shift 3
  [ "$status" = 1 ] || fail "$name in $folder: status $status, not 1 ($(cat "$work/err"))"
  [ "$(wc -l <"$work/err")" = 1 ] || fail "$name: stderr is not one line: $(cat "$work/err")"
  grep -q "$folder/$name: .*$cause" "$work/err" || fail "$name: the line lacks the output or '$cause': $(cat "$work/err")"
  [ "$(cat "$folder/$name")" = "$old" ] || fail "$name: the old file was changed"
  [ "$(temporaries "$folder")" = 0 ] || fail "$name: a temporary was left in $folder"
}

# Past the file-size limit (8 kB): "File too large".
for name in "${!commands[@]}"; do
  echo "$old" >"$work/$name"
  args=${commands[$name]//@OUT/$work/$name}
  status=0
  (ulimit -f 8 && exec "$cli" $args --force) >/dev/null 2>"$work/err" || status=$?
  expect_failure "File too large" "$work" "$name"
done
echo "past the file-size limit: ${#commands[@]} outputs failed whole"

# On a full 100 kB file system (a tmpfs of a private mount namespace): "No space left on device". The old file
# takes a little of it; what the command writes cannot fit.
mkdir "$work/small"
if unshare -rm true 2>/dev/null; then
  for name in "${!commands[@]}"; do
    args=${commands[$name]//@OUT/$work/small/$name}
    status=0
    unshare -rm sh -c 'mount -t tmpfs -o size=100k none "$1" && echo "$2" >"$1/$3" && head -c 90000 /dev/zero >"$1/filler" &&
      shift 3 && exec "$@" --force' sh "$work/small" "$old" "$name" "$cli" $args >/dev/null 2>"$work/err" || status=$?
    # The old file is checked inside the namespace's tmpfs, gone now: the status and the line stand for it.
    [ "$status" = 1 ] || fail "$name on a full file system: status $status ($(cat "$work/err"))"
    [ "$(wc -l <"$work/err")" = 1 ] && grep -q "small/$name: .*No space left on device" "$work/err" ||
      fail "$name on a full file system: $(cat "$work/err")"
  done
  echo "on a full file system: ${#commands[@]} outputs failed with the cause"
else
  echo "on a full file system: skipped (no private mount namespace here)"
fi

# Slowed down (every write into a file named slow-* or its temporary waits 300 ms), an export runs long enough
# to be killed in the middle.
export SLOW_OUTPUT_PATH=slow- SLOW_OUTPUT_MS=300 ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0
# start_slow NAME ARGS...: the export in the background, $pid, once its temporary has appeared.
start_slow() {
  local name=$1
  shift
  LD_PRELOAD=$slow "$cli" "$@" -o "$work/$name" --force >/dev/null 2>"$work/err" &
  pid=$!
  for _ in $(seq 100); do
    [ "$(temporaries "$work")" = 1 ] && sleep 0.7 && return 0
    sleep 0.1
  done
  fail "$name: no temporary appeared"
}

# kill -9: the old file stays whole beside the temporary; the next run that writes the name removes it.
echo "$old" >"$work/slow-9.mjp"
start_slow slow-9.mjp export-mjp "$rec" --from 1 --to 14000000
kill -9 $pid
wait $pid 2>/dev/null || true
[ "$(cat "$work/slow-9.mjp")" = "$old" ] || fail "kill -9: the old file was changed"
[ "$(temporaries "$work")" = 1 ] || fail "kill -9: the temporary is not recognisable beside the old file"
SLOW_OUTPUT_PATH= "$cli" export-mjp "$rec" --from 1 --to 1000 -o "$work/slow-9.mjp" --force
[ "$(temporaries "$work")" = 0 ] || fail "the next run left the killed run's temporary"
echo "kill -9: the old file whole, the temporary removed by the next run"

# SIGTERM, SIGHUP, SIGINT: stopped as by the stop button: one line, status 1, the part written so far moved
# into place (an MJP the range's first bytes, an AVI a complete video with its index).
for sig in TERM HUP INT; do
  for name in slow-$sig.mjp slow-$sig.avi; do
    echo "$old" >"$work/$name"
    case $name in
      *.mjp) start_slow "$name" export-mjp "$rec" --from 1 --to 14000000 ;;
      *.avi) start_slow "$name" export-avi "$rec" --frames 0:250 --fps 10 --codec raw ;;
    esac
    kill -$sig $pid
    status=0
    wait $pid || status=$?
    [ "$status" = 1 ] || fail "$name: status $status after SIG$sig"
    [ "$(wc -l <"$work/err")" = 1 ] && grep -q "$name: stopped" "$work/err" || fail "$name: $(cat "$work/err")"
    [ "$(temporaries "$work")" = 0 ] || fail "$name: a temporary was left"
    case $name in
      *.mjp) cmp -s "$work/$name" <(head -c "$(stat -c %s "$work/$name")" "$rec") && [ -s "$work/$name" ] ||
        fail "$name: not the range's first bytes" ;;
      *.avi) [ -z "$(ffmpeg -v error -i "$work/$name" -f null - 2>&1)" ] || fail "$name does not play whole" ;;
    esac
  done
done
echo "SIGTERM, SIGHUP, SIGINT: stopped, the part written moved into place"
[ "$(sha256sum <"$rec")" = "$recorded" ] || fail "the recording was changed"
echo "cli outputs: ok"
