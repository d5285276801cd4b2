#!/usr/bin/env bash
# Builds the benchmarks (release, no sanitizers) and prints the utility's
# figures: the scan of a 12-drive rack and resident memory over refreshes.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF > /dev/null
cmake --build build/bench --target utility_scan_bench > /dev/null
build/bench/bin/utility_scan_bench
