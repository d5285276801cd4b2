#!/usr/bin/env bash
# A whole production round (diagnostic steps, pre-format, download, R/W test,
# tables, partition and FAT32 format) by fablane, offscreen, on 1 and on 50
# simulated 1 GiB drives (odd ports behind a bridge, even ones on the
# controller's own USB): the wall time of each, their ratio, and the peak
# resident memory. The simulated drives live in the station's process, so
# the 50-drive peak holds their flash and sectors too.
#   bash bench/station_round.sh BIN_DIR
set -euo pipefail
# shellcheck source=scripts/station_ini.sh
. "$(dirname "$0")/../scripts/station_ini.sh"
BIN="$(cd "$1" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# round N: prints "seconds peak_kB passed"
round() {
  local n=$1 dir="$WORK/$1" port path front
  mkdir -p "$dir/station" "$dir/runtime"
  cp "$BIN/fablane" "$BIN/Flash.ini" "$BIN/GDP.bin" "$BIN/satatest.bin" "$BIN"/SYS_*.bin "$dir/station/"
  "$BIN/qxrack" create "$dir/rack" >/dev/null
  for port in $(seq 1 "$n"); do
    if [ $((port % 2)) -eq 1 ]; then
      path=$(printf '\\\\?\\usbstor#disk&ven_qx&prod_sata#%04d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}' "$port")
      front=(frontEnd=bridge)
    else
      path=$(printf '\\\\?\\usbstor#disk&ven_qx&prod_ssd#%04d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}' "$port")
      front=(frontEnd=usb chipTag=q814)
    fi
    "$BIN/qxrack" add "$dir/rack" "$path" "${front[@]}" state=loader vendorMode=1 busyPolls=0 \
      capacitySectors=2097152 serial="$(printf 'QXB%05d' "$port")" >/dev/null
  done
  { printf '[usb]\nroot=%d\n' "$n"; for port in $(seq 1 "$n"); do printf 'port=0.%d drive%02d\n' "$port" "$port"; done; } \
    >> "$dir/rack/rack.ini"
  whole_round_ini QXBENCH00001 2 > "$dir/station/QXMPTOOL.ini"
  local start end peak=0 kb pid
  start=$(date +%s.%N)
  (cd "$dir/station" && XDG_RUNTIME_DIR="$dir/runtime" QX_SIM_RACK="$dir/rack" QT_QPA_PLATFORM=offscreen \
    exec ./fablane AutoExecuteQuit >/dev/null 2>&1) &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    kb=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$kb" ] && [ "$kb" -gt "$peak" ] && peak=$kb
    sleep 0.2
  done
  wait "$pid" || true
  end=$(date +%s.%N)
  local passed
  passed=$(awk -F'\t' 'NR > 1 && NF > 3 && $(NF - 1) ~ /Pass/' "$dir"/station/log/[0-9]*_[0-9][0-9][0-9].txt 2>/dev/null | wc -l)
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }') $peak $passed"
}

read -r one one_kb one_pass < <(round 1)
read -r fifty fifty_kb fifty_pass < <(round 50)
printf 'whole round, 1 drive                %6.1f s  %4d MB peak  %d/1 passed\n' "$one" $((one_kb / 1024)) "$one_pass"
printf 'whole round, 50 drives              %6.1f s  %4d MB peak  %d/50 passed\n' "$fifty" $((fifty_kb / 1024)) "$fifty_pass"
awk -v a="$one" -v b="$fifty" 'BEGIN { printf "whole round, 50 against 1           %6.2f x the wall time\n", b / a }'
