#!/usr/bin/env bash
# The transport row driven by real clicks on its own X screen: a recording named on
# the command line plays at start, then stop, step forward, to end and fast forward
# are clicked, and each is judged from screenshots of the lamps behind the button
# symbols, the picture area and the slider knob.
#   transport.sh VISTREL VISTREL-MKREC
set -euo pipefail
vistrel=$1
mkrec=$2
work=$(mktemp -d)
app=
xvfb=
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/xserver.sh"
start_x_server || fail "no X server could be started"
unset QT_QPA_PLATFORM
# The first start registers the file type: into private folders, not the user's.
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
# A magenta backdrop shows what the window does not cover.
convert -size 16x16 xc:'#FF00FF' "$work/bg.png"
display -window root "$work/bg.png" >/dev/null 2>&1 || true

frames=200
rec="$work/demo.mjp"
"$mkrec" "$rec" --frames $frames --seed 7 >/dev/null
start_viewer "$work/app.log" "$vistrel" "$rec" || {
  kill -0 "$app" 2>/dev/null && fail "no window named Vistrel_3.0 appeared"
  fail "the program exited at start"
}
eval "$(xdotool getwindowgeometry --shell "$win")"   # X, Y, WIDTH, HEIGHT
[ "$X,$Y" = 0,0 ] || fail "window at $X,$Y, expected the screen's top-left corner 0,0"
[ "$WIDTH" = 755 ] && [ "$HEIGHT" = 631 ] || fail "window is ${WIDTH}x${HEIGHT}, expected 755x631"
echo "window: ${WIDTH}x${HEIGHT} at $X,$Y"

# --- Reading the screen -------------------------------------------------------------

left=(24 74 124 174 244 294 394 444 514 564 614)   # transport faces, window pixels
width=(50 50 50 70 50 100 50 70 50 50 50)

shot() { import -window root "$work/shot.png"; }

# A digest of the picture area (640x480 at 24,50).
picture() {
  convert "$work/shot.png" -crop "640x480+$((X + 24))+$((Y + 50))" +repage rgb:- | md5sum | cut -c1-32
}

# The knob's left edge, window pixels. In its middle row (y 550) the knob's 26 pixels
# are a dark rim around 24 bright ones; the track and the bar are dark.
knob() {
  convert "$work/shot.png" -crop "540x1+$X+$((Y + 550))" +repage -colorspace gray -depth 8 gray:- |
    od -An -v -tu1 -w1 |
    awk '$1 > 60 { if (f == "") f = NR - 1; l = NR - 1 }
         END { if (f != "" && l - f == 23) print f - 1; else print "none" }'
}

# The eleven lamp colours, left to right. Each lamp (24x25, centred on its face, top
# aligned) shows through the symbol; its colour is the lamp colour that most of the
# rectangle's pixels have, "none" when no lamp colour shows.
lamps() {
  convert "$work/shot.png" -crop "660x25+$X+$((Y + 576))" +repage -depth 8 txt:- |
    awk -v L="${left[*]}" -v W="${width[*]}" '
      BEGIN {
        split(L, l, " "); split(W, w, " ")
        name["#3399CC"] = "blue"; name["#FFFF00"] = "yellow"; name["#66FFFF"] = "lightcyan"
        name["#808080"] = "grey"; name["#A0A0A0"] = "lightgrey"
      }
      NR > 1 && match($0, /#[0-9A-Fa-f]+/) {
        c = toupper(substr($0, RSTART, 7)); if (!(c in name)) next
        split($1, p, ","); x = p[1]
        for (k = 1; k <= 11; k++) {
          from = l[k] + int((w[k] - 1) / 2) + 1 - 12
          if (x >= from && x < from + 24) n[k, name[c]]++
        }
      }
      END {
        for (k = 1; k <= 11; k++) {
          best = "none"; most = 20
          for (c in name) if (n[k, name[c]] > most) { most = n[k, name[c]]; best = name[c] }
          printf "%s%s", best, (k < 11 ? " " : "\n")
        }
      }'
}

# All lamps blue, except lamp $1 in colour $2.
lamps_with() {
  local k out=()
  for k in $(seq 0 10); do [ "$k" = "${1:-}" ] && out+=("$2") || out+=(blue); done
  echo "${out[*]}"
}

# Takes screenshots until "$@" holds, for at most $1 seconds.
poll() {
  local tries=$(($1 * 5)); shift
  while :; do
    shot
    "$@" && return 0
    tries=$((tries - 1))
    [ $tries -gt 0 ] || return 1
    sleep 0.2
  done
}

lamps_are() { [ "$(lamps)" = "$1" ]; }
picture_is_not() { [ "$(picture)" != "$1" ]; }
knob_past() { local k; k=$(knob); [ "$k" != none ] && [ "$k" -ge "$1" ]; }

# The pointer leaves the window after each click, so that nothing hovers over a face.
face_x() { echo $((X + left[$1] + width[$1] / 2)); }
face_y=$((Y + 576 + 14))
click() { xdotool mousemove "$(face_x "$1")" $face_y click 1 mousemove $((X + 900)) $((Y + 700)); }

# --- 1. Playing from the start --------------------------------------------------------

playing=$(lamps_with 7 yellow)
poll 10 lamps_are "$playing" || fail "at start: lamps are [$(lamps)], expected [$playing]"
echo "start: play lamp (7) yellow, the other ten blue"
pic=$(picture)
knob0=$(knob)
[ "$knob0" != none ] || fail "at start: no slider knob found in its track"
poll 3 picture_is_not "$pic" || fail "at start: the picture did not change within 3 s (not playing)"
echo "start: the picture changes while playing"
poll 6 knob_past $((knob0 + 5)) || fail "at start: the knob stayed at x=$(knob) (it was at $knob0) over 6 s"
echo "start: the knob moved right while playing, x $knob0 -> $(knob)"

# --- 2. Stop --------------------------------------------------------------------------

click 5
poll 5 lamps_are "$(lamps_with)" || fail "after stop: lamps are [$(lamps)], expected all blue"
echo "stop: all lamps blue"
sleep 0.2
shot; pic=$(picture); knob1=$(knob)
sleep 1
shot
[ "$(picture)" = "$pic" ] || fail "after stop: the picture changed within 1 s (still playing)"
[ "$(knob)" = "$knob1" ] || fail "after stop: the knob moved from x=$knob1 to x=$(knob)"
echo "stop: the picture and the knob (x $knob1) stay for 1 s"

# --- 3. Step forward ------------------------------------------------------------------

click 6
poll 5 picture_is_not "$pic" || fail "after step forward: the picture did not change within 5 s"
stepped=$(picture)
[ "$(lamps)" = "$(lamps_with)" ] || fail "after step forward: lamps are [$(lamps)], expected all blue"
echo "step forward: the picture changed, all lamps blue"
sleep 1
shot
[ "$(picture)" = "$stepped" ] || fail "after step forward: the picture went on changing (playing?)"
[ "$(knob)" = "$knob1" ] || fail "after step forward: the knob moved from x=$knob1 to x=$(knob)"
echo "step forward: the picture stays for 1 s and the knob stays at x $knob1"

# --- 4. To end ------------------------------------------------------------------------

click 10
poll 5 knob_past 490 || fail "after to end: the knob is at x=$(knob), expected 490-501"
knob2=$(knob)
[ "$knob2" -le 501 ] || fail "after to end: the knob is at x=$knob2, past the end of its track (501)"
[ "$(picture)" != "$stepped" ] || fail "after to end: the picture did not change"
[ "$(lamps)" = "$(lamps_with)" ] || fail "after to end: lamps are [$(lamps)], expected all blue"
echo "to end: the picture changed, the knob is at x $knob2 (end of track 501), all lamps blue"
# The picture is the recording's last frame. Compared below the speed text, which the
# window draws over the frame; the neighbouring frame differs there by about 0.04.
convert "$work/shot.png" -crop "640x420+$((X + 24))+$((Y + 50 + 60))" +repage "$work/picture.png"
ffmpeg -loglevel error -f mjpeg -i "$rec" -vf "select=eq(n\,$((frames - 1))),crop=640:420:0:60" \
  -fps_mode passthrough -frames:v 1 -y "$work/last.png"
rmse=$( (compare -metric RMSE "$work/picture.png" "$work/last.png" null: 2>&1 || true) | sed -E 's/.*\((.*)\).*/\1/')
awk -v e="$rmse" 'BEGIN { exit !(e < 0.02) }' ||
  fail "after to end: the picture is not the last frame (RMSE $rmse against it)"
echo "to end: the picture is the last frame (RMSE $rmse)"

# --- 5. Fast forward ------------------------------------------------------------------

# Pressed and released by hand: a blue lamp turns light cyan while held.
xdotool mousemove "$(face_x 8)" $face_y mousedown 1
poll 5 lamps_are "$(lamps_with 8 lightcyan)" || {
  xdotool mouseup 1
  fail "fast forward held down: lamps are [$(lamps)], expected lamp 8 light cyan, the others blue"
}
echo "fast forward held down: its lamp light cyan"
xdotool mouseup 1 mousemove $((X + 900)) $((Y + 700))
poll 5 lamps_are "$(lamps_with 8 yellow)" ||
  fail "after fast forward: lamps are [$(lamps)], expected lamp 8 yellow, the others blue"
echo "fast forward: its lamp yellow, the others blue"

kill -0 $app 2>/dev/null || fail "the program is no longer running"
echo "e2e transport: ok"
