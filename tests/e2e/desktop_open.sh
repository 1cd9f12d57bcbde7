#!/usr/bin/env bash
# A first start registers the program; the desktop then opens a recording with blanks in its path.
set -euo pipefail
vistrel=$(realpath "$1")
source "$(dirname "$0")/xserver.sh"
start_test
# No desktop session: xdg-open takes its generic path, which reads only the XDG files.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID \
  MATE_DESKTOP_SESSION_ID LXQT_SESSION_CONFIG DBUS_SESSION_BUS_ADDRESS BROWSER

start_viewer "$vistrel" || fail "the program did not show its window"
retry 200 '[ -e "$XDG_CONFIG_HOME/vistrel/registered" ]' || fail "no registration marker after the first start"
kill $app; wait $app 2>/dev/null || true; app=
retry 50 '[ -z "$(window)" ]' || true

entry=$XDG_DATA_HOME/applications/vistrel.desktop
grep -qxF "Exec=$vistrel %f" "$entry" || fail "desktop entry's Exec line: $(grep ^Exec= "$entry" || true)"
type=$(xdg-mime query default application/x-vistrel-mjp)
[ "$type" = vistrel.desktop ] || fail "xdg-mime default for our type: '$type'"

rec="$work/Nagrania z kamery/nagranie 1.MJP"
mkdir -p "$(dirname "$rec")"
"$2" "$rec" --frames 1 --seed 11 >/dev/null
# Without `mimetype` (libfile-mimeinfo-perl) xdg-open cannot type the file: GLib launches the entry.
open_recording() {
  if command -v mimetype >/dev/null; then xdg-open "$rec" >>"$work/app.log" 2>&1 & opener=$!
  else gio launch "$entry" "$rec" >>"$work/app.log" 2>&1; fi
}
open_recording
# A fresh server now and then refuses a client: the desktop's launch is tried once more then.
if ! retry 200 'win=$(window); [ -n "$win" ]'; then
  grep -q "could not connect to display" "$work/app.log" || fail "no viewer window after opening the recording"
  open_recording
  retry 200 'win=$(window); [ -n "$win" ]' || fail "no viewer window after opening the recording twice"
fi
app=$(xdotool getwindowpid "$win")

mapfile -d '' argv <"/proc/$app/cmdline"
[ ${#argv[@]} -eq 2 ] && [ "${argv[1]}" = "$rec" ] || fail "arguments: $(printf '[%s] ' "${argv[@]:1}")"
grep -qxF "$rec" <<<"$(readlink /proc/$app/fd/* || true)" || fail "the viewer does not hold the recording open"

eval "$(xdotool getwindowgeometry --shell "$win")" # X, Y, WIDTH, HEIGHT
[ "$WIDTH" = 755 ] && [ "$HEIGHT" = 631 ] || fail "window is ${WIDTH}x${HEIGHT}"
poll 10 frame_shown 0 || fail "picture area does not show the recording's frame (RMSE $rmse)"

# Corners cut: the backdrop shows at each corner, the window just inside.
pixel() { convert "$work/shot.png" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
backdrop=$(pixel 1000 700)
for c in "$X $Y" "$((X + 754)) $Y" "$X $((Y + 630))" "$((X + 754)) $((Y + 630))"; do
  [ "$(pixel $c)" = "$backdrop" ] || fail "corner $c not cut: $(pixel $c)"
done
[ "$(pixel $((X + 16)) $((Y + 3)))" != "$backdrop" ] || fail "top edge missing"
echo "e2e desktop open: ok"
