#!/usr/bin/env bash
# The station's main job end to end: a whole production round (diagnostic
# steps, pre-format, firmware download, R/W test, tables, partition and
# FAT32 format) on a rack of eight simulated 1 GiB drives (four behind a
# SATA bridge, four on the controller's own USB, one of them with a stuck
# data-bus bit), run headless by
#   fablane AutoExecuteQuit CaptureAppImage
# then a per-port summary read from the production log.
#
#   bash scripts/demo.sh                 full build (fablane)
#   bash scripts/demo.sh --single-bank   single-bank build (fablane_single)
#   bash scripts/demo.sh --bin DIR       use the programs already built in DIR
#                                        (no packages, no build; the tests use it)
#   bash scripts/demo.sh --work DIR      where the station and rack folders go
#
# Exit 0 when every healthy drive passed and the broken one failed with its
# item, else 1.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PROGRAM=fablane
STRAPS=full-bank
BANK=2
CES=2
BIN=""
WORK=""
WAIT_SECONDS=${QX_DEMO_TIMEOUT:-600}
while [ $# -gt 0 ]; do
  case "$1" in
    --single-bank) PROGRAM=fablane_single; STRAPS=single-bank; BANK=1; CES=1 ;;
    --bin) BIN="$2"; shift ;;
    --work) WORK="$2"; shift ;;
    *) echo "usage: bash scripts/demo.sh [--single-bank] [--bin DIR] [--work DIR]" >&2; exit 2 ;;
  esac
  shift
done

if [ -z "$BIN" ]; then
  bash "$ROOT/scripts/deps.sh"
  export CCACHE_BASEDIR="$ROOT"
  cmake -S "$ROOT" -B "$ROOT/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF
  # The utility too: the produced drives can be read with it right after.
  cmake --build "$ROOT/build/release" -j 4 --target "$PROGRAM" sondrel qxrack qx_images
  BIN="$ROOT/build/release/bin"
fi
[ -n "$WORK" ] || WORK="$(dirname "$BIN")/demo-$PROGRAM"

# The station's single-instance lock lives in the runtime folder.
[ -z "${XDG_RUNTIME_DIR:-}" ] || mkdir -p "$XDG_RUNTIME_DIR"
STATION="$WORK/station"
RACK="$WORK/rack"
rm -rf "$WORK"
mkdir -p "$STATION"
# The station reads its settings, part list and images beside itself.
cp "$BIN/$PROGRAM" "$BIN/Flash.ini" "$BIN/GDP.bin" "$BIN/satatest.bin" "$BIN"/SYS_*.bin "$STATION/"

QXRACK="$BIN/qxrack"
"$QXRACK" create "$RACK" >/dev/null
# Each drive goes on the next free port of one 8-port root hub, drive0N on port N.
BROKEN=6   # the port whose drive has the fault
for port in 1 2 3 4 5 6 7 8; do
  if [ $((port % 2)) -eq 1 ]; then
    path="\\\\?\\usbstor#disk&ven_qx&prod_sata#000$port#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"
    front=(frontEnd=bridge)
  else
    path="\\\\?\\usbstor#disk&ven_qx&prod_ssd#000$port#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"
    # The controller's own USB tags its INQUIRY data as such.
    front=(frontEnd=usb chipTag=q814)
  fi
  args=("${front[@]}" state=loader vendorMode=1 busyPolls=0 straps=$STRAPS ces=$CES serial=QXDEMO000$port
        capacitySectors=2097152)
  # One drive's data bus has a stuck bit: its bus interface test fails.
  [ "$port" -eq "$BROKEN" ] && args+=(busStuckBits=64)
  "$QXRACK" add "$RACK" "$path" "${args[@]}" >/dev/null
done

# The production steps: the whole round.
# shellcheck source=scripts/station_ini.sh
. "$ROOT/scripts/station_ini.sh"
whole_round_ini QXDEMO000001 "$BANK" DiskLabel=QXDEMO > "$STATION/QXMPTOOL.ini"

echo "== $PROGRAM AutoExecuteQuit CaptureAppImage on $RACK"
set +e
QX_SIM_RACK="$RACK" QT_QPA_PLATFORM=offscreen timeout "$WAIT_SECONDS" \
  "$STATION/$PROGRAM" AutoExecuteQuit CaptureAppImage
status=$?
set -e
if [ $status -ne 0 ]; then
  echo "FAIL: $PROGRAM ended with status $status (1: another station runs, or start-up was refused; 124: no end within ${WAIT_SECONDS} s)" >&2
  exit 1
fi

LOG="$(ls "$STATION"/log/[0-9]*_[0-9][0-9][0-9].txt 2>/dev/null | tail -n 1 || true)"
if [ -z "$LOG" ]; then
  echo "FAIL: no production log in $STATION/log" >&2
  exit 1
fi
echo "== production log $LOG"
ls "$STATION"/log/Image_*.jpg 2>/dev/null | sed 's/^/== window capture /' || true

# The log's header names the columns; a row's Result is "Pass" or the
# failing item's code, and the failed step's column reads "Fail".
awk -F'\t' -v broken="$BROKEN" '
  function trim(s) { gsub(/^ +| +$/, "", s); return s }
  BEGIN {
    # The log names the diagnostic steps by short column names.
    step["Module"] = "Flash Module Test"; step["SATA"] = "Bus Interface Test"
    step["Flash"] = "Flash Interface Test"; step["Dram"] = "Dram Test"; step["P_F"] = "Preformat"
    step["Down"] = "Download"; step["R/W"] = "R/W Test"; step["Check Table"] = "Check Tables"
    step["Format"] = "Disk Format"
  }
  NR == 1 { for (i = 1; i <= NF; i++) { hdr[i] = $i; col[trim($i)] = i }; first = col["Module"]; last = col["Result"]; next }
  NF > 3 {
    port = trim($col["Port."]) + 0; serial = trim($col["SerialNumber"]); result = trim($col["Result"])
    if (result == "Pass") {
      printf "port %2d  %-14s PASS\n", port, serial
      if (port == broken) bad = 1
    } else {
      item = ""
      # The first failed step is the one that failed; the later ones were not run.
      for (i = first; i < last && item == ""; i++) if (trim($i) == "Fail") item = trim(hdr[i])
      printf "port %2d  %-14s FAIL  item %s %s\n", port, serial, result, (item in step ? step[item] : item)
      if (port != broken || item == "") bad = 1
      failed = 1
    }
    seen[port] = 1
  }
  END {
    for (p = 1; p <= 8; p++) if (!seen[p]) { printf "port %2d  missing from the log\n", p; bad = 1 }
    if (!failed) bad = 1
    exit bad
  }' "$LOG" || { echo "RESULT: unexpected outcome" >&2; exit 1; }
echo "RESULT: every healthy drive passed, the broken one failed with its item"
