#!/usr/bin/env bash
# Builds the Debian package from the release build (which must be built),
# unpacks it into a scratch root, checks that every file is in its place
# (the licence, the data credits and the AppStream metainfo among them),
# validates the metainfo, runs each program from there, and runs lintian,
# which must report neither errors nor warnings.
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
  usr/share/applications/org.nimbrel.Nimbrel.desktop
  usr/share/metainfo/org.nimbrel.Nimbrel.metainfo.xml
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
desktop="$root/usr/share/applications/org.nimbrel.Nimbrel.desktop"
grep -qx 'Exec=nimbrel --fetch-now' "$desktop" || fail "the desktop entry does not start nimbrel --fetch-now"
# The window's WM_CLASS is "nimbrel" (the application name the program sets).
grep -qx 'StartupWMClass=nimbrel' "$desktop" || fail "the desktop entry lacks StartupWMClass=nimbrel"

# The licence, in the machine-readable copyright file, with its whole text.
copyright="$root/usr/share/doc/nimbrel/copyright"
head -1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
grep -qx 'License: MIT' "$copyright" || fail "the copyright file does not name the MIT licence"
grep -qx 'Copyright: 2026 Nimbrel developers' "$copyright" || fail "the copyright file lacks the copyright line"
# Every line of the licence's text, as the copyright format indents it.
tail -n +4 LICENSE | sed -e 's/^$/./' -e 's/^/ /' | while IFS= read -r line; do
  grep -qxF -- "$line" "$copyright" || {
    echo "package: the copyright file lacks the licence line '$line'" >&2
    exit 1
  }
done || status=1
grep -q 'nimbrel@users.noreply.invalid' "$copyright" || fail "the copyright file lacks the upstream contact"
[ "$(dpkg-deb -f "$deb" Maintainer)" = "Nimbrel developers <nimbrel@users.noreply.invalid>" ] ||
  fail "Maintainer is '$(dpkg-deb -f "$deb" Maintainer)'"

# The credits the data sources ask for, with links to their licence.
readme="$root/usr/share/doc/nimbrel/README.md"
for credit in 'Weather data by Open-Meteo.com' 'Location data based on GeoNames' \
  'https://creativecommons.org/licenses/by/4.0/'; do
  grep -qF "$credit" "$readme" || fail "the README lacks '$credit'"
done

# The metainfo: valid (no error, no warning) as installed, which also
# finds the desktop entry it launches; the id, the licence, the release and
# the programs agree with the package.
metainfo="$root/usr/share/metainfo/org.nimbrel.Nimbrel.metainfo.xml"
if ! appstreamcli validate-tree --no-net "$root" >"$build/appstream.log" 2>&1; then
  cat "$build/appstream.log"
  fail "appstreamcli validate-tree reports errors or warnings"
fi
grep -q '<id>org.nimbrel.Nimbrel</id>' "$metainfo" || fail "the metainfo's id is not org.nimbrel.Nimbrel"
grep -q '<launchable type="desktop-id">org.nimbrel.Nimbrel.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch org.nimbrel.Nimbrel.desktop"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo does not name the MIT licence"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
for program in nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg; do
  grep -q "<binary>$program</binary>" "$metainfo" || fail "the metainfo does not provide $program"
done
for program in nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg; do
  zcat "$root/usr/share/man/man1/$program.1.gz" | grep -q '^\.SH DESCRIPTION' || fail "manual page of $program is empty"
done

# Each program runs from the scratch root; nimbrel needs no display for it.
for program in nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --version 2>&1) ||
    fail "$program --version failed: $got"
  [ "$got" = "$program $version" ] || fail "$program --version printed '$got'"
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --help 2>&1) ||
    fail "$program --help failed"
  grep -q 'under the MIT licence' <<<"$help" || fail "$program --help does not name the licence"
  grep -qF '/usr/share/doc/nimbrel/README.md' <<<"$help" || fail "$program --help does not point to the README"
done

# The dependencies come from dpkg-shlibdeps (the Qt and image libraries) and,
# for libcurl, which the programs load at their first fetch, from the
# package's own list.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libcurl4 libpng16-16 libturbojpeg0 libfreetype6 libfontconfig1 libc6 fonts-liberation; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# libcurl and the libraries under it are loaded at the first fetch, not
# at start-up: no program may name it among the libraries it needs.
for program in nimbrel nimbrel-feed nimbrel-history nimbrel-cjpeg; do
  if readelf -d "$root/usr/bin/$program" | grep -q 'NEEDED.*libcurl'; then
    fail "$program is linked against libcurl, which it should load when it first fetches"
  fi
done

# lintian is one of the packages scripts/deps.sh installs: a machine
# without it fails here rather than passing unchecked.
if ! command -v lintian >/dev/null; then
  fail "lintian is not installed (Debian package lintian; scripts/deps.sh installs it)"
elif ! lintian --fail-on error,warning --suppress-tags-from-file /dev/null "$deb" >"$build/lintian.log" 2>&1; then
  cat "$build/lintian.log"
  fail "lintian reports errors or warnings"
fi

if [ $status -eq 0 ]; then
  echo "package: $(basename "$deb") holds ${#expected[@]} checked files; every program runs from it"
fi
exit $status
