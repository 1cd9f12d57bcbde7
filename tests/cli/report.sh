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
# The events' table: one row per event, its numbers as 'events' gives them.
while IFS=, read -r _ first last _ _ peak frame; do
  grep -Eq "^ *[0-9]+ +$first +$last +[0-9:]+ +[0-9:]+ +$peak +$frame *\$" "$work/report.txt" ||
    fail "no table row for the event $first-$last (peak $peak km/h at frame $frame)"
  "$cli" export-jpeg "$rec" --frame "$frame" -o "$work/frame$frame.jpg"
  grep -q "$(sha256sum "$work/frame$frame.jpg" | cut -c1-64)" "$work/report.txt" ||
    fail "the SHA-256 of frame $frame as export-jpeg writes it is not in the PDF"
done <"$work/events.csv"
[ "$(grep -c 'Event [0-9]*: frame' "$work/report.txt")" -eq "$events" ] || fail "not one page section per event"

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
