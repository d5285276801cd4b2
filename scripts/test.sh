#!/usr/bin/env bash
# Installs the dependencies, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test, then the gadget round
# (scripts/gadget_check.sh) where the machine can run it.
#   bash scripts/test.sh          the above
#   bash scripts/test.sh --tsan   the threaded tests under ThreadSanitizer
#                                 instead, in build/tsan: the run engine, the
#                                 worker, the simulated rack, a 50-drive round
#                                 and the station window's tests; prints the
#                                 step's time
set -euo pipefail
cd "$(dirname "$0")/.."
mode=asan
case "${1:-}" in
  "") ;;
  --tsan) mode=tsan ;;
  *) echo "usage: bash scripts/test.sh [--tsan]" >&2; exit 2 ;;
esac
bash scripts/deps.sh
jobs=$(nproc)

if [ "$mode" = tsan ]; then
  start=$SECONDS
  cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQX_TSAN=ON
  # Only what the threaded tests need, not the whole tree.
  cmake --build build/tsan -j "$jobs" --target qx_tests_tsan qx_tests_station_forms
  ctest --test-dir build/tsan -L tsan --output-on-failure -j "$jobs"
  echo "ThreadSanitizer step: $((SECONDS - start)) s"
  exit 0
fi

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"
# The gadget round on a real kernel, with the tools just built; a machine
# that cannot run it says why and passes.
bash scripts/gadget_check.sh --ci --build build/test --out "$(mktemp -d /tmp/gadget-check.XXXXXX)"
