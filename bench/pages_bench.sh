#!/usr/bin/env bash
# Builds the benchmarks (release, no sanitizers) and prints the time and peak
# memory of the utility's bad-block report and erase-count page.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF > /dev/null
cmake --build build/bench --target pages_bench > /dev/null
build/bench/bin/pages_bench
