#!/usr/bin/env bash
# The real program on its own X screen: started with a one-frame recording, the
# picture area must show that frame (compared with ffmpeg's decoding of it) and the
# window's corners must be cut by its rounded outline.
#   first_frame.sh VISTREL VISTREL-MKREC
set -euo pipefail
vistrel=$1
mkrec=$2
source "$(dirname "$0")/xserver.sh"
start_test

# A path with blanks, passed as one argument.
rec="$work/nagranie z kamery.mjp"
"$mkrec" "$rec" --frames 1 --seed 7 >/dev/null
start_viewer "$work/app.log" "$vistrel" "$rec" || fail "the program did not show its window"
eval "$(xdotool getwindowgeometry --shell "$win")"   # X, Y, WIDTH, HEIGHT
[ "$WIDTH" = 755 ] && [ "$HEIGHT" = 631 ] || fail "window is ${WIDTH}x${HEIGHT}"
ffmpeg -loglevel error -f mjpeg -i "$rec" -frames:v 1 -y "$work/expected.png"
wait_for_picture "$work/expected.png"

# Corners are cut: the backdrop (whatever the screen shows away from the window)
# shows at each corner, the window just inside.
pixel() { convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
backdrop=$(pixel 1000 700)
for c in "$X $Y" "$((X + 754)) $Y" "$X $((Y + 630))" "$((X + 754)) $((Y + 630))"; do
  [ "$(pixel $c)" = "$backdrop" ] || fail "corner $c not cut: $(pixel $c)"
done
[ "$(pixel $((X + 16)) $((Y + 3)))" != "$backdrop" ] || fail "top edge missing"
echo "e2e first frame: ok"
