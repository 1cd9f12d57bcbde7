#!/usr/bin/env bash
# The archive window on a private X screen: Ctrl+Shift+O and the folder typed into the dialog open
# "Archiwum" on a folder of three recordings; a click on the name column's header sorts it the
# other way round, a double-click on the first row opens that recording at its first event's peak
# frame, and N past its last event goes on into the next row's recording.
set -euo pipefail
vistrel=$1 mkrec=$2 cli=$3
source "$(dirname "$0")/xserver.sh"
export E2E_SCREEN=${E2E_SCREEN:-1680x1050}  # room for the archive beside the main window
start_test
export XDG_CACHE_HOME=$work/cache
db=$XDG_CACHE_HOME/vistrel/archive.sqlite

day="$work/day"
mkdir -p "$day"
for k in 1 2 10; do "$mkrec" "$day/cam$k.mjp" --frames 400 --seed $((k + 4)) >/dev/null; done
# The peaks over the first limit (50 km/h), as the command line finds them.
peaks() { "$cli" events "$day/$1" --over 50 --csv | tail -n +2 | cut -d, -f7; }
mapfile -t peaks10 < <(peaks cam10.mjp)
mapfile -t peaks2 < <(peaks cam2.mjp)
[ "${#peaks10[@]}" -ge 1 ] && [ "${#peaks2[@]}" -ge 1 ] || fail "expected events in cam10 and cam2"

start_viewer "$vistrel" || fail "no window named Vistrel_3.0 appeared"
expect_frame() { poll 10 frame_shown "$1" || fail "$2: frame $1 of $(basename "$rec") is not on screen (RMSE $rmse)"; }

key ctrl+shift+o
dialog=$(window_named "Wybierz folder z nagraniami") || fail "Ctrl+Shift+O: no folder dialog"
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 20 "$day"
sleep 0.3
key Return
arch=$(window_named "Archiwum – day") || fail "no archive window after the folder was chosen"
# Read in the background into the index: three recordings there, then the table is whole.
indexed() { [ "$("$cli" archive --db "$db" 2>/dev/null | tail -n +2 | wc -l)" = 3 ]; }
retry 100 indexed || fail "the archive's reading did not index the three recordings"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$arch" | sed 's/^/A_/')"

# The table's header lies under the row of filters; its first column is the name.
header_y=$((A_Y + ${ARCHIVE_HEADER_Y:-52}))
row_height=${ARCHIVE_ROW_HEIGHT:-24}
xdotool mousemove $((A_X + 40)) "$header_y" click 1
sleep 0.3
# Sorted by name the other way round: cam10, cam2, cam1. The first row, double-clicked.
xdotool mousemove $((A_X + 40)) $((header_y + row_height)) click --repeat 2 --delay 80 1
rec="$day/cam10.mjp"
expect_frame "${peaks10[0]}" "the first row double-clicked"
[ -n "${E2E_KEEP:-}" ] && { xdotool windowraise "$arch"; sleep 0.5; shot; cp "$work/shot.png" "$E2E_KEEP/archive.png"; }

# N in the main window: cam10's events, then on into the next row's recording, cam2.
xdotool windowraise "$win" windowfocus --sync "$win"
for ((k = 1; k < ${#peaks10[@]}; k++)); do key n; done
expect_frame "${peaks10[-1]}" "N to cam10's last event"
key n
rec="$day/cam2.mjp"
expect_frame "${peaks2[0]}" "N past cam10's last event"
key shift+n
rec="$day/cam10.mjp"
expect_frame "${peaks10[-1]}" "Shift+N back into cam10"
echo "archive: folder opened, sorted, double-click and N across recordings shown"
