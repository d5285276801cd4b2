#!/usr/bin/env bash
# Builds the benchmarks (release, no sanitizers) and prints the formatter's
# figures beside mkfs.fat's.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF > /dev/null
cmake --build build/bench --target format_bench > /dev/null
build/bench/bin/format_bench
