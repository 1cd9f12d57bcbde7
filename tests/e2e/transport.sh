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

face_x() { echo $((X + left[$1] + width[$1] / 2)); }
face_y=$((Y + 576 + 14))
# The pointer leaves the window after each click, so that nothing hovers over a face.
click() { xdotool mousemove "$(face_x "$1")" $face_y click 1 mousemove $((X + 900)) $((Y + 700)); }

# Playing from the start: play lamp (7) yellow, picture and knob moving.
expect_lamps "at start" 10 7 yellow
pic=$(picture) knob0=$(knob)
[ "$knob0" != none ] || fail "at start: no slider knob found in its track"
poll 3 picture_is_not "$pic" || fail "at start: the picture did not change within 3 s (not playing)"
poll 6 knob_past $((knob0 + 5)) || fail "at start: the knob stayed at x=$(knob) (it was at $knob0) over 6 s"

# Stop: a second later picture and knob are where they were.
click 5
expect_lamps "after stop" 5
sleep 0.2; shot; pic=$(picture) knob1=$(knob)
sleep 1; shot
[ "$(picture)" = "$pic" ] && [ "$(knob)" = "$knob1" ] || fail "after stop: picture or knob ($knob1 -> $(knob)) moved"

# To end: the knob at the end of its track (501), the last frame shown, stopped.
click 10
poll 5 knob_past 490 || fail "after to end: the knob is at x=$(knob), expected 490-501"
[ "$(knob)" -le 501 ] || fail "after to end: the knob is at x=$(knob), past the end of its track (501)"
expect_lamps "after to end" 1
# The neighbouring frame differs by about 0.04.
frame_shown $((frames - 1)) || fail "after to end: the picture is not the last frame (RMSE $rmse against it)"

# Fast forward pressed by hand: its blue lamp turns light cyan while held.
xdotool mousemove "$(face_x 8)" $face_y mousedown 1
expect_lamps "fast forward held down" 5 8 lightcyan
xdotool mouseup 1 mousemove $((X + 900)) $((Y + 700))
expect_lamps "after fast forward" 5 8 yellow

kill -0 $app 2>/dev/null || fail "the program is no longer running"
echo "e2e transport: ok"
