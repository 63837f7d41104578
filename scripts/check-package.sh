#!/usr/bin/env bash
# Builds the Debian package from the release build (which must be built),
# unpacks it into a scratch root, checks that every file is in its place,
# runs each program from there, and runs lintian when it is installed.
# Usage: scripts/check-package.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/nimbrel_${version}_amd64.deb"
status=0
fail() {
  echo "package: $*" >&2
  status=1
}

rm -f "$deb"
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
  tail -30 "$build/cpack.log"
  fail "cpack failed"
  exit 1
}
[ -f "$deb" ] || {
  fail "no $deb"
  exit 1
}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

expected=(
  usr/bin/nimbrel usr/bin/nimbrel-feed usr/bin/nimbrel-history usr/bin/nimbrel-cjpeg
  usr/share/applications/nimbrel.desktop
  usr/share/icons/hicolor/scalable/apps/nimbrel.svg
  usr/share/nimbrel/autostart/nimbrel-tray.desktop
  usr/share/doc/nimbrel/README.md usr/share/doc/nimbrel/copyright usr/share/doc/nimbrel/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/nimbrel.png")
done
for program in nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg; do
  expected+=("usr/share/man/man1/$program.1.gz")
done
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "missing $f"
done
for f in usr/bin/nimbrel usr/bin/nimbrel-feed usr/bin/nimbrel-history usr/bin/nimbrel-cjpeg; do
  [ -x "$root/$f" ] || fail "$f is not executable"
done
# Nothing lands outside /usr (no /usr/local, no build paths).
if find "$root" -mindepth 1 -maxdepth 1 ! -name usr | grep -q .; then
  fail "files outside /usr: $(find "$root" -mindepth 1 -maxdepth 1 ! -name usr)"
fi
[ -d "$root/usr/local" ] && fail "files under /usr/local"

# The icons have the size their folder names.
if command -v identify >/dev/null && identify -version 2>/dev/null | grep -q ImageMagick; then
  for size in 16 22 24 32 48 64 128 256; do
    got=$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${size}x${size}/apps/nimbrel.png")
    [ "$got" = "${size}x${size}" ] || fail "icon ${size}x${size} is $got"
  done
fi
grep -qx 'Exec=nimbrel --fetch-now' "$root/usr/share/applications/nimbrel.desktop" ||
  fail "the desktop entry does not start nimbrel --fetch-now"
for program in nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg; do
  zcat "$root/usr/share/man/man1/$program.1.gz" | grep -q '^\.SH DESCRIPTION' || fail "manual page of $program is empty"
done

# Each program runs from the scratch root; nimbrel needs no display for it.
for program in nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --version 2>&1) ||
    fail "$program --version failed: $got"
  [ "$got" = "$program $version" ] || fail "$program --version printed '$got'"
done

# The dependencies come from dpkg-shlibdeps: the Qt, curl and image libraries.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libcurl4 libpng16-16 libturbojpeg0 libfreetype6 libfontconfig1 libc6 fonts-liberation; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

if command -v lintian >/dev/null; then
  if ! lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" >"$build/lintian.log" 2>&1; then
    cat "$build/lintian.log"
    fail "lintian reports errors"
  fi
  grep -E '^[EW]:' "$build/lintian.log" || true
else
  echo "package: lintian is not installed; not run"
fi

if [ $status -eq 0 ]; then
  echo "package: $(basename "$deb") holds ${#expected[@]} checked files; every program runs from it"
fi
exit $status
