#!/usr/bin/env bash
# The real program on its own X screen: started with a one-frame recording, the
# picture area must show that frame (compared with ffmpeg's decoding of it) and the
# window's corners must be cut by its rounded outline.
#   first_frame.sh VISTREL VISTREL-MKREC
set -euo pipefail
vistrel=$1
mkrec=$2
work=$(mktemp -d)
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/xserver.sh"
start_x_server || { echo "FAIL: no X server could be started"; exit 1; }
unset QT_QPA_PLATFORM
# The first start registers the file type: into private folders, not the user's.
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
# A magenta backdrop shows what the window does not cover.
convert -size 16x16 xc:'#FF00FF' "$work/bg.png"
display -window root "$work/bg.png" >/dev/null 2>&1 || true

# A path with blanks, passed as one argument.
rec="$work/nagranie z kamery.mjp"
"$mkrec" "$rec" --frames 1 --seed 7 >/dev/null
start_viewer "$work/app.log" "$vistrel" "$rec" || { echo "FAIL: the program did not show its window"; cat "$work/app.log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$win")"   # X, Y, WIDTH, HEIGHT
[ "$WIDTH" = 755 ] && [ "$HEIGHT" = 631 ] || { echo "FAIL: window is ${WIDTH}x${HEIGHT}"; exit 1; }
ffmpeg -loglevel error -f mjpeg -i "$rec" -frames:v 1 -y "$work/expected.png"

pixel() { convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
wait_for_picture "$work/expected.png"

# Corners are cut: the backdrop (whatever the screen shows away from the window)
# shows at each corner, the window just inside.
backdrop=$(pixel 1000 700)
for c in "$X $Y" "$((X + 754)) $Y" "$X $((Y + 630))" "$((X + 754)) $((Y + 630))"; do
  [ "$(pixel $c)" = "$backdrop" ] || { echo "FAIL: corner $c not cut: $(pixel $c)"; exit 1; }
done
[ "$(pixel $((X + 16)) $((Y + 3)))" != "$backdrop" ] || { echo "FAIL: top edge missing"; exit 1; }
echo "e2e first frame: ok"
