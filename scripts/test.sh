#!/usr/bin/env bash
# Installs the dependencies, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test, then the gadget round
# (scripts/gadget_check.sh) where the machine can run it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"
# The gadget round on a real kernel, with the tools just built; a machine
# that cannot run it says why and passes.
bash scripts/gadget_check.sh --ci --build build/test --out "$(mktemp -d /tmp/gadget-check.XXXXXX)"
