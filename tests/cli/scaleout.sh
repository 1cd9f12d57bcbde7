#!/usr/bin/env bash
# A shared index on a real PostgreSQL server answers as the SQLite index of the same folder does, byte for byte:
# filled through the Dask driver on a local cluster of two worker processes, by two indexers at once (nothing read
# twice, nothing missed), and by an indexer killed midway and run again. A claim of another machine is left to it
# until it expires, then taken over.
set -euo pipefail
cli=$1 mkrec=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
driver=$here/../../contrib/dask/vistrel_index.py
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

/usr/bin/python3 -c 'import distributed' 2>/dev/null ||
  fail "Dask's distributed scheduler is missing for /usr/bin/python3 (python3-distributed; scripts/setup.sh installs it)"
source "$here/../support/pgserver.sh"
pgserver_start

# The archive: 40 small recordings (4 pictures each, quick to make), some in a subfolder, one with a name that is
# not UTF-8.
arch=$work/archive
mkdir -p "$arch/day2"
for k in $(seq 1 40); do
  name=$arch/cam$k.mjp
  ((k > 30)) && name=$arch/day2/cam$k.mjp
  ((k == 40)) && name=$arch/day2/$'kamera-\xff\xfe'.mjp
  "$mkrec" "$name" --frames 30 --unique 4 --seed "$k" >/dev/null
done
recordings=40

# summary OUTPUT: "read unchanged dropped failed left" from the line a run prints.
summary() {
  sed -En 's/^[0-9]+ recordings: ([0-9]+) read, ([0-9]+) unchanged, ([0-9]+) dropped, ([0-9]+) failed(, ([0-9]+) left to other indexers)?$/\1 \2 \3 \4 \6/p' "$1" |
    awk '{ print $1, $2, $3, $4, ($5 == "" ? 0 : $5) }'
}

# The answers compared, each over the whole index.
questions=("archive --json" "archive --over 60" "archive --over 60 --csv" "events --over 60" "events --over 60 --csv")
# same_answers URL SQLITE WHAT: every answer from the PostgreSQL index equals the SQLite index's, byte for byte.
same_answers() {
  local q
  for q in "${questions[@]}"; do
    "$cli" $q --db "$1" >"$work/pg.out" 2>"$work/pg.err" || fail "$3: '$q' from PostgreSQL: $(cat "$work/pg.err")"
    "$cli" $q --db "$2" >"$work/sqlite.out" 2>"$work/sqlite.err" || fail "$3: '$q' from SQLite: $(cat "$work/sqlite.err")"
    [ -s "$work/sqlite.out" ] || fail "$3: '$q' answered nothing"
    cmp -s "$work/pg.out" "$work/sqlite.out" ||
      fail "$3: '$q' differs from SQLite's: $(diff "$work/pg.out" "$work/sqlite.out" | head -5)"
  done
}
# recordings_in DATABASE: the recordings the PostgreSQL database holds (0 before its tables exist).
recordings_in() { pgserver_psql "$1" -Atc "SELECT count(*) FROM recording" 2>/dev/null || echo 0; }

"$cli" index "$arch" --db "$work/plain.sqlite" >/dev/null
"$cli" index "$arch" --db "$work/decoded.sqlite" --decode >/dev/null
[ "$("$cli" events --db "$work/plain.sqlite" --over 60 | wc -l)" -ge 10 ] || fail "too few events over 60 km/h to compare"

# a) Through Dask: a local cluster of two worker processes, batches of 4, into PostgreSQL over TCP.
url=$(pgserver_createdb dask)
"$driver" --local 2 --batch 4 --db "$url" --cli "$cli" "$arch" >"$work/out" 2>"$work/err" ||
  fail "the driver: status $? ($(cat "$work/err"))"
[ "$(cat "$work/out")" = "$recordings recordings to read: $recordings read, 0 unchanged, 0 failed" ] ||
  fail "the driver's line: $(cat "$work/out")"
# Nothing on stderr but, perhaps, a log line of Dask's own.
if grep -Evq '^[-0-9]+ [0-9:,]+ - distributed\.' "$work/err"; then fail "the driver said on stderr: $(cat "$work/err")"; fi
same_answers "$url" "$work/plain.sqlite" "through Dask"
# Run again, nothing to read; one recording gone and one changed: the plan forgets the one, the other is read.
"$driver" --local 2 --db "$url" --cli "$cli" "$arch" >"$work/out" 2>"$work/err" || fail "a second run: $(cat "$work/err")"
[ "$(cat "$work/out")" = "0 recordings to read: 0 read, 0 unchanged, 0 failed" ] || fail "a second run: $(cat "$work/out")"
mv "$arch/cam7.mjp" "$work/cam7.mjp"
touch -d '2026-01-02 03:04:05' "$arch/day2/cam33.mjp"
"$driver" --local 2 --db "$url" --cli "$cli" "$arch" >"$work/out" 2>"$work/err" || fail "after a change: $(cat "$work/err")"
[ "$(cat "$work/out")" = "1 recordings to read: 1 read, 0 unchanged, 0 failed" ] || fail "after a change: $(cat "$work/out")"
"$cli" index "$arch" --db "$work/plain.sqlite" >"$work/out"
[ "$(summary "$work/out")" = "1 38 1 0 0" ] || fail "SQLite after a change: $(cat "$work/out")"
same_answers "$url" "$work/plain.sqlite" "through Dask, after a change"
mv "$work/cam7.mjp" "$arch/cam7.mjp"
"$cli" index "$arch" --db "$work/plain.sqlite" >/dev/null
"$cli" index "$arch" --db "$work/decoded.sqlite" --decode >/dev/null
# A recording that cannot be read is named, and the status says so.
mkdir "$work/broken"
cp "$arch/cam1.mjp" "$work/broken/"
ln -s "$work/nowhere.mjp" "$work/broken/gone.mjp"
status=0
"$driver" --local 1 --db "$url" --cli "$cli" "$work/broken" >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 1 ] || fail "a recording that cannot be read: status $status"
[ "$(cat "$work/out")" = "2 recordings to read: 1 read, 0 unchanged, 1 failed" ] || fail "with a failure: $(cat "$work/out")"
grep -q "broken/gone.mjp: no such file" "$work/err" || fail "the failure is not named: $(cat "$work/err")"
# The driver's own failures, each said in one line: status 2 for a usage error, 1 for a scheduler that nobody runs
# (after its time-out, not a hang), a vistrel-cli that is not there or one that does not end in time.
printf '#!/bin/sh\n[ "$2" = --plan ] && exec "%s" "$@"\nexec sleep 60\n' "$cli" >"$work/stuck-cli"
chmod +x "$work/stuck-cli"
stuck_url=$(pgserver_createdb stuck)
while IFS='|' read -r want words message; do
  status=0
  env -u VISTREL_DB timeout 60 "$driver" $words "$arch" >"$work/out" 2>"$work/err" || status=$?
  if [ "$status" != "$want" ] || ! grep -q -- "$message" "$work/err"; then
    fail "the driver $words: status $status, not $want with '$message': $(cat "$work/err")"
  fi
done <<CASES
2|--local 2 --cli $cli|--db is required
2|--local 0 --db $url --cli $cli|--local must be at least 1
1|--scheduler tcp://127.0.0.1:1 --timeout 2 --db $url --cli $cli|cannot reach the scheduler tcp://127.0.0.1:1
1|--local 1 --db $url --cli $work/no-such-cli|vistrel-cli not found
1|--local 1 --batch 100 --batch-timeout 2 --db $stuck_url --cli $work/stuck-cli|did not end within 2 s; killed
2|--local 1 --batch-timeout 0 --db $url --cli $cli|--batch-timeout must be more than 0
CASES
echo "through Dask: $recordings recordings, the answers equal SQLite's; a change, a gone recording, failures"

# b) Two indexers at once on a fresh database, one over TCP, one over the unix socket: together they read each
# recording once. Three times, as a recording read twice depends on how the two meet.
for round in 1 2 3; do
  url=$(pgserver_createdb "together$round")
  socket_url="postgresql://$PGSERVER_USER@/together$round?host=$PGSERVER_DIR&port=$PGSERVER_PORT"
  "$cli" index "$arch" --db "$url" --jobs 1 --decode >"$work/one" 2>"$work/one.err" &
  first=$!
  "$cli" index "$arch" --db "$socket_url" --jobs 1 --decode >"$work/two" 2>"$work/two.err" ||
    fail "the second indexer: $(cat "$work/two.err")"
  wait $first || fail "the first indexer: $(cat "$work/one.err")"
  read -r read1 _ _ failed1 _ < <(summary "$work/one")
  read -r read2 _ _ failed2 _ < <(summary "$work/two")
  if [ "$((read1 + read2))" != "$recordings" ] || [ "$((failed1 + failed2))" != 0 ]; then
    fail "two indexers read $read1 + $read2 of $recordings: $(cat "$work/one" "$work/two")"
  fi
  same_answers "$url" "$work/decoded.sqlite" "two indexers at once"
  echo "two indexers at once: $read1 + $read2 read of $recordings, the answers equal SQLite's"
done

# c) An indexer killed with SIGKILL midway, then run again.
url=$(pgserver_createdb killed)
"$cli" index "$arch" --db "$url" --jobs 1 --decode >/dev/null 2>&1 &
victim=$!
for _ in $(seq 600); do
  [ "$(recordings_in killed)" -ge 2 ] && break
  sleep 0.02
done
{
  kill -9 $victim
  wait $victim || true
} 2>/dev/null  # without the shell's "Killed"
# Its connections' server processes end once they have done what it had sent (a last commit, perhaps).
for _ in $(seq 500); do
  [ "$(pgserver_psql killed -Atc "SELECT count(*) FROM pg_stat_activity WHERE datname = 'killed' AND pid <> pg_backend_pid()")" = 0 ] && break
  sleep 0.02
done
stored=$(recordings_in killed)
((stored >= 2 && stored < recordings)) || fail "the kill did not land midway: $stored of $recordings stored"
"$cli" index "$arch" --db "$url" --decode >"$work/out" 2>&1 || fail "the rerun: $(cat "$work/out")"
[ "$(summary "$work/out")" = "$((recordings - stored)) $stored 0 0 0" ] || fail "the rerun after $stored: $(cat "$work/out")"
same_answers "$url" "$work/decoded.sqlite" "killed, then run again"
echo "killed after $stored of $recordings recordings: the rerun read the rest, the answers equal SQLite's"

# d) Claims put in by hand: one is left while it has not expired, and one of this machine only while its process
# runs too; then they are taken over. Each time the recording has changed and needs reading.
"$cli" index --plan "$arch" --db "$url" >"$work/plan"
[ ! -s "$work/plan" ] || fail "--plan over an index up to date: $(tr '\0' ' ' <"$work/plan")"
touch -d '2026-01-03 04:05:06' "$arch/cam5.mjp"
"$cli" index --plan "$arch" --db "$url" >"$work/plan"
[ "$(tr '\0' '\n' <"$work/plan")" = "$arch/cam5.mjp" ] || fail "--plan: $(tr '\0' ' ' <"$work/plan")"
hex=$(head -c -1 "$work/plan" | od -An -tx1 -v | tr -d ' \n')
sleep 300 </dev/null >/dev/null 2>&1 &
running=$!
ended=$(sh -c 'echo $$')  # a process that has ended
day=3
while read -r host pid expiry want what; do
  touch -d "2026-01-0$((day++)) 04:05:06" "$arch/cam5.mjp"
  pgserver_psql killed -c "DELETE FROM claim" -c "INSERT INTO claim VALUES (decode('$hex', 'hex'), '$host', $pid,
    extract(epoch FROM now())::bigint + $expiry)"
  "$cli" index "$arch" --db "$url" --decode >"$work/out" 2>"$work/err" || fail "beside a claim ($what): $(cat "$work/err")"
  [ "$(summary "$work/out" | tr ' ' ,)" = "$want" ] || fail "a claim $what: $(cat "$work/out")"
done <<CLAIMS
elsewhere.example 1 3600 0,39,0,0,1 of another machine, not expired, is left
$(uname -n) $running 3600 0,39,0,0,1 of this machine, its process running, is left
$(uname -n) $ended 3600 1,39,0,0,0 of this machine, its process ended, is taken over
$(uname -n) $running -1 1,39,0,0,0 of this machine, expired, is taken over although its process runs
elsewhere.example 1 3600 0,39,0,0,1 of another machine, not expired, is left
elsewhere.example 1 -1 1,39,0,0,0 of another machine, expired, is taken over
CLAIMS
"$cli" index "$arch" --db "$work/decoded.sqlite" --decode >/dev/null
same_answers "$url" "$work/decoded.sqlite" "after the claims"
echo "claims: left while held (until they expire; this machine's only while their process runs), then taken over"
echo "cli scaleout: ok"
