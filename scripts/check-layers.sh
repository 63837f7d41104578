#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a higher layer. The layers
# from the bottom up; jpeg and feeds stand side by side and may not include
# each other.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A rank=([base]=0 [platform]=1 [store]=2 [feeds]=3 [jpeg]=3 [controls]=4 [graph]=5 [app]=6)
bad=0
while IFS= read -r line; do
  file=${line%%:*}
  inc=$(sed -n 's/.*#include "\([^"]*\)".*/\1/p' <<<"${line#*:}")
  from=$(cut -d/ -f2 <<<"$file")
  to=${inc%%/*}
  [ "$to" = "$inc" ] && continue           # a header beside the file
  [ -n "${rank[$to]+x}" ] || { echo "$file: includes \"$inc\" from no known layer"; bad=1; continue; }
  [ -n "${rank[$from]+x}" ] || { echo "$file: lies in no known layer"; bad=1; continue; }
  if [ "$from" != "$to" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
    echo "$file: includes \"$inc\", which is not below $from"
    bad=1
  fi
done < <(grep -rn --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' src | sed 's/^\([^:]*\):[0-9]*:/\1:/')
if [ $bad -ne 0 ]; then
  echo "Layer order: app > graph > controls > jpeg, feeds > store > platform > base"
  exit 1
fi
echo "layers: every include runs downwards"
