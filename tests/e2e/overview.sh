#!/usr/bin/env bash
# The recording at a glance on a private X screen: N and Shift+N jump to the events' peak frames,
# G opens the overview, an event chosen in its list and a click on its plot show that frame in
# the main window, and the right button's menu offers the same.
set -euo pipefail
vistrel=$1 mkrec=$2 cli=$3
source "$(dirname "$0")/xserver.sh"
start_test

rec="$work/demo.mjp"
"$mkrec" "$rec" --frames 600 >/dev/null
# The peaks at the overview's first limit (50 km/h), as the command line finds them.
mapfile -t peaks < <("$cli" events "$rec" --over 50 --csv | tail -n +2 | cut -d, -f7)
[ "${#peaks[@]}" -ge 3 ] || fail "expected three or more events, got ${#peaks[@]}"

start_viewer "$vistrel" "$rec" || fail "no window named Vistrel_3.0 appeared"
expect_frame() { poll 10 frame_shown "$1" || fail "$2: frame $1 is not on screen (RMSE $rmse)"; }

key Home
key n
expect_frame "${peaks[0]}" "N from the start"
expect_lamps "after a jump" 5
key n
expect_frame "${peaks[1]}" "N again"
key shift+n
expect_frame "${peaks[0]}" "Shift+N"

# The overview beside (here: over) the main window, on the first limit.
key g
ov=$(window_named "Przegląd nagrania – demo.mjp") || fail "G: no overview window"
eval "$(xdotool getwindowgeometry --shell "$ov" | sed 's/^/OV_/')"
# Its list has the keyboard: the third event, Enter.
xdotool windowfocus --sync "$ov" key --clearmodifiers Down Down Return
xdotool windowraise "$win"
expect_frame "${peaks[2]}" "the third event chosen in the list"
# A click at the plot's right end: a frame of the recording's last second, the knob at the end.
xdotool windowraise "$ov" mousemove $((OV_X + OV_WIDTH - 30)) $((OV_Y + 150)) click 1
xdotool windowraise "$win"
poll 10 knob_past 480 || fail "a click at the plot's right end: the knob stands at $(knob), not at the end"
[ -n "${E2E_KEEP:-}" ] && { xdotool windowraise "$ov"; sleep 0.5; shot; cp "$work/shot.png" "$E2E_KEEP/overview.png"; }

# The picture's menu: its first row opens the overview, its second jumps as N does.
xdotool windowraise "$win" windowfocus --sync "$win"
key Home
xdotool mousemove $((X + 300)) $((Y + 300)) click 3
sleep 0.5
key Down Down Return
expect_frame "${peaks[0]}" "the menu's next event"
echo "overview: N, Shift+N, list, plot and menu jumps shown"
