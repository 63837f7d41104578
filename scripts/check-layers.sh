#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a folder that the
# README's layer picture does not let its folder include. The picture and
# the table below say the same thing: each folder and the folders it may
# include. Every arrow runs downwards; a folder may always include itself.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
  [app]="graph controls feeds store platform base"
  [graph]="jpeg store platform base"
  [controls]="platform base"
  [feeds]="store platform base"
  [jpeg]="platform"
  [store]="base"
  [platform]="base"
  [base]=""
)
bad=0
while IFS= read -r line; do
  file=${line%%:*}
  inc=$(sed -n 's/.*#include "\([^"]*\)".*/\1/p' <<<"${line#*:}")
  from=$(cut -d/ -f2 <<<"$file")
  to=${inc%%/*}
  [ "$to" = "$inc" ] && continue           # a header beside the file
  [ -n "${allowed[$to]+x}" ] || { echo "$file: includes \"$inc\" from no known layer"; bad=1; continue; }
  [ -n "${allowed[$from]+x}" ] || { echo "$file: lies in no known layer"; bad=1; continue; }
  [ "$from" = "$to" ] && continue
  if [[ " ${allowed[$from]} " != *" $to "* ]]; then
    echo "$file: includes \"$inc\", but $from may include only: ${allowed[$from]:-nothing}"
    bad=1
  fi
done < <(grep -rn --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' src | sed 's/^\([^:]*\):[0-9]*:/\1:/')
if [ $bad -ne 0 ]; then
  echo "See the layer picture in README.md (Source layout)."
  exit 1
fi
echo "layers: every include follows the layer picture"
