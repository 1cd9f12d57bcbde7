#!/usr/bin/env bash
# The evidence report as its reader meets it: the PDF read back by pdftotext, every hash in it
# checked against sha256sum of the recording and of export-jpeg's file for that frame; the HTML
# opened in headless Chromium and its screenshot taken; the plot as SVG and PNG.
set -euo pipefail
cli=$1 mkrec=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export XDG_RUNTIME_DIR=$work

rec=$work/rec.mjp
"$mkrec" "$rec" --frames 600 >/dev/null
"$cli" events "$rec" --over 60 --csv | tail -n +2 >"$work/events.csv"
events=$(wc -l <"$work/events.csv")
[ "$events" -ge 3 ] || fail "expected several events over 60 km/h, got $events"

"$cli" report "$rec" --over 60 -o "$work/report.pdf"
pdftotext -layout "$work/report.pdf" "$work/report.txt"
grep -q "$(sha256sum "$rec" | cut -c1-64)" "$work/report.txt" || fail "the recording's SHA-256 is not in the PDF"
grep -q "CAM-0417-A02" "$work/report.txt" || fail "the camera identifier is not in the PDF"
# The events' table: one row per event, its numbers as 'events' gives them; a one-frame event is one frame.
span() { [ "$1" = "$2" ] && echo "$1" || echo "$1–$2"; }
table_rows() { # the rows of the events in $1 (CSV) found in the text $2, each once
  local first last peak frame
  while IFS=, read -r _ first last _ _ peak frame; do
    [ "$(grep -Ec "^ *[0-9]+ +$(span "$first" "$last") +[0-9:–]+ +$peak +$frame *\$" "$2")" -eq 1 ] ||
      fail "$2: not one table row for the event $first-$last (peak $peak km/h at frame $frame)"
  done <"$1"
}
table_rows "$work/events.csv" "$work/report.txt"
while IFS=, read -r _ first last _ _ peak frame; do
  "$cli" export-jpeg "$rec" --frame "$frame" -o "$work/frame$frame.jpg"
  grep -q "$(sha256sum "$work/frame$frame.jpg" | cut -c1-64)" "$work/report.txt" ||
    fail "the SHA-256 of frame $frame as export-jpeg writes it is not in the PDF"
done <"$work/events.csv"
[ "$(grep -c 'Event [0-9]*: frame' "$work/report.txt")" -eq "$events" ] || fail "not one page section per event"

# A table over two pages: its header on each, every row whole on one of them, each page's part closed.
long=$work/long.mjp
"$mkrec" "$long" --frames 3000 --size 160x120 >/dev/null
"$cli" events "$long" --over 40 --csv | tail -n +2 >"$work/long.csv"
"$cli" report "$long" --over 40 -o "$work/long.pdf"
for page in 1 2; do
  pdftotext -layout -f $page -l $page "$work/long.pdf" "$work/long$page.txt"
  grep -Eq '^ *No\. +Frames +Time +Peak km/h +Peak frame *$' "$work/long$page.txt" || fail "page $page: no table header"
done
cat "$work/long1.txt" "$work/long2.txt" >"$work/long.txt"
table_rows "$work/long.csv" "$work/long.txt"
grep -Eq "^ *[0-9]+ +$(awk -F, '$2 == $3 { print $2; exit }' "$work/long.csv") +[0-9:]+ " "$work/long.txt" ||
  fail "no one-frame event in the long recording's table"
grep -Eq '(^| )([0-9]+)–\2( |$)' "$work/long.txt" && fail "an event reads as a run from a frame to itself"

# The report in each language: its heading, the table's header, the size and the file's date in that form.
months_pl=(stycznia lutego marca kwietnia maja czerwca lipca sierpnia września października listopada grudnia)
size=$(stat -c %s "$rec")
grouped() { echo "$size" | rev | sed -E "s/([0-9]{3})/\1$1/g; s/$1\$//" | rev; }
day=$(date -r "$rec" +%-d) month=$(date -r "$rec" +%-m) year=$(date -r "$rec" +%Y)
while IFS='|' read -r lang heading header sizeText date; do
  "$cli" report "$rec" --over 60 --lang "$lang" -o "$work/report-$lang.pdf"
  pdftotext -layout "$work/report-$lang.pdf" "$work/report-$lang.txt"
  for want in "$heading" "$header" "$sizeText" "$date"; do
    grep -Eq "$want" "$work/report-$lang.txt" || fail "--lang $lang: no '$want' in the PDF"
  done
done <<LANGUAGES
en|^Recording report|No\. +Frames +Time +Peak km/h +Peak frame|$(grouped ,) bytes|$day $(LC_ALL=C date -r "$rec" +%B) $year
pl|^Raport z nagrania|Nr +Klatki +Czas +Maks\. km/h +Klatka maks\.|$(grouped ' ') bajtów|$day ${months_pl[month - 1]} $year
LANGUAGES
status=0
"$cli" report "$rec" --over 60 --lang de -o "$work/de.pdf" 2>/dev/null || status=$?
[ $status -eq 2 ] || fail "--lang de: status $status, not the usage error"

# The integrity section. A clean recording: one line. A damaged one: each of the check's findings one row
# of the table (kind, frame, positions), in either language, and the report still verifies.
grep -Eq "^ *The recording is intact: $("$cli" check "$rec" --csv | awk -F, '$3 == "intact"' | grep -Eo '[0-9]+ frames') checked" \
  "$work/report.txt" || fail "the clean recording's report does not say it is intact"
bad=$work/bad.mjp
"$mkrec" "$work/part.mjp" --frames 40 --size 160x120 >/dev/null
cp "$work/part.mjp" "$bad"
tenth=$("$cli" frames "$work/part.mjp" --no-decode | sed -n 11p | grep -Eo '"start":[0-9]+' | cut -d: -f2)
dd if=/dev/zero of="$bad" bs=1 seek=$((tenth + 1)) count=300 conv=notrunc status=none # frame 10's tables
printf 'x%.0s' {1..100} >>"$bad"                                                      # bytes between frames
head -c -500 "$work/part.mjp" >>"$bad"                               # the camera's time anew, a cut-short end
status=0
"$cli" check "$bad" --csv | tail -n +2 | awk -F, '$2 != ""' >"$work/bad.csv" || status=$?
[ $status -eq 3 ] || fail "check of the damaged recording: status $status, not 3"
for kind in stray-bytes undecodable time-backward cut-short; do
  grep -q ",$kind," "$work/bad.csv" || fail "the damaged recording has no $kind finding"
done
while IFS='|' read -r lang heading kinds; do
  "$cli" report "$bad" --over 0 --lang "$lang" -o "$work/bad-$lang.pdf"
  pdftotext -layout "$work/bad-$lang.pdf" "$work/bad-$lang.txt"
  [ "$(grep -c "^$heading\$" "$work/bad-$lang.txt")" -eq 1 ] || fail "--lang $lang: no one heading '$heading'"
  grep -q 'intact\|nienaruszone' "$work/bad-$lang.txt" && fail "--lang $lang: the damaged recording reads as intact"
  declare -A title=()
  while IFS='=' read -r kind name; do title[$kind]=$name; done < <(tr ';' '\n' <<<"$kinds")
  while IFS=, read -r _ frame kind start end _; do
    [ "$(grep -Ec "^ *${title[$kind]} +$frame +$start–$end( |\$)" "$work/bad-$lang.txt")" -eq 1 ] ||
      fail "--lang $lang: not one row for $kind at frame $frame ($start-$end)"
  done <"$work/bad.csv"
done <<LANGUAGES
en|Integrity|stray-bytes=Stray bytes;undecodable=Undecodable frame;time-backward=Time backward;cut-short=Cut-short end
pl|Integralność|stray-bytes=Bajty poza klatkami;undecodable=Klatka nieczytelna;time-backward=Cofnięcie czasu;cut-short=Urwany koniec pliku
LANGUAGES
"$cli" verify "$work/bad-en.pdf" --against "$bad" >/dev/null || fail "the damaged recording's report does not verify"

"$cli" report "$rec" --over 60 -o "$work/report.html"
for f in "$work"/frame*.jpg; do
  grep -q "$(sha256sum "$f" | cut -c1-64)" "$work/report.html" || fail "$(basename "$f")'s hash is not in the HTML"
done
grep -q 'src="http' "$work/report.html" && fail "the HTML refers to something outside itself"
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=900,1300 \
  --screenshot="$work/page.png" "file://$work/report.html" >/dev/null 2>&1 || fail "Chromium could not open the HTML"
[ -n "${E2E_KEEP:-}" ] && cp "$work/page.png" "$E2E_KEEP/report-html.png"
# The page shows the plot: its blue line and red marks are there, on a white page.
colours=$(convert "$work/page.png" -fill black +opaque white -format "%[fx:mean]" info:)
awk -v m="$colours" 'BEGIN { exit !(m > 0.5 && m < 0.99) }' || fail "the page looks empty or unreadable (white share $colours)"
[ "$(convert "$work/page.png" -fill white +opaque '#d02020' -fill black -opaque '#d02020' -format "%[fx:mean]" info:)" != 1 ] ||
  fail "the plot's marks over the limit are not on the page"

"$cli" plot "$rec" --over 60 -o "$work/speed.svg" --size 800x300
grep -q '<svg' "$work/speed.svg" || fail "the SVG is not an SVG"
"$cli" plot "$rec" -o "$work/speed.png" --size 640x240
[ "$(identify -format '%wx%h' "$work/speed.png")" = 640x240 ] || fail "the PNG is not 640x240"
status=0
"$cli" plot "$rec" -o "$work/speed.gif" 2>/dev/null || status=$?
[ $status -eq 2 ] || fail "a .gif plot: status $status, not the usage error"
echo "report: $events events checked"
