#!/usr/bin/env bash
# The README's rack by hand, as written: README.md shows exactly the command
# lines of scripts/rack_by_hand.sh; run with these programs, they give a rack
# whose drives `sondrel` lists, `fablane AutoExecuteQuit` produces and
# `sondrel dumpssdinfo` then dumps; qxrack plug and unplug act on them in the
# folder.
#
# usage: rack_by_hand_test.sh BIN WORKDIR   (BIN: fablane, sondrel, qxrack and the images)
set -uo pipefail
BIN=$1 W=$2
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
SCRIPT="$ROOT/scripts/rack_by_hand.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The README's block: the indented lines after the sentence naming the script.
readme_block() {
  awk '/scripts\/rack_by_hand\.sh/ { named = 1 }
       named && /^    / { inblock = 1; print substr($0, 5); next }
       inblock { exit }' "$ROOT/README.md"
}
# The script's command lines: those after its marker, without comments and blank lines.
script_lines() {
  awk 'shown && !/^#/ && NF { print } /^# README.md shows the lines from here on\.$/ { shown = 1 }' "$SCRIPT"
}
[ -n "$(script_lines)" ] || fail "no command lines in $SCRIPT"
diff <(readme_block) <(script_lines) >&2 || fail "README.md's rack by hand differs from scripts/rack_by_hand.sh (above: < README, > script)"

rm -rf "$W"
mkdir -p "$W"
bash "$SCRIPT" "$BIN" "$W/hand" > "$W/script.out" 2>&1 || { cat "$W/script.out" >&2; fail "the script failed"; }
RACK="$W/hand/build/rack"
P2='\\?\usbstor#disk&ven_qx&prod_ssd#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
grep -qx 'drive01 on USB port 0.1' "$W/script.out" || fail "first drive not on port 0.1: $(cat "$W/script.out")"
grep -qx 'drive02 on USB port 0.2' "$W/script.out" || fail "second drive not on port 0.2: $(cat "$W/script.out")"

# The utility lists both: rwtest refuses to choose between them and names them.
export XDG_RUNTIME_DIR="$W/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
mkdir -p "$W/sondrel"
cp "$BIN/sondrel" "$W/sondrel/"
QX_SIM_RACK="$RACK" QT_QPA_PLATFORM=offscreen "$W/sondrel/sondrel" rwtest > "$W/out" 2> "$W/err"
status=$?
[ $status -eq 2 ] || fail "sondrel rwtest on two drives: exit $status, expected 2: $(cat "$W/err")"
grep -q '^<< USB / SATA >>.*QXHAND0001$' "$W/err" || fail "the bridge drive not listed: $(cat "$W/err")"
grep -q '^<< USB >>' "$W/err" || fail "the drive on the controller's own USB not listed: $(cat "$W/err")"

# Unplugged and plugged in the folder; a path that names no drive is refused.
"$BIN/qxrack" unplug "$RACK" "$P2" > /dev/null || fail "qxrack unplug"
grep -qx 'port=0.2 drive02 unplugged' "$RACK/rack.ini" || fail "unplug not recorded: $(grep port= "$RACK/rack.ini")"
"$BIN/qxrack" unplug "$RACK" "$P2" 2> /dev/null && fail "a second unplug was accepted"
"$BIN/qxrack" plug "$RACK" "$P2" > /dev/null || fail "qxrack plug"
grep -qx 'port=0.2 drive02' "$RACK/rack.ini" || fail "plug not recorded: $(grep port= "$RACK/rack.ini")"
"$BIN/qxrack" unplug "$RACK" nonsense 2> "$W/err" && fail "unplug of a path with no drive was accepted"
grep -qx 'qxrack: no drive at nonsense' "$W/err" || fail "unplug nonsense: $(cat "$W/err")"

# A whole station round, as the main job runs it, produces both.
STATION="$W/station"
mkdir -p "$STATION"
cp "$BIN/fablane" "$BIN/Flash.ini" "$BIN/GDP.bin" "$BIN/satatest.bin" "$BIN"/SYS_*.bin "$STATION/"
# shellcheck source=scripts/station_ini.sh
. "$ROOT/scripts/station_ini.sh"
whole_round_ini QXHAND000001 2 > "$STATION/QXMPTOOL.ini"
(cd "$STATION" && QX_SIM_RACK="$RACK" QT_QPA_PLATFORM=offscreen timeout "${QX_HAND_TIMEOUT:-250}" \
  ./fablane AutoExecuteQuit > "$W/fablane.out" 2>&1)
status=$?
[ $status -eq 0 ] || fail "fablane AutoExecuteQuit: exit $status: $(tail -5 "$W/fablane.out")"
LOG="$(ls "$STATION"/log/[0-9]*_[0-9][0-9][0-9].txt 2>/dev/null | tail -n 1)"
[ -n "$LOG" ] || fail "no production log"
passed=$(awk -F'\t' 'NR == 1 { for (i = 1; i <= NF; i++) { gsub(/^ +| +$/, "", $i); if ($i == "Result") r = i }; next }
                     NF > 3 { v = $r; gsub(/^ +| +$/, "", v); if (v == "Pass") n++ } END { print n + 0 }' "$LOG")
[ "$passed" -eq 2 ] || fail "$passed of 2 drives produced: $(cat "$LOG")"

# Produced, the first drive is dumped as the README says.
QX_SIM_RACK="$RACK" QT_QPA_PLATFORM=offscreen "$W/sondrel/sondrel" dumpssdinfo hand > "$W/out" 2> "$W/err"
status=$?
[ $status -eq 0 ] || fail "sondrel dumpssdinfo: exit $status: $(cat "$W/out" "$W/err")"
[ -s "$W/sondrel/hand.txt" ] || fail "sondrel dumpssdinfo wrote no hand.txt"
echo "PASS: the README's rack by hand gives two drives that sondrel lists and fablane produces"
