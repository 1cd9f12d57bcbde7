#!/usr/bin/env bash
# Everyday use on a private X screen: keys and the wheel drive the player, the save options keep their
# choice while another program has the focus, and a slow export shows its whole progress caption.
set -euo pipefail
vistrel=$1 mkrec=$2 slow=$3
source "$(dirname "$0")/xserver.sh"
start_test

frames=400
rec="$work/demo.mjp"
"$mkrec" "$rec" --frames $frames --seed 5 >/dev/null
# Writes into files named slow-* (and their temporaries, .slow-*) wait 300 ms each: a copy of several 1 MB
# pieces takes seconds.
export SLOW_OUTPUT_PATH=slow- SLOW_OUTPUT_MS=300 ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0
# The program ends on its own here (SIGTERM): the leak check at its exit leaves out what the desktop bus library
# keeps for the process's lifetime.
echo "leak:libdbus-1.so" >"$work/lsan.supp"
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp
LD_PRELOAD=$slow start_viewer "$vistrel" "$rec" || fail "no window named Vistrel_3.0 appeared"
# After $1 s, a screenshot's area of the save options ($DX, $DY) as a checksum.
look() { sleep "$1"; shot; convert "$work/shot.png" -crop "337x289+$DX+$DY" +repage rgb:- | md5sum | cut -c1-32; }
# The message box $1 showed, closed by Return; the viewer has the focus again.
dismiss_message() {
  box=$(window_named Vistrel) || fail "$1 showed no message"
  xdotool windowfocus --sync "$box"
  key Return
  retry 50 '! xdotool search --onlyvisible --name "^Vistrel\$" >/dev/null 2>&1' || fail "the message after $1 did not close"
  xdotool windowfocus --sync "$win"
}

# Space stops playback, Ctrl+Right plays fastest forward, Escape stops.
expect_lamps "at start" 10 7 yellow
key space
expect_lamps "after Space" 5
key ctrl+Right
expect_lamps "after Ctrl+Right" 5 9 yellow
key Escape
expect_lamps "after Escape" 5

# Home shows the first frame; Right steps away from it; the wheel down and up again comes back to it.
key Home
poll 10 frame_shown 0 || fail "Home: not the first frame (RMSE $rmse)"
first=$(picture)
key Right
poll 5 picture_is_not "$first" || fail "Right: the picture stayed the first frame"
xdotool mousemove $((X + 24 + 320)) $((Y + 50 + 240)) click 5
shot; two=$(picture)
xdotool click 4 click 4
poll 5 frame_shown 0 || fail "wheel up twice after Right and wheel down: not the first frame (RMSE $rmse)"
[ "$two" != "$first" ] || fail "the wheel turned down did not step"

# Ctrl+wheel up at (200, 150) of the picture: 2x around it, each frame pixel a 2 x 2 block. The picture then
# shows frame pixels from (100, 75); below the speed text, compared with ffmpeg's decoding magnified alike.
loupe="format=rgb24,crop=320:240:100:75,scale=640:480:flags=neighbor,crop=640:420:0:60"
frame_of "$rec" 0 "$work/frame0x2.png" ",$loupe"
frame_of "$rec" 1 "$work/frame1x2.png" ",$loupe"
xdotool mousemove $((X + 24 + 200)) $((Y + 50 + 150)) keydown ctrl click 4 keyup ctrl
poll 5 frame_shown 0x2 || fail "Ctrl+wheel: not the first frame magnified 2x around the pointer (RMSE $rmse)"
key Right
poll 5 frame_shown 1x2 || fail "a step while magnified: not the same region of the next frame (RMSE $rmse)"
key Left 0
poll 5 frame_shown 0 || fail "0: not back to the plain first frame (RMSE $rmse)"
xdotool mousemove $((X + 900)) $((Y + 700))

# F1 lists the keys in a message box; Return closes it.
key F1
dismiss_message F1
# Everything marked: M at the first frame, M at the last; the message says how long it is.
key m End m
dismiss_message marking

# The save options: AVI chosen; another program takes the focus and gives it back; the choice stays.
key ctrl+s
dialog=$(window_named "Opcje zapisu") || fail "Ctrl+S showed no save options"
eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^/D/')"
xdotool windowfocus --sync "$dialog"
shown=$(look 0.3)
xdotool mousemove $((DX + 30)) $((DY + 120)) click 1
chosen=$(look 0.3)
[ "$chosen" != "$shown" ] || fail "clicking the AVI option changed nothing in the dialog"
xmessage -geometry +700+650 "inny program" &
other=$!
elsewhere=$(window_named xmessage) || fail "the other program showed no window"
xdotool windowfocus --sync "$elsewhere"
sleep 0.5
xdotool windowfocus --sync "$dialog"
back=$(look 0.5)
kill $other
[ "$back" = "$chosen" ] || {
  cp "$work/shot.png" "${E2E_KEEP:-$work}/back.png" 2>/dev/null || true
  fail "the save options changed while another program had the focus"
}

# MJP, OK, and in the save dialog a name the slow output applies to.
xdotool mousemove $((DX + 30)) $((DY + 80)) click 1 mousemove $((DX + 284)) $((DY + 260)) click 1
sleep 1
key ctrl+a
xdotool type --delay 20 "$work/slow-cut.MJP"
key Return

# The caption while it copies: white text about the picture's centre, far wider than its 37-pixel box.
caption_width() {
  convert "$work/shot.png" -crop "640x29+$((X + 24))+$((Y + 50 + 216))" +repage -depth 8 txt:- |
    awk 'NR > 1 && match($0, /#[0-9A-Fa-f]+/) {
           c = toupper(substr($0, RSTART, 7)); split($1, p, ",")
           if (c == "#FFFFFF") { if (f == "" || p[1] < f) f = p[1]; if (p[1] > l) l = p[1] }
         }
         END { if (f == "") print "0 0"; else print f, l }'
}
whole_caption() { read -r from to < <(caption_width); [ $((to - from)) -ge 120 ] && [ $(((from + to) / 2 - 320)) -le 12 ] && [ $(((from + to) / 2 - 320)) -ge -12 ]; }
poll 20 whole_caption || fail "no whole progress caption during the export (white from x $(caption_width))"
cp "$work/shot.png" "${E2E_KEEP:-$work}/caption.png" 2>/dev/null || true
echo "caption spans x $(caption_width) of the picture"

# Done: the caption gone, the last frame back, the copy holds every frame.
poll 60 frame_shown $((frames - 1)) || fail "after the export: the picture is not the last frame (RMSE $rmse)"
read -r from to < <(caption_width)
[ "$to" = 0 ] || fail "the caption stayed after the export (white from x $from to $to)"
copied=$(ffprobe -v error -f mjpeg -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$work/slow-cut.MJP")
[ "$copied" = $frames ] || fail "the copy holds $copied frames, not $frames"

kill -0 $app 2>/dev/null || fail "the program is no longer running"

# SIGTERM in the middle of a second export: it stops as the stop button stops it, the copy so far is moved into
# place whole (no temporary left), and the program ends on its own.
key ctrl+s
window_named "Opcje zapisu" >/dev/null || fail "Ctrl+S showed no save options the second time"
xdotool mousemove $((DX + 30)) $((DY + 80)) click 1 mousemove $((DX + 284)) $((DY + 260)) click 1
sleep 1
key ctrl+a
xdotool type --delay 20 "$work/slow-term.MJP"
key Return
poll 20 whole_caption || fail "no progress caption during the second export"
kill -TERM $app
retry 200 '! kill -0 $app 2>/dev/null' || fail "the program did not end within 20 s of SIGTERM"
wait $app && status=0 || status=$?
app=
[ $status = 0 ] || fail "the program ended with status $status after SIGTERM"
left=$(find "$work" -maxdepth 1 -name '.slow-*' | wc -l)
[ "$left" = 0 ] || fail "a temporary was left: $(ls -a "$work")"
copied=$(ffprobe -v error -f mjpeg -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$work/slow-term.MJP")
[ "$copied" -gt 0 ] && [ "$copied" -lt $frames ] || fail "the stopped copy holds $copied frames"
echo "SIGTERM: the stopped copy holds $copied of $frames frames"
echo "e2e everyday: ok"
