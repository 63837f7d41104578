#!/usr/bin/env bash
# Brings share/translations/*.ts up to date with the texts marked in src/:
# new texts are added unfinished, texts that are gone are dropped, and every
# translation already made is kept. Run it after changing a marked text,
# then translate the unfinished entries (linguist, or by hand).
set -euo pipefail
cd "$(dirname "$0")/.."
LUPDATE=${LUPDATE:-}
if [ -z "$LUPDATE" ]; then
  for c in /usr/lib/qt6/bin/lupdate "$(command -v lupdate6 || true)" "$(command -v lupdate || true)"; do
    if [ -n "$c" ] && [ -x "$c" ]; then LUPDATE=$c; break; fi
  done
fi
if [ -z "$LUPDATE" ]; then
  echo "lupdate not found: install qt6-l10n-tools" >&2
  exit 1
fi
# No source locations: the files then change only when a text does, which
# keeps merges of the .ts files small.
"$LUPDATE" -no-obsolete -locations none -source-language en -extensions cpp,h src \
  -ts share/translations/nimbrel_de.ts share/translations/nimbrel_fr.ts "$@"
