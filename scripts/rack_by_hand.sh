#!/usr/bin/env bash
# A simulated rack by hand: the commands README.md shows under "For
# contributors", line for line. Two new drives in their loader, as a station
# meets them, one behind a SATA bridge and one on the controller's own USB;
# qxrack puts each on the next free port of the rack's USB tree, so
# `sondrel` lists them and a station round produces them.
#
#   bash scripts/rack_by_hand.sh [BIN [DIR]]
#
# The commands are typed in the repository's root after the main job and
# make the rack build/rack there. BIN names the folder of other programs to
# run them with (the tests give build/test/bin); they then run in DIR (by
# default a new temporary folder), where build/release/bin stands for BIN.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BIN="$(realpath -m "${1:-$ROOT/build/release/bin}")"
if [ "$BIN" = "$ROOT/build/release/bin" ]; then
  DIR="$ROOT"
else
  DIR="${2:-$(mktemp -d)}"
  # Never over the main job's own folder: only a link this script made.
  if [ "$(realpath -m "$DIR")" = "$ROOT" ]; then
    echo "rack_by_hand: other programs than build/release/bin run in a folder of their own" >&2
    exit 2
  fi
  mkdir -p "$DIR/build/release"
  if [ -e "$DIR/build/release/bin" ] && [ ! -L "$DIR/build/release/bin" ]; then
    echo "rack_by_hand: $DIR/build/release/bin is not a link this script made" >&2
    exit 2
  fi
  ln -sfn "$BIN" "$DIR/build/release/bin"
fi
cd "$DIR"
if [ ! -x build/release/bin/qxrack ]; then
  echo "rack_by_hand: no $BIN/qxrack (the main job, bash scripts/demo.sh, builds it)" >&2
  exit 2
fi
echo "== the rack: $DIR/build/rack"

# README.md shows the lines from here on.
build/release/bin/qxrack create build/rack
build/release/bin/qxrack add build/rack '\\?\usbstor#disk&ven_qx&prod_sata#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}' state=loader vendorMode=1 busyPolls=0 capacitySectors=2097152 serial=QXHAND0001
build/release/bin/qxrack add build/rack '\\?\usbstor#disk&ven_qx&prod_ssd#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}' frontEnd=usb chipTag=q814 state=loader vendorMode=1 busyPolls=0 capacitySectors=2097152 serial=QXHAND0002
build/release/bin/qxrack list build/rack
