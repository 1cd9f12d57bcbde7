# Sourced by the end-to-end tests: a private X server on a display it picks itself (-displayfd).

# Ends the test with a reason, and the program's last words when it left any.
fail() {
  echo "FAIL: $*"
  [ -n "${E2E_KEEP:-}" ] && [ -f "$work/shot.png" ] && cp "$work/shot.png" "$E2E_KEEP/fail.png"
  [ -s "$work/app.log" ] && { echo "--- program output:"; tail -n 20 "$work/app.log"; }
  exit 1
}

# Evaluates the condition $2 every 0.1 s until it holds, at most $1 times.
retry() { local n; for ((n = $1; n > 0; n--)); do eval "$2" && return 0; sleep 0.1; done; return 1; }

# Sets $xvfb (the server's pid) and exports DISPLAY; needs $work. The screen is $E2E_SCREEN (WxH), 1024x768 unless set.
start_x_server() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1024x768}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
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
# A visible window titled exactly $1, waited for up to 10 s.
window_named() { local w; for _ in $(seq 100); do w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) && [ -n "$w" ] && { echo "$w"; return 0; }; sleep 0.1; done; return 1; }
key() { xdotool key --clearmodifiers "$@"; }

# Starts "$@" and sets $app, $win (focused), X, Y, WIDTH, HEIGHT; a fresh server (a new one may refuse its first
# client).
start_viewer() {
  for attempt in 1 2 3; do
    "$@" >"$work/app.log" 2>&1 &
    app=$!
    for _ in $(seq 150); do
      win=$(window) && [ -n "$win" ] && eval "$(xdotool getwindowgeometry --shell "$win")" &&
        xdotool windowfocus --sync "$win" && return 0
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

# Frame $1 of $rec is on screen below the speed text drawn over it (RMSE below 0.02); the frame is decoded into
# $work/frame$1.png unless that is there already.
frame_shown() {
  [ -f "$work/frame$1.png" ] || frame_of "$rec" "$1" "$work/frame$1.png" ",crop=640:420:0:60"
  rmse=$(rmse_of "640x420+$((X + 24))+$((Y + 110))" "$work/frame$1.png") && below "$rmse" 0.02
}

# The transport row: faces' left edges and widths (window pixels); lamps and slider read from $work/shot.png.
left=(24 74 124 174 244 294 394 444 514 564 614)
width=(50 50 50 70 50 100 50 70 50 50 50)

picture() { convert "$work/shot.png" -crop "640x480+$((X + 24))+$((Y + 50))" +repage rgb:- | md5sum | cut -c1-32; }

# The knob's left edge: in row y 550 its 26 pixels are a dark rim around 24 bright ones.
knob() {
  convert "$work/shot.png" -crop "540x1+$X+$((Y + 550))" +repage -colorspace gray -depth 8 gray:- |
    od -An -v -tu1 -w1 |
    awk '$1 > 60 { if (f == "") f = NR - 1; l = NR - 1 }
         END { if (f != "" && l - f == 23) print f - 1; else print "none" }'
}

# Each lamp (24x25, centred at the top of its face): the lamp colour most of its pixels have.
lamp_left=()
for k in "${!left[@]}"; do lamp_left+=($((left[k] + (width[k] - 24) / 2))); done
lamps() {
  convert "$work/shot.png" -crop "660x25+$X+$((Y + 576))" +repage -depth 8 txt:- |
    awk -v L="${lamp_left[*]}" '
      BEGIN {
        split(L, l)
        name["#3399CC"] = "blue"; name["#FFFF00"] = "yellow"; name["#66FFFF"] = "lightcyan"
        name["#808080"] = "grey"; name["#A0A0A0"] = "lightgrey"
      }
      NR > 1 && match($0, /#[0-9A-Fa-f]+/) {
        c = toupper(substr($0, RSTART, 7)); split($1, p, ",")
        if (c in name) for (k = 1; k <= 11; k++) if (p[1] >= l[k] && p[1] < l[k] + 24) n[k, name[c]]++
      }
      END {
        for (k = 1; k <= 11; k++) {
          best = "none"; most = 20
          for (c in name) if (n[k, name[c]] > most) { most = n[k, name[c]]; best = name[c] }
          printf "%s%s", best, (k < 11 ? " " : "\n")
        }
      }'
}

lamps_are() { [ "$(lamps)" = "$1" ]; }
picture_is_not() { [ "$(picture)" != "$1" ]; }
knob_past() { local k; k=$(knob); [ "$k" != none ] && [ "$k" -ge "$1" ]; }

# Waits up to $2 seconds ("$1" says when) for every lamp blue, but lamp $3 in colour $4.
expect_lamps() {
  local k want=()
  for k in $(seq 0 10); do [ "$k" = "${3:-}" ] && want+=("$4") || want+=(blue); done
  poll "$2" lamps_are "${want[*]}" || fail "$1: lamps are [$(lamps)], expected [${want[*]}]"
}

