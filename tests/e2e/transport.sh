#!/usr/bin/env bash
# Transport row by real clicks on a private X screen, judged from screenshots of lamps, picture and knob.
set -euo pipefail
mkrec=$2
source "$(dirname "$0")/xserver.sh"
start_test

frames=200
rec="$work/demo.mjp"
"$mkrec" "$rec" --frames $frames --seed 7 >/dev/null
start_viewer "$1" "$rec" || fail "no window named Vistrel_3.0 appeared"
[ "$X,$Y" = 0,0 ] || fail "window at $X,$Y, expected the screen's top-left corner 0,0"

left=(24 74 124 174 244 294 394 444 514 564 614) # transport faces, window pixels
width=(50 50 50 70 50 100 50 70 50 50 50)

picture() { convert "$work/shot.png" -crop "640x480+$((X + 24))+$((Y + 50))" +repage rgb:- | md5sum | cut -c1-32; }

# The knob's left edge: in row y 550 its 26 pixels are a dark rim around 24 bright ones.
knob() {
  convert "$work/shot.png" -crop "540x1+$X+$((Y + 550))" +repage -colorspace gray -depth 8 gray:- |
    od -An -v -tu1 -w1 |
    awk '$1 > 60 { if (f == "") f = NR - 1; l = NR - 1 }
         END { if (f != "" && l - f == 23) print f - 1; else print "none" }'
}

# Each lamp (24x25, centred at the top of its face): the lamp colour most of its pixels have.
lamp_left=()
for k in "${!left[@]}"; do lamp_left+=($((left[k] + (width[k] - 24) / 2))); done
lamps() {
  convert "$work/shot.png" -crop "660x25+$X+$((Y + 576))" +repage -depth 8 txt:- |
    awk -v L="${lamp_left[*]}" '
      BEGIN {
        split(L, l)
        name["#3399CC"] = "blue"; name["#FFFF00"] = "yellow"; name["#66FFFF"] = "lightcyan"
        name["#808080"] = "grey"; name["#A0A0A0"] = "lightgrey"
      }
      NR > 1 && match($0, /#[0-9A-Fa-f]+/) {
        c = toupper(substr($0, RSTART, 7)); split($1, p, ",")
        if (c in name) for (k = 1; k <= 11; k++) if (p[1] >= l[k] && p[1] < l[k] + 24) n[k, name[c]]++
      }
      END {
        for (k = 1; k <= 11; k++) {
          best = "none"; most = 20
          for (c in name) if (n[k, name[c]] > most) { most = n[k, name[c]]; best = name[c] }
          printf "%s%s", best, (k < 11 ? " " : "\n")
        }
      }'
}

lamps_are() { [ "$(lamps)" = "$1" ]; }
picture_is_not() { [ "$(picture)" != "$1" ]; }
knob_past() { local k; k=$(knob); [ "$k" != none ] && [ "$k" -ge "$1" ]; }

# Waits up to $2 seconds ("$1" says when) for every lamp blue, but lamp $3 in colour $4.
expect_lamps() {
  local k want=()
  for k in $(seq 0 10); do [ "$k" = "${3:-}" ] && want+=("$4") || want+=(blue); done
  poll "$2" lamps_are "${want[*]}" || fail "$1: lamps are [$(lamps)], expected [${want[*]}]"
}

face_x() { echo $((X + left[$1] + width[$1] / 2)); }
face_y=$((Y + 576 + 14))
# The pointer leaves the window after each click, so that nothing hovers over a face.
click() { xdotool mousemove "$(face_x "$1")" $face_y click 1 mousemove $((X + 900)) $((Y + 700)); }

# Playing from the start: play lamp (7) yellow, picture and knob moving.
expect_lamps "at start" 10 7 yellow
pic=$(picture)
knob0=$(knob)
[ "$knob0" != none ] || fail "at start: no slider knob found in its track"
poll 3 picture_is_not "$pic" || fail "at start: the picture did not change within 3 s (not playing)"
poll 6 knob_past $((knob0 + 5)) || fail "at start: the knob stayed at x=$(knob) (it was at $knob0) over 6 s"

# Stop: a second later picture and knob are where they were.
click 5
expect_lamps "after stop" 5
sleep 0.2
shot; pic=$(picture); knob1=$(knob)
sleep 1
shot
[ "$(picture)" = "$pic" ] && [ "$(knob)" = "$knob1" ] || fail "after stop: picture or knob ($knob1 -> $(knob)) moved"

# To end: the knob at the end of its track (501), the last frame shown, stopped.
click 10
poll 5 knob_past 490 || fail "after to end: the knob is at x=$(knob), expected 490-501"
[ "$(knob)" -le 501 ] || fail "after to end: the knob is at x=$(knob), past the end of its track (501)"
expect_lamps "after to end" 1
# Below the speed text drawn over the frame; the neighbouring frame differs there by about 0.04.
frame_of "$rec" $((frames - 1)) "$work/last.png" ",crop=640:420:0:60"
rmse=$(rmse_of "640x420+$((X + 24))+$((Y + 110))" "$work/last.png")
below "$rmse" 0.02 || fail "after to end: the picture is not the last frame (RMSE $rmse against it)"

# Fast forward pressed by hand: its blue lamp turns light cyan while held.
xdotool mousemove "$(face_x 8)" $face_y mousedown 1
expect_lamps "fast forward held down" 5 8 lightcyan
xdotool mouseup 1 mousemove $((X + 900)) $((Y + 700))
expect_lamps "after fast forward" 5 8 yellow

kill -0 $app 2>/dev/null || fail "the program is no longer running"
echo "e2e transport: ok"
