#!/usr/bin/env bash
# Builds the release and the sanitizer build and runs every test of both.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
nimbrel_install_deps

jobs=$(nproc)
status=0
for preset in release asan; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  if ! ctest --preset "$preset" -j "$jobs"; then
    status=1
  fi
done

# Fuzz targets run for a bounded time each under the sanitizers.
if command -v clang++ >/dev/null; then
  echo "== fuzz: configure and build"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  mkdir -p build/fuzz/corpus
  for f in build/fuzz/tests/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    mkdir -p "build/fuzz/corpus/$(basename "$f")"
    echo "== fuzz: $(basename "$f")"
    if ! "$f" -max_total_time="${NIMBREL_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -print_final_stats=0 \
         "build/fuzz/corpus/$(basename "$f")" $( [ -d "tests/fuzz/corpus/$(basename "$f")" ] && echo "tests/fuzz/corpus/$(basename "$f")" ) 2>build/fuzz/$(basename "$f").log; then
      tail -40 build/fuzz/$(basename "$f").log
      status=1
    fi
  done
fi

if [ $status -ne 0 ]; then
  echo "Some tests failed."
fi
exit $status
