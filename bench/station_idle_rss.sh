#!/usr/bin/env bash
# The idle station's resident memory with 50 ports: fablane started offscreen
# on a rack of 50 simulated drives, left until its start-up refresh is done,
# then its VmRSS read from /proc (target < 100 MB).
#   bash bench/station_idle_rss.sh BIN_DIR
set -euo pipefail
BIN="$(cd "$1" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/station" "$WORK/runtime"
cp "$BIN/fablane" "$BIN/Flash.ini" "$BIN/GDP.bin" "$BIN/satatest.bin" "$WORK/station/"
printf '[FlashSetting]\nFlashUniName=WBG\nChannel=4\nBank=2\n' > "$WORK/station/QXMPTOOL.ini"
"$BIN/qxrack" create "$WORK/rack" >/dev/null
# One root hub with a port for each drive; qxrack puts drive N on port N.
printf '[usb]\nroot=50\n' >> "$WORK/rack/rack.ini"
for port in $(seq 1 50); do
  "$BIN/qxrack" add "$WORK/rack" "$(printf '\\\\?\\usbstor#disk&ven_qx&prod_ssd#%04d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}' "$port")" \
    state=loader vendorMode=1 busyPolls=0 >/dev/null
done

XDG_RUNTIME_DIR="$WORK/runtime" QX_SIM_RACK="$WORK/rack" QT_QPA_PLATFORM=offscreen \
  "$WORK/station/fablane" >/dev/null 2>&1 &
pid=$!
# The deferred refresh comes 1.5 s after start-up; then the station idles.
sleep 8
rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
kill "$pid"
wait "$pid" 2>/dev/null || true
awk -v kb="$rss_kb" 'BEGIN { printf "idle fablane, 50 ports             %.1f MB (target < 100)\n", kb / 1024 }'
