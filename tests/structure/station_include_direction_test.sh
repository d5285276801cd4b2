#!/usr/bin/env bash
# Every include between the station's folders runs one way: no folder of
# src/station includes a folder that includes it back, directly or through
# others. A cycle here means two topics cannot be read, built or tested
# apart, and the window's core no longer stands on top of what it owns.
#   bash station_include_direction_test.sh SOURCE_ROOT
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/../.." && pwd)}"
cd "$root/src"

# One "from to" line per folder pair that an include joins.
edges=$(grep -rhoE --include='*.h' --include='*.cpp' -H '^#include "station/[^"]+"' station |
  sed -E 's#^(.*)/[^/]+:\#include "(.*)/[^/]+"$#\1 \2#' | awk '$1 != $2' | sort -u)

# Peel off folders that include no other station folder until none is left;
# what remains sits on a cycle.
remaining="$edges"
while :; do
  sinks=$(comm -23 <(awk '{print $2}' <<<"$remaining" | sort -u) <(awk '{print $1}' <<<"$remaining" | sort -u))
  [ -n "$sinks" ] || break
  remaining=$(awk 'NR==FNR {sink[$1]; next} !($2 in sink)' <(echo "$sinks") <(echo "$remaining") || true)
  [ -n "$remaining" ] || break
done
if [ -n "$remaining" ]; then
  echo "station folders that include each other (directly or through others):"
  echo "$remaining" | sed 's/^/  /'
  exit 1
fi
echo "station includes run one way ($(wc -l <<<"$edges") folder pairs)"
