#!/bin/bash
# Which thread of the program waits for the disk when it saves: the program
# at the 110000-reading cap on a real display (Xvfb), started on a file whose
# lists do not line up, which it keeps aside and saves at once (the regular
# save, as at a quarter-hour tick), given one reading by the first fetch,
# then ended by SIGTERM (the save at the end, which waits for the disk on
# purpose), under strace. Each flush and rename is printed with the thread that made it and
# the time it took; the window's thread is the process itself.
#
#   bench/app/save-threads.sh BUILD_DIR [PROGRAM]
set -u
build=${1:?usage: $0 BUILD_DIR [PROGRAM]}
program=${2:-$build/src/app/nimbrel}
for tool in Xvfb strace; do
  command -v $tool >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

. "$(dirname "$0")/common.sh"
bench_begin "$(mktemp -d /var/tmp/nimbrel-save-threads.XXXXXX)"
bench_display
bench_feed "$build"

# The cap of readings, with one humidity short: the file is damaged, kept
# aside and saved again at start-up. On the disk the program's folder is on
# (not a tmpfs, where a flush costs nothing).
bench_cap_file "$work/data/settings.txt" 1

env HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share" XDG_STATE_HOME="$work/state" \
  QT_QPA_PLATFORM=xcb strace -f -T -tt -o "$work/trace" -e trace=fsync,fdatasync,rename,renameat,renameat2 \
  "$program" --folder "$work/data" --feed "$feed" --fetch-now >/dev/null 2>&1 &
tracer=$!
pids+=($tracer)
for _ in $(seq 200); do pid=$(pgrep -P $tracer | head -1); [ -n "$pid" ] && break; sleep 0.05; done
[ -n "$pid" ] || { echo "the program did not start" >&2; exit 1; }
sleep 4
kill -TERM "$pid"
wait $tracer 2>/dev/null
awk -v main="$pid" '
  $3 ~ /^(fsync|fdatasync|rename|renameat|renameat2)\(/ || $3 ~ /^<\.\.\./ {
    call = $3; sub(/\(.*/, "", call)
    if (call ~ /^</) { call = $4; }
    t = $NF; gsub(/[<>]/, "", t)
    who = ($1 == main) ? "window thread" : "thread " $1
    what = ""
    if (call ~ /rename/) { what = $0; sub(/^[^"]*"/, "", what); sub(/".*/, "", what); sub(/.*\//, "", what) }
    printf "%s  %-14s %-9s %8.3f ms  %s\n", $2, who, call, t * 1000, what
  }' "$work/trace"
[ -n "${SHOW_TRACE:-}" ] && cat "$work/trace"
