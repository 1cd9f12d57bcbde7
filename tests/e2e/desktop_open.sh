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
work=$(mktemp -d)
app=
opener=
xvfb=
trap 'kill $app $opener $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/xserver.sh"
start_x_server || fail "no X server could be started"
unset QT_QPA_PLATFORM
# No desktop session: xdg-open takes its generic path, which reads only the XDG files.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID \
  MATE_DESKTOP_SESSION_ID LXQT_SESSION_CONFIG DBUS_SESSION_BUS_ADDRESS BROWSER
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
convert -size 16x16 xc:'#FF00FF' "$work/bg.png"
display -window root "$work/bg.png" >/dev/null 2>&1 || true

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

# Without a desktop, xdg-open finds a file's type with `mimetype` (libfile-mimeinfo-perl).
if command -v mimetype >/dev/null; then
  echo "opening with xdg-open"
  xdg-open "$rec" >>"$work/app.log" 2>&1 & opener=$!
else
  echo "opening with gio launch (mimetype is missing, xdg-open would not find the type)"
  gio launch "$entry" "$rec" >>"$work/app.log" 2>&1
fi
for _ in $(seq 100); do [ -n "$(window)" ] && break; sleep 0.2; done
win=$(window)
[ -n "$win" ] || fail "no viewer window after opening the recording"
app=$(xdotool getwindowpid "$win")

# One argument, the whole path; and that file is the one held open.
mapfile -d '' argv <"/proc/$app/cmdline"
[ ${#argv[@]} -eq 2 ] && [ "${argv[1]}" = "$rec" ] ||
  fail "arguments: $(printf '[%s] ' "${argv[@]:1}")"
held=no
for fd in /proc/$app/fd/*; do [ "$(readlink "$fd")" = "$rec" ] && held=yes; done
[ $held = yes ] || fail "the viewer does not hold the recording open"

eval "$(xdotool getwindowgeometry --shell "$win")"   # X, Y, WIDTH, HEIGHT
ffmpeg -loglevel error -f mjpeg -i "$rec" -frames:v 1 -y "$work/expected.png"
wait_for_picture "$work/expected.png"
echo "e2e desktop open: ok"
