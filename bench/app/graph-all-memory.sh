#!/bin/bash
# The resident memory of the program at the 110000-reading cap on a real
# display (Xvfb with openbox), driven as a user would with xdotool: after the
# first fetch, after the window's menu (the way to the graph window) was
# opened and closed, with the graph window showing "All", after that window
# is closed, and after it was shown and closed once more; with the smaps
# after the fetch and after the first close for a comparison by mapping.
#
#   bench/app/graph-all-memory.sh BUILD_DIR [PROGRAM] [OUT_PREFIX]
#
# BUILD_DIR is a release build (its nimbrel-feed serves the weather); PROGRAM
# is the program to measure (default BUILD_DIR/src/app/nimbrel); the smaps go
# to OUT_PREFIX-fetched.smaps and OUT_PREFIX-closed.smaps (default
# /tmp/nimbrel-graph-memory). The clicks are placed for openbox's default
# theme. With FRAME=week the window keeps its first frame, the last week: the
# same steps without "All", for what the window itself costs.
set -u
build=${1:?usage: $0 BUILD_DIR [PROGRAM] [OUT_PREFIX]}
program=${2:-$build/src/app/nimbrel}
out=${3:-/tmp/nimbrel-graph-memory}
for tool in Xvfb openbox xdotool; do
  command -v $tool >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

. "$(dirname "$0")/common.sh"
bench_begin "$(mktemp -d)"
bench_display
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
bench_feed "$build"

# A year and more of readings, five minutes apart, each unlike its neighbours.
bench_cap_file "$work/data/settings.txt"

env HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share" XDG_STATE_HOME="$work/state" \
  QT_QPA_PLATFORM=xcb "$program" --folder "$work/data" --feed "$feed" --fetch-now >/dev/null 2>&1 &
pid=$!
pids+=($pid)
rss() { awk '/^Rss/{print $2}' "/proc/$pid/smaps_rollup"; }
sleep 4
fetched=$(rss)
cp "/proc/$pid/smaps" "$out-fetched.smaps"

# xdotool reports a managed window's position one title bar too low.
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
main=$(xdotool search --onlyvisible --name '^Nimbrel$' | head -1)
[ -n "$main" ] || { echo "no main window" >&2; exit 1; }
# A click on the window opens its menu.
open_menu() {
  geometry "$main"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
  sleep 0.7
}
# The menu alone, opened and closed: what the way to the graph window costs.
open_menu
xdotool key Escape
sleep 2
menu=$(rss)
# The fifth item shows the graph window.
open_menu
xdotool key Down Down Down Down Down Return
sleep 1.5
graph=$(xdotool search --onlyvisible --name 'Nimbrel - Graph' | head -1)
[ -n "$graph" ] || { echo "the graph window did not open" >&2; exit 1; }
geometry "$graph"
# "Time frame", then its first item, "All".
if [ "${FRAME:-all}" != week ]; then
  xdotool mousemove $((X + 125)) $((Y - 12)) click 1
  sleep 0.7
  xdotool key Down Return
fi
sleep 2.5
all=$(rss)
# The close button of the frame.
close_graph() {
  xdotool mousemove $((X + WIDTH - 11)) $((Y - 31)) click 1
  sleep 2
  open=$(xdotool search --onlyvisible --name 'Nimbrel - Graph' | wc -l)
  [ "$open" -eq 0 ] || { echo "the graph window did not close" >&2; exit 1; }
}
close_graph
closed=$(rss)
cp "/proc/$pid/smaps" "$out-closed.smaps"
[ "${FRAME:-all}" = week ] || [ $((all - fetched)) -gt 4096 ] || echo "warning: \"All\" added less than 4 MiB; was it chosen?" >&2
# Shown again (with "All", as it was left) and closed again: what stays for
# good is paid once.
open_menu
xdotool key Down Down Down Down Down Return
sleep 4
graph=$(xdotool search --onlyvisible --name 'Nimbrel - Graph' | head -1)
[ -n "$graph" ] || { echo "the graph window did not open again" >&2; exit 1; }
geometry "$graph"
close_graph
again=$(rss)
awk -v f="$fetched" -v m="$menu" -v a="$all" -v c="$closed" -v g="$again" 'BEGIN {
  printf "after the first fetch    %6.1f MiB\n", f / 1024
  printf "menu opened and closed   %6.1f MiB (%+.1f)\n", m / 1024, (m - f) / 1024
  printf "graph window shown       %6.1f MiB\n", a / 1024
  printf "after closing it         %6.1f MiB (%+.1f)\n", c / 1024, (c - f) / 1024
  printf "shown and closed again   %6.1f MiB (%+.1f)\n", g / 1024, (g - f) / 1024 }'
