#!/usr/bin/env bash
# Builds the benchmarks without sanitizers and prints their figures. The
# rack's figures depend on how busy the machine is: the load average is
# printed with them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF >/dev/null
cmake --build build/bench -j 4 --target benchmarks > build/bench/build.log 2>&1 || { cat build/bench/build.log; exit 1; }
for b in build/bench/bin/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
echo "== station_idle_rss"
cmake --build build/bench -j "$(nproc)" --target fablane qxrack qx_images >/dev/null
bash bench/station_idle_rss.sh build/bench/bin
echo "== station_round"
bash bench/station_round.sh build/bench/bin
