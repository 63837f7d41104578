#!/usr/bin/env bash
# Builds Nimbrel and runs it against the bundled sample feed server.
#
# With a display, the program runs until you end it ("Exit Nimbrel" in its
# menu); the feed server is stopped after it. Without one, both run under a
# private Xvfb display for about a minute while xdotool works the real
# windows the way a person would, and a screenshot of every step is saved.
#
# Everything goes into demo/ of the checkout (or $NIMBREL_DEMO_DIR):
#   demo/data         the program's folder (settings.txt, captured pictures)
#   demo/screenshots  the screenshots of the run without a display
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
nimbrel_install_deps

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target nimbrel nimbrel-feed

bin="$root/build/release"
nimbrel="$bin/src/app/nimbrel"
feed="$bin/tools/nimbrel-feed/nimbrel-feed"
demo="${NIMBREL_DEMO_DIR:-$root/demo}"
data="$demo/data"
shots="$demo/screenshots"
mkdir -p "$data" "$shots"

# A first demo starts with a week of made-up readings every ten minutes, so
# the graph window has a history to draw from the start; the program thins
# it and appends its own readings from the sample feed server. The file names
# its location and interval: without them the program would read location ""
# and 0 minutes, and fetch .../id/.xml every minute.
if [ ! -e "$data/settings.txt" ]; then
  now=$(date +%s)
  seq $((now - 7 * 86400)) 600 $((now - 600)) | sed 's/^/@/' |
    date -f - +'%s %d/%m/%Y %H:%M:%S' |
    awk 'BEGIN { pi = atan2(0, -1); srand(8) }
      { t = $1; h = (t % 86400) / 3600.0
        temp = int(5 + 4 * sin(2 * pi * (h - 9) / 24) + 2 * sin(t / 190000.0) + rand() + 0.5)
        hum = int(82 - 12 * sin(2 * pi * (h - 9) / 24) + 3 * rand() + 0.5)
        T = T sep temp; H = H sep hum; W = W sep $2 " " $3; sep = "," }
      END { printf "<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n"
            printf "<last times>%s</last times>\r\n<last humids>%s</last humids>\r\n", W, H
            printf "<last temps>%s</last temps>\r\n", T
            printf "<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n" }' >"$data/settings.txt"
  echo "Started the demo with a week of sample readings in $data/settings.txt"
fi
logs="$demo/logs"
mkdir -p "$logs"

pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do
    kill "$p" 2>/dev/null || true
  done
  for p in "${pids[@]}"; do
    wait "$p" 2>/dev/null || true
  done
}
trap cleanup EXIT

# The feed server on a free loopback port; its first line names its address.
feed_out="$logs/nimbrel-feed.out"
: >"$feed_out"
"$feed" --port 0 >"$feed_out" 2>"$logs/nimbrel-feed.err" &
pids+=($!)
url=""
for _ in $(seq 100); do
  url=$(grep -o 'http://[^ ]*' "$feed_out" | head -1 || true)
  [ -n "$url" ] && break
  sleep 0.1
done
if [ -z "$url" ]; then
  echo "The feed server did not start; see $logs/nimbrel-feed.err" >&2
  exit 1
fi
echo "Feed server: $url"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Nimbrel (program folder $data). End it with \"Exit Nimbrel\" in its menu."
  status=0
  "$nimbrel" --folder "$data" --feed "$url" --fetch-now || status=$?
  exit $status
fi

# --- no display: a scripted run under Xvfb -----------------------------------
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "$tool is needed for the run without a display" >&2; exit 1; }
done

display_file="$logs/xvfb.display"
: >"$display_file"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$display_file" 2>"$logs/xvfb.err" &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
if [ ! -s "$display_file" ]; then
  echo "Xvfb did not start; see $logs/xvfb.err" >&2
  exit 1
fi
export DISPLAY=":$(head -1 "$display_file")"
export QT_QPA_PLATFORM=xcb
echo "Running without a display: Xvfb on $DISPLAY for about a minute"

start_time=$(date +%s)
"$nimbrel" --folder "$data" --feed "$url" --fetch-now >"$logs/nimbrel.out" 2>"$logs/nimbrel.err" &
nimbrel_pid=$!
pids+=($nimbrel_pid)

steps_done=0
steps_failed=0
step() {
  echo "  ok: $1"
  steps_done=$((steps_done + 1))
}
failed() {
  echo "  FAILED: $1" >&2
  steps_failed=$((steps_failed + 1))
}
shot_root() {
  import -window root "$shots/$1.png" 2>>"$logs/import.err"
}
shot_window() {
  import -window "$1" "$shots/$2.png" 2>>"$logs/import.err"
}
# The window id of the first visible window with this exact title.
find_window() {
  local name=$1 id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
count_pictures() {
  find "$data" -maxdepth 1 -name 'Screen_*.jpg' | wc -l
}
same_picture() {
  cmp -s "$1" "$2"
}

echo "Steps:"
if main=$(find_window "Nimbrel"); then
  step "the main window is on the screen"
else
  failed "the main window did not appear"
  exit 1
fi
# The first observation and forecast arrive right after start-up.
sleep 3
shot_window "$main" 01-main-window && step "screenshot of the main window"
shot_root 02-screen && step "screenshot of the whole screen"

# A click on the window's last-update line opens the pop-up menu.
xdotool mousemove --window "$main" 84 88 click 1
sleep 1
shot_root 03-popup-menu
popups=$(xdotool search --onlyvisible --class nimbrel 2>/dev/null | wc -l)
if [ "$popups" -ge 2 ]; then step "the pop-up menu opened"; else failed "the pop-up menu did not open"; fi

# "Show graph window" is the fifth command of the menu.
xdotool key --delay 80 Down Down Down Down Down Return
if graph=$(find_window "Nimbrel - Graph"); then
  step "\"Show graph window\" opened the graph window"
else
  failed "the graph window did not open"
  exit 1
fi
sleep 1
xdotool windowmove "$graph" 0 0 2>/dev/null || true
sleep 1
shot_window "$graph" 04-graph-window && step "screenshot of the graph window"

# Time frame: "Last 24 hours", the second item of the second menu.
xdotool mousemove --window "$graph" 120 10 click 1
sleep 0.7
shot_root 05-time-frame-menu
xdotool key --delay 80 Down Down Return
sleep 1
shot_window "$graph" 06-last-24-hours
if same_picture "$shots/04-graph-window.png" "$shots/06-last-24-hours.png"; then
  failed "choosing \"Last 24 hours\" changed nothing"
else
  step "time frame \"Last 24 hours\""
fi

# Graph type: "Temperature", the second item of the first menu.
xdotool mousemove --window "$graph" 35 10 click 1
sleep 0.7
shot_root 07-graph-type-menu
xdotool key --delay 80 Down Down Return
sleep 1
shot_window "$graph" 08-temperature
if same_picture "$shots/06-last-24-hours.png" "$shots/08-temperature.png"; then
  failed "choosing \"Temperature\" changed nothing"
else
  step "graph type \"Temperature\""
fi

# "3D", the last item of the first menu (below the separator).
xdotool mousemove --window "$graph" 35 10 click 1
sleep 0.7
xdotool key --delay 80 Up Return
sleep 1
shot_window "$graph" 09-3d
if same_picture "$shots/08-temperature.png" "$shots/09-3d.png"; then
  failed "choosing \"3D\" changed nothing"
else
  step "\"3D\""
fi

# "Capture" saves the graph window as a JPEG file and says so in a message
# box, which is closed with its OK button.
before=$(count_pictures)
xdotool mousemove --window "$graph" 185 10 click 1
box=""
for _ in $(seq 30); do
  box=$(xdotool search --onlyvisible --name "^Nimbrel\$" 2>/dev/null | grep -v "^$main\$" | head -1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
after=$(count_pictures)
if [ -n "$box" ]; then
  sleep 0.5
  shot_root 10-capture-message
  xdotool key --window "$box" Return 2>/dev/null || xdotool key Return
  sleep 0.5
  if [ "$after" -gt "$before" ]; then
    step "\"Capture\" saved a picture in $data"
  else
    failed "\"Capture\" showed a message but saved no picture"
  fi
elif grep -q "Image saved as" "$nimbrel"; then
  failed "\"Capture\" showed no message"
else
  echo "  (this build has no \"Capture\" command yet; skipped)"
fi

# "About Nimbrel…", the eighth command of the pop-up menu: the version, the
# licence and the data credits, closed again with Escape.
xdotool mousemove --window "$main" 84 88 click 1
sleep 0.7
xdotool key --delay 80 Down Down Down Down Down Down Down Down Return
if about=$(find_window "About Nimbrel"); then
  sleep 0.5
  shot_window "$about" 11-about-box && step "\"About Nimbrel…\" showed the version, the licence and the credits"
  xdotool key --window "$about" Escape 2>/dev/null || true
else
  failed "\"About Nimbrel…\" opened no box"
fi

# Let the program run for the rest of the minute, then end it the way the
# system would; it saves its settings on the way out.
now=$(date +%s)
rest=$((60 - (now - start_time)))
[ "$rest" -gt 0 ] && sleep "$rest"
shot_window "$main" 12-main-window-after-a-minute
kill -TERM "$nimbrel_pid"
status=0
wait "$nimbrel_pid" || status=$?
if [ "$status" -eq 0 ] && grep -q "<last reading>[^<]" "$data/settings.txt" 2>/dev/null; then
  step "Nimbrel ended on SIGTERM and saved its readings in $data/settings.txt"
else
  failed "Nimbrel did not end cleanly (status $status) or saved no reading"
fi

echo "Screenshots: $shots"
echo "Program folder: $data"
if [ "$steps_failed" -ne 0 ]; then
  echo "$steps_failed step(s) failed; logs are in $logs" >&2
  exit 1
fi
echo "All $steps_done steps happened."
