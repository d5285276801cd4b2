#!/usr/bin/env bash
# A whole production round (diagnostic steps, pre-format, download, R/W test,
# tables, partition and FAT32 format) by fablane, offscreen, on 1 and on 50
# simulated 1 GiB drives (odd ports behind a bridge, even ones on the
# controller's own USB): the wall time of each, their ratio, and the peak
# resident memory. The simulated drives live in the station's process, so
# the 50-drive peak holds their flash and sectors too: the drives' own share
# is measured apart, as what loading the produced rack costs a process of its
# own (qxrack list) beyond loading an empty one.
#
# Wall time to the last port's result (the production log's last write) is
# shown apart from what follows it (the rack's save and the exit). The pair
# of rounds runs twice: with each drive on its own link, and with the rack's
# drives sharing one USB 2 controller ("[rack] bus_mbps=480").
#   bash bench/station_round.sh BIN_DIR
set -euo pipefail
# shellcheck source=scripts/station_ini.sh
. "$(dirname "$0")/../scripts/station_ini.sh"
BIN="$(cd "$1" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

BUS_MBPS=480

# peak resident kB of a command
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

# round N BUS: prints "seconds to_last_result_s after_s peak_kB drives_kB passed"
round() {
  local n=$1 bus=$2 dir="$WORK/$1-$2" port path front
  mkdir -p "$dir/station" "$dir/runtime"
  cp "$BIN/fablane" "$BIN/Flash.ini" "$BIN/GDP.bin" "$BIN/satatest.bin" "$BIN"/SYS_*.bin "$dir/station/"
  "$BIN/qxrack" create "$dir/rack" >/dev/null
  "$BIN/qxrack" create "$dir/empty" >/dev/null
  [ "$bus" = 0 ] || sed -i "s/^\[rack\]\$/[rack]\nbus_mbps=$bus/" "$dir/rack/rack.ini"
  # One root hub with a port for each drive; qxrack puts drive N on port N.
  printf '[usb]\nroot=%d\n' "$n" >> "$dir/rack/rack.ini"
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
  local passed last drives_kb empty_kb
  passed=$(awk -F'\t' 'NR > 1 && NF > 3 && $(NF - 1) ~ /Pass/' "$dir"/station/log/[0-9]*_[0-9][0-9][0-9].txt 2>/dev/null | wc -l)
  last=$(stat -c %.9Y "$dir"/station/log/[0-9]*_[0-9][0-9][0-9].txt 2>/dev/null | sort -n | tail -1)
  [ -n "$last" ] || last=$end
  drives_kb=$(peak_kb "$BIN/qxrack" list "$dir/rack")
  empty_kb=$(peak_kb "$BIN/qxrack" list "$dir/empty")
  awk -v a="$start" -v l="$last" -v b="$end" -v p="$peak" -v d=$((drives_kb - empty_kb)) -v n="$passed" \
    'BEGIN { printf "%.1f %.1f %.1f %d %d %d\n", b - a, l - a, b - l, p, d, n }'
}

report() {   # label n seconds to_last after peak_kB drives_kB passed
  printf '%-40s %6.1f s (%5.1f s to the last result, %4.1f s save and exit)  %4d MB peak (drives %3d MB, station %3d MB)  %d/%d passed\n' \
    "$1" "$3" "$4" "$5" $(($6 / 1024)) $(($7 / 1024)) $((($6 - $7) / 1024)) "$8" "$2"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for bus in 0 "$BUS_MBPS"; do
  label="own links"
  [ "$bus" = 0 ] || label="one ${bus} Mb/s bus"
  read -r one one_last one_after one_kb one_drives one_pass < <(round 1 "$bus")
  read -r fifty fifty_last fifty_after fifty_kb fifty_drives fifty_pass < <(round 50 "$bus")
  report "whole round, 1 drive, $label" 1 "$one" "$one_last" "$one_after" "$one_kb" "$one_drives" "$one_pass"
  report "whole round, 50 drives, $label" 50 "$fifty" "$fifty_last" "$fifty_after" "$fifty_kb" "$fifty_drives" "$fifty_pass"
  awk -v a="$one" -v b="$fifty" -v c="$one_last" -v d="$fifty_last" -v l="$label" \
    'BEGIN { printf "whole round, 50 against 1, %-9s %6.2f x the wall time, %.2f x to the last result\n", l, b / a, d / c }'
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
