# Sourced by the end-to-end tests: a private X server on a display number the server
# picks itself (-displayfd), so tests running side by side never share or lose one.
# Needs $work (a scratch folder); sets $xvfb (its pid) and exports DISPLAY.

# Ends the test with a reason, and the program's last words when it left any.
fail() {
  echo "FAIL: $*"
  [ -s "$work/app.log" ] && { echo "--- program output:"; tail -n 20 "$work/app.log"; }
  exit 1
}

start_x_server() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || return 1
    sleep 0.05
  done
  [ -s "$work/display" ] || return 1
  export DISPLAY=":$(head -n1 "$work/display")"
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

# Starts the program (arguments as given) and waits for its window; sets $app and $win.
# A program that could not reach the server at start is given a fresh server, up to
# three times in all: under load a new server has been seen to refuse its first client.
start_viewer() {
  local log=$1
  shift
  for attempt in 1 2 3; do
    "$@" >"$log" 2>&1 &
    app=$!
    win=
    for _ in $(seq 150); do
      win=$(xdotool search --name '^Vistrel_3.0$' 2>/dev/null | head -n1) && [ -n "$win" ] && return 0
      kill -0 "$app" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$app" 2>/dev/null && return 1  # running, but no window
    grep -q "could not connect to display" "$log" || return 1
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    start_x_server || return 1
  done
  return 1
}

# Polls the picture area of the window at ($X, $Y) until it shows the picture in $1 (RMSE
# below 0.03), for up to ten seconds: a loaded machine may take a while to map and paint.
# Leaves the last screenshot in $work/shot.png and the figure in $rmse; fails if it never does.
wait_for_picture() {
  local expected=$1
  for _ in $(seq 40); do
    sleep 0.25
    import -window root "$work/shot.png"
    convert "$work/shot.png" -crop "640x480+$((X + 24))+$((Y + 50))" +repage "$work/picture.png"
    rmse=$( (compare -metric RMSE "$work/picture.png" "$expected" null: 2>&1 || true) | sed -E 's/.*\((.*)\).*/\1/')
    awk -v e="$rmse" 'BEGIN { exit !(e < 0.03) }' && break
  done
  echo "picture area RMSE against the decoded frame: $rmse"
  awk -v e="$rmse" 'BEGIN { exit !(e < 0.03) }' || fail "picture area does not show the recording's frame"
}
