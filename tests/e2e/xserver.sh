# Sourced by the end-to-end tests: a private X server on a display number the server
# picks itself (-displayfd), so tests running side by side never share or lose one.
# Needs $work (a scratch folder); sets $xvfb (its pid) and exports DISPLAY.
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
