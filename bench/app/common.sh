# What the benchmark scripts of this folder share, sourced by each: a work
# folder removed at the end with every process started into `pids`, a
# private Xvfb display, the sample feed server of a release build, and a
# settings file at the 110000-reading cap.

# bench_begin WORK_DIR: the work folder, and the clean-up at exit.
bench_begin() {
  work=$1
  pids=()
  trap bench_cleanup EXIT
}
bench_cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null; wait "${pids[$i]}" 2>/dev/null; done
  rm -rf "$work"
}

# bench_display: a private Xvfb, exported as DISPLAY.
bench_display() {
  Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$work/display" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -1 "$work/display")
}

# bench_feed BUILD_DIR: the build's nimbrel-feed on a free port; its address
# in `feed`.
bench_feed() {
  "$1/tools/nimbrel-feed/nimbrel-feed" --port 0 >"$work/feed" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do grep -qo 'http://[0-9.:]*' "$work/feed" 2>/dev/null && break; sleep 0.05; done
  feed=$(grep -o 'http://[0-9.:]*' "$work/feed" | head -1)
  [ -n "$feed" ] || { echo "the feed server did not start" >&2; exit 1; }
}

# bench_cap_file PATH [HUMIDS_SHORT]: a year and more of readings, five
# minutes apart, each unlike its neighbours; with HUMIDS_SHORT=1 the
# humidity list is one short, so the file is damaged, kept aside and saved
# again at start-up.
bench_cap_file() {
  mkdir -p "$(dirname "$1")"
  python3 - "$1" "${2:-0}" <<'PY'
import sys, datetime
n = 110000
short = int(sys.argv[2])
end = datetime.datetime.now().replace(microsecond=0)
times = [(end - datetime.timedelta(minutes=5 * (n - 1 - i))).strftime("%d/%m/%Y %H:%M:%S") for i in range(n)]
temps = [str(5 + (i % 2) + (i // 500) % 10) for i in range(n)]
humids = [str(60 + i % 3) for i in range(n - short)]
with open(sys.argv[1], "w", newline="") as f:
    f.write("<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n")
    f.write("<last reading>sunny,12,66,%s</last reading>\r\n" % times[-1])
    f.write("<last times>%s</last times>\r\n" % ",".join(times))
    f.write("<last humids>%s</last humids>\r\n" % ",".join(humids))
    f.write("<last temps>%s</last temps>\r\n" % ",".join(temps))
    f.write("<forecast></forecast>\r\n<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n")
PY
}
