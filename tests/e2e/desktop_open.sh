#!/usr/bin/env bash
# Opening a recording the way a desktop does: the program is started once so that it
# registers itself, closed, and then a recording whose folder and name hold blanks is
# opened through the desktop (xdg-open, or GLib's launcher reading the desktop entry).
# The viewer that comes up must have the path whole as its one argument, hold the
# recording open and show its frame. Everything goes to private XDG folders.
#   desktop_open.sh VISTREL VISTREL-MKREC
set -euo pipefail
vistrel=$(realpath "$1")
mkrec=$2
source "$(dirname "$0")/xserver.sh"
start_test
# No desktop session: xdg-open takes its generic path, which reads only the XDG files.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID \
  MATE_DESKTOP_SESSION_ID LXQT_SESSION_CONFIG DBUS_SESSION_BUS_ADDRESS BROWSER

window() { xdotool search --name '^Vistrel_3.0$' 2>/dev/null | head -n1; }

# First start, no recording: registration happens once the window is up.
"$vistrel" >"$work/app.log" 2>&1 & app=$!
marker=$XDG_CONFIG_HOME/vistrel/registered
for _ in $(seq 100); do [ -e "$marker" ] && break; sleep 0.2; done
[ -e "$marker" ] || fail "no registration marker after the first start"
kill $app; wait $app 2>/dev/null || true; app=
for _ in $(seq 50); do [ -z "$(window)" ] && break; sleep 0.1; done

entry=$XDG_DATA_HOME/applications/vistrel.desktop
grep -qxF "Exec=$vistrel %f" "$entry" || fail "desktop entry's Exec line: $(grep ^Exec= "$entry" || true)"
type=$(xdg-mime query default application/x-vistrel-mjp)
[ "$type" = vistrel.desktop ] || fail "xdg-mime default for our type: '$type'"

rec="$work/Nagrania z kamery/nagranie 1.MJP"
mkdir -p "$(dirname "$rec")"
"$mkrec" "$rec" --frames 1 --seed 11 >/dev/null
# Without a desktop, xdg-open finds a file's type with `mimetype` (libfile-mimeinfo-perl);
# where that is missing, GLib's launcher opens the desktop entry itself.
if command -v mimetype >/dev/null; then xdg-open "$rec" >>"$work/app.log" 2>&1 & opener=$!
else gio launch "$entry" "$rec" >>"$work/app.log" 2>&1; fi
for _ in $(seq 100); do [ -n "$(window)" ] && break; sleep 0.2; done
win=$(window)
[ -n "$win" ] || fail "no viewer window after opening the recording"
app=$(xdotool getwindowpid "$win")

# One argument, the whole path; and that file is the one held open.
mapfile -d '' argv <"/proc/$app/cmdline"
[ ${#argv[@]} -eq 2 ] && [ "${argv[1]}" = "$rec" ] || fail "arguments: $(printf '[%s] ' "${argv[@]:1}")"
held=$(readlink /proc/$app/fd/* || true)
grep -qxF "$rec" <<<"$held" || fail "the viewer does not hold the recording open"

eval "$(xdotool getwindowgeometry --shell "$win")"   # X, Y, WIDTH, HEIGHT
ffmpeg -loglevel error -f mjpeg -i "$rec" -frames:v 1 -y "$work/expected.png"
wait_for_picture "$work/expected.png"
echo "e2e desktop open: ok"
