# Sourced by the end-to-end tests: a private X server on a display it picks itself (-displayfd).

# Ends the test with a reason, and the program's last words when it left any.
fail() {
  echo "FAIL: $*"
  [ -s "$work/app.log" ] && { echo "--- program output:"; tail -n 20 "$work/app.log"; }
  exit 1
}

# Evaluates the condition $2 every 0.1 s until it holds, at most $1 times.
retry() { local n; for ((n = $1; n > 0; n--)); do eval "$2" && return 0; sleep 0.1; done; return 1; }

# Sets $xvfb (the server's pid) and exports DISPLAY; needs $work.
start_x_server() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  retry 100 '[ -s "$work/display" ] || ! kill -0 $xvfb 2>/dev/null' && [ -s "$work/display" ] || return 1
  export DISPLAY=":$(head -n1 "$work/display")"
  retry 50 'xdpyinfo >/dev/null 2>&1'
}

# Scratch $work, private XDG folders and a magenta backdrop; all gone at exit with $app, $opener, X.
start_test() {
  work=$(mktemp -d)
  app= opener= xvfb=
  trap 'kill $app $opener $xvfb 2>/dev/null || true; wait $app $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
  start_x_server || fail "no X server could be started"
  unset QT_QPA_PLATFORM
  export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
  mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
  convert -size 16x16 xc:'#FF00FF' "$work/bg.png"
  display -window root "$work/bg.png" >/dev/null 2>&1 || true
}

window() { xdotool search --name '^Vistrel_3.0$' 2>/dev/null | head -n1; }

# Starts "$@" and sets $app, $win, X, Y, WIDTH, HEIGHT; a fresh server (a new one may refuse its first client).
start_viewer() {
  for attempt in 1 2 3; do
    "$@" >"$work/app.log" 2>&1 &
    app=$!
    for _ in $(seq 150); do
      win=$(window) && [ -n "$win" ] && eval "$(xdotool getwindowgeometry --shell "$win")" && return 0
      kill -0 "$app" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$app" 2>/dev/null && return 1  # running, but no window
    grep -q "could not connect to display" "$work/app.log" || return 1
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    start_x_server || return 1
  done
  return 1
}

shot() { import -window root "$work/shot.png"; }

# Takes screenshots until "${@:2}" holds, for at most $1 seconds.
poll() {
  local tries
  for ((tries = $1 * 5; tries > 0; tries--)); do
    shot
    "${@:2}" && return 0
    sleep 0.2
  done
  return 1
}

# The RMSE (0 to 1) of the screen area $1 (WxH+X+Y) in $work/shot.png against the picture in $2.
rmse_of() {
  convert "$work/shot.png" -crop "$1" +repage "$work/area.png"
  (compare -metric RMSE "$work/area.png" "$2" null: 2>&1 || true) | sed -E 's/.*\((.*)\).*/\1/'
}
below() { awk -v e="$1" -v m="$2" 'BEGIN { exit !(e < m) }'; }

# Frame $2 of the recording $1 (ffmpeg's decoding; filters $4) into the picture $3.
frame_of() { ffmpeg -loglevel error -f mjpeg -i "$1" -vf "select=eq(n\,$2)${4:-}" -fps_mode passthrough -frames:v 1 -y "$3"; }

# Waits up to 10 s for the picture area to show recording $1's first frame (RMSE below 0.03).
shows_picture() { rmse=$(rmse_of "640x480+$((X + 24))+$((Y + 50))" "$1") && below "$rmse" 0.03; }
wait_for_first_frame() {
  frame_of "$1" 0 "$work/expected.png"
  poll 10 shows_picture "$work/expected.png" || fail "picture area does not show the recording's frame (RMSE $rmse)"
  echo "picture area RMSE against the decoded frame: $rmse"
}
