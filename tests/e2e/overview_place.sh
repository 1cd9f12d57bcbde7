#!/usr/bin/env bash
# Where G opens the overview on screens of three sizes: beside the main window where there is room, else
# below it; on the screen, and never over the main window's slider, transport row or command panel.
set -euo pipefail
vistrel=$1 mkrec=$2
here=$(dirname "$0")
rec_dir=$(mktemp -d)
trap 'rm -rf "$rec_dir"' EXIT
"$mkrec" "$rec_dir/demo.mjp" --frames 300 >/dev/null

# One screen: "WxH" and where the overview is to be (right or below).
check() (
  export E2E_SCREEN=$1
  source "$here/xserver.sh"
  start_test
  rec=$rec_dir/demo.mjp
  start_viewer "$vistrel" "$rec" || fail "$1: no window named Vistrel_3.0 appeared"
  key space g
  ov=$(window_named "Przegląd nagrania – demo.mjp") || fail "$1: G opened no overview"
  eval "$(xdotool getwindowgeometry --shell "$ov" | sed 's/^/OV_/')"
  local sw=${1%x*} sh=${1#*x}
  echo "$1: main ${WIDTH}x$HEIGHT+$X+$Y, overview ${OV_WIDTH}x$OV_HEIGHT+$OV_X+$OV_Y"
  [ "$OV_X" -ge 0 ] && [ "$OV_Y" -ge 0 ] && [ $((OV_X + OV_WIDTH)) -le "$sw" ] && [ $((OV_Y + OV_HEIGHT)) -le "$sh" ] ||
    fail "$1: the overview is not all on the screen"
  # The slider and the transport row (the bottom bar), the command panel: window rectangles x y w h.
  for control in "0 530 755 101" "664 50 91 480"; do
    read -r cx cy cw ch <<<"$control"
    ((OV_X >= X + cx + cw || OV_X + OV_WIDTH <= X + cx || OV_Y >= Y + cy + ch || OV_Y + OV_HEIGHT <= Y + cy)) ||
      fail "$1: the overview covers the main window's controls at $control"
  done
  case $2 in
    right) [ "$OV_X" -ge $((X + WIDTH)) ] || fail "$1: the overview is not beside the main window" ;;
    below) [ "$OV_Y" -ge $((Y + HEIGHT)) ] || fail "$1: the overview is not below the main window" ;;
  esac
  [ "$OV_WIDTH" -ge 400 ] && [ "$OV_HEIGHT" -ge 300 ] || fail "$1: the overview is too small to use"
  if [ -n "${E2E_KEEP:-}" ]; then sleep 0.5; shot; cp "$work/shot.png" "$E2E_KEEP/overview-$1.png"; fi
)

check 1280x1024 right
check 1600x1200 right
check 1920x1080 right
echo "overview placement: beside the main window on all three screens, clear of its controls"
