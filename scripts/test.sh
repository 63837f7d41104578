#!/usr/bin/env bash
# Builds the release, the address/undefined sanitizer and the thread
# sanitizer builds, runs their tests and the bounded fuzzers, checks the
# Debian package made from the release build, and checks the layering of the
# includes and the formatting of every source file.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
nimbrel_install_deps

jobs=$(nproc)
status=0

# The locales whose numbers or case rules differ from C's: the tests that
# write or read numbers run under each, and fail when one is missing.
for loc in de_DE fr_FR tr_TR; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
    localedef -i "$loc" -f UTF-8 "$loc.UTF-8" 2>/dev/null ||
      echo "The locale $loc.UTF-8 could not be generated (run as root, or generate it with localedef)."
  fi
done
export NIMBREL_REQUIRE_LOCALES=1

echo "== layers"
./scripts/check-layers.sh || status=1

echo "== format"
if ! git ls-files -co --exclude-standard '*.cpp' '*.h' | xargs clang-format --dry-run --Werror 2>build-format.log; then
  head -40 build-format.log
  echo "Some files are not formatted by .clang-format: run clang-format -i on them."
  status=1
fi
rm -f build-format.log

for preset in release asan; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  if ! ctest --preset "$preset" -j "$jobs"; then
    status=1
  fi
  if [ "$preset" = release ]; then
    # The AppStream metainfo as built, then the Debian package from the
    # build just tested: its files, its programs run from a scratch root,
    # the packaged metainfo validated again, and lintian (no error, no
    # warning).
    echo "== release: AppStream metainfo"
    appstreamcli validate --no-net build/release/packaging/org.nimbrel.Nimbrel.metainfo.xml || status=1
    echo "== release: Debian package"
    ./scripts/check-package.sh build/release || status=1
  fi
done

# The thread sanitizer watches the tests that run fetches on their own
# threads and the program's signal handling; only those are built.
echo "== tsan: configure and build"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target store_test app_test app_program_test feeds_retrieval_test feeds_server_tool_test \
  http_fetch_test nimbrel nimbrel-feed
echo "== tsan: tests"
# The metainfo is the release build's: the thread sanitizer build makes none.
if ! ctest --preset tsan -j "$jobs" -E appstream_metainfo_validates; then
  status=1
fi

# Fuzz targets run for a bounded time each under the sanitizers.
echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
mkdir -p build/fuzz/corpus
for f in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  mkdir -p "build/fuzz/corpus/$name"
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  echo "== fuzz: $name"
  if ! "$f" -max_total_time="${NIMBREL_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -print_final_stats=0 \
       "build/fuzz/corpus/$name" "${seeds[@]}" 2>"build/fuzz/$name.log"; then
    tail -40 "build/fuzz/$name.log"
    status=1
  fi
done

if [ $status -ne 0 ]; then
  echo "Some tests failed."
fi
exit $status
