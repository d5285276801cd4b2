#!/usr/bin/env bash
# Sondrel as a program, offscreen, on racks made with qxrack: the dump and
# the read/write test by their command-line words, the exit statuses, a
# program path that holds a word, and a second instance.
# usage: sondrel_program_test.sh SONDREL QXRACK WORKDIR
set -euo pipefail
SONDREL=$1 QXRACK=$2 W=$3
rm -rf "$W"
mkdir -p "$W/bin" "$W/rwtests" "$W/locks"
cp "$SONDREL" "$W/bin/sondrel"
cp "$SONDREL" "$W/rwtests/sondrel"
export XDG_RUNTIME_DIR="$W/locks" QT_QPA_PLATFORM=offscreen
# Under the leak checker: the system font library keeps its caches.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/../.." && pwd)/lsan_suppressions.txt"
unset QX_SIM_REQUEST_LOG

fails=0
fail() { echo "FAIL: $*" >&2; fails=$((fails + 1)); }
expect_status() {   # expected actual what
    [ "$1" = "$2" ] || fail "$3: exit $2, expected $1"
}

BRIDGE='\\?\usbstor#disk&ven_qx&prod_ssd#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
OTHER='\\?\usbstor#disk&ven_qx&prod_ssd#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
IDE='\\?\ide#diskqx_ssd#0003#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
PRODUCED=(frontEnd=bridge chipTag=q455 state=firmware systemModel=849 systemVersion=3A0151 systemVariant=41)

# One drive behind a bridge on a USB port.
R1="$W/rack1"
"$QXRACK" create "$R1"
printf '[usb]\nroot=4\n' >> "$R1/rack.ini"
"$QXRACK" add "$R1" "$BRIDGE" "${PRODUCED[@]}" serial=SN0001   # on port 0.1

run() {   # rack, then the program and its arguments; stdout, stderr, status in $W/out, $W/err, $status
    local rack=$1
    shift
    set +e
    QX_SIM_RACK="$rack" "$@" > "$W/out" 2> "$W/err"
    status=$?
    set -e
}

# dumpssdinfo: the dump beside the program, its path printed, exit 0.
run "$R1" "$W/bin/sondrel" dumpssdinfo info1
expect_status 0 "$status" "dumpssdinfo"
# The SATA path leaves the USB identity empty (rows 1-7). The SSD Setting
# texts carry their own line ends, so the file's lines are these, in this
# order: the values come from the drive's configuration record, the
# firmware header (tag "QXSS", version "3A0151", mark "S", model "849",
# variant "41", NUL runs between) is this drive's, and its 250069680
# sectors are 122104 MB, 119.2 GB.
CR=$'\r'
DUMP_LINES=(
    "Vendor Name:$CR" "Product Name:$CR" "Manufacture String:$CR" "Product String:$CR"
    "VID:$CR" "PID:$CR" "Serial Num:$CR"
    "Flash model : .* \((Micron|Samsung|Toshiba|Hynix|Intel|Sandisk)\)$CR"
    "Channel number : [0-9]+      Total bank : [0-9]+$CR"
    "Capacity : 119\.2 GBytes     ECC mode : BCH [0-9]+$CR"
    "IO drive current : [0-9]+ mA$CR"
    "Defect block percentage : +[0-9]+\.[0-9]%, Reserved block percentage : +[0-9]+\.[0-9]%$CR"
    "ECC read error threshold : [0-9]+ bit\(s\)$CR"
    "ECC error copy threshold : [0-9]+ bit\(s\)$CR"
    "Wearleveling frequency : [0-9]+$CR"
    "Bank map : ([0-9]{2} )*$CR"
    "Support : \((V|X)\)Scramble$CR"
    "               \((V|X)\)Remap  \((V|X)\)Trim  \((V|X)\)NoDeviceSleep  F/W version : QXSS,3A0151,S,849,41"
)
expect_dump_lines() {   # file, what
    local lines
    mapfile -t lines < "$1"
    [ "${#lines[@]}" -eq "${#DUMP_LINES[@]}" ] || fail "$2: ${#lines[@]} lines, expected ${#DUMP_LINES[@]}"
    for i in "${!DUMP_LINES[@]}"; do
        [[ "${lines[$i]-}" =~ ^${DUMP_LINES[$i]}$ ]] || fail "$2: line $((i + 1)) is '${lines[$i]-}'"
    done
    # The last text ends the file: no line end after it.
    [ "$(tail -c 2 "$1")" = "41" ] || fail "$2: the file does not end with the header text"
}
expect_dump_lines "$W/bin/info1.txt" "info1.txt"
grep -qxF "$W/bin/info1.txt" "$W/out" || fail "dump path not printed: $(cat "$W/out")"

# A folder named Sondrel.ini beside the program reads as no settings: the
# run goes on (no abort, no core).
mkdir "$W/bin/Sondrel.ini"
run "$R1" "$W/bin/sondrel" dumpssdinfo info3
expect_status 0 "$status" "Sondrel.ini a folder"
cmp -s "$W/bin/info3.txt" "$W/bin/info1.txt" || fail "info3.txt differs with Sondrel.ini a folder"
rmdir "$W/bin/Sondrel.ini"

# rwtest passes, then fails with a bad sector (WRITE DMA refused).
run "$R1" "$W/bin/sondrel" rwtest
expect_status 0 "$status" "rwtest"
grep -qx "R/W Test successfully" "$W/out" || fail "rwtest message: $(cat "$W/out")"
"$QXRACK" break "$R1" "$BRIDGE" ata opcode=0xCA
run "$R1" "$W/bin/sondrel" rwtest
expect_status 1 "$status" "rwtest with a bad sector"
grep -qx "R/W Test Fail" "$W/out" || fail "rwtest failure message: $(cat "$W/out")"
"$QXRACK" mend "$R1" "$BRIDGE"

# A dump that holds "rwtest" in the program's folder or in its own name runs
# no write test: the drive's request log holds no write.
export QX_SIM_REQUEST_LOG="$W/requests.log"
expect_dump_without_test() {   # program, dump name, what
    rm -f "$QX_SIM_REQUEST_LOG"
    run "$R1" "$1" dumpssdinfo "$2"
    expect_status 0 "$status" "$3"
    [ -f "$(dirname "$1")/$2.txt" ] || fail "$3: $2.txt not written"
    [ -s "$QX_SIM_REQUEST_LOG" ] || fail "$3: no request log"
    if grep -q 'ata=CA\| scsi 2A' "$QX_SIM_REQUEST_LOG"; then fail "$3: a write was sent"; fi
    if grep -q "R/W Test" "$W/out"; then fail "$3: the test ran"; fi
}
expect_dump_without_test "$W/rwtests/sondrel" info2 "program path holding rwtest"
expect_dump_without_test "$W/bin/sondrel" myrwtestname "dump named myrwtestname"

# A second instance ends at once, says so, and sends nothing.
rm -f "$QX_SIM_REQUEST_LOG"
flock "$W/locks/QXUtil.lock" bash -c "QX_SIM_RACK='$R1' '$W/bin/sondrel' rwtest > '$W/out' 2> '$W/err'; echo \$? > '$W/status'"
expect_status 3 "$(cat "$W/status")" "second instance"
grep -qx "Sondrel is already running." "$W/err" || fail "second instance message: $(cat "$W/err")"
[ -s "$QX_SIM_REQUEST_LOG" ] && fail "the second instance sent requests"
unset QX_SIM_REQUEST_LOG

# Two drives: rwtest refuses to choose; the dump takes the first row.
R2="$W/rack2"
"$QXRACK" create "$R2"
printf '[usb]\nroot=4\n' >> "$R2/rack.ini"
"$QXRACK" add "$R2" "$BRIDGE" "${PRODUCED[@]}" serial=SN0001   # on port 0.1
"$QXRACK" add "$R2" "$IDE" "${PRODUCED[@]}" serial=SN0003
"$QXRACK" add "$R2" "$OTHER" frontEnd=bridge chipTag=q455 state=loader serial=SN0002 --port none
printf '[disks]\ndisk=drive02\n' >> "$R2/rack.ini"
run "$R2" "$W/bin/sondrel" rwtest
expect_status 2 "$status" "rwtest with two drives"
grep -q "<< USB / SATA >>  QX SSD 128GB SN0001" "$W/err" || fail "drives not named: $(cat "$W/err")"
grep -q "<< IDE / SATA >>  QX SSD 128GB SN0003" "$W/err" || fail "IDE drive not named: $(cat "$W/err")"
[ -s "$W/out" ] && fail "rwtest with two drives printed: $(cat "$W/out")"

# No drive listed.
R3="$W/rack3"
"$QXRACK" create "$R3"
run "$R3" "$W/bin/sondrel" dumpssdinfo none
expect_status 2 "$status" "no drive"
[ -f "$W/bin/none.txt" ] && fail "dump written without a drive"

# A drive whose controller memory cannot be read: the message, exit 1, no dump.
R4="$W/rack4"
"$QXRACK" create "$R4"
"$QXRACK" add "$R4" "$IDE" "${PRODUCED[@]}" serial=SN0004
"$QXRACK" break "$R4" "$IDE" syscall sub=0x86
printf '[disks]\ndisk=drive01\n' >> "$R4/rack.ini"
run "$R4" "$W/bin/sondrel" dumpssdinfo unreadable
expect_status 1 "$status" "drive without system information"
grep -qx "Can't find code block." "$W/out" || fail "no-code-block message: $(cat "$W/out")"
[ -f "$W/bin/unreadable.txt" ] && fail "dump written for an unreadable drive"

# A rack that does not load.
run "$W/no-such-rack" "$W/bin/sondrel" dumpssdinfo x
expect_status 2 "$status" "missing rack"
grep -q "simulated rack does not load" "$W/err" || fail "missing rack message: $(cat "$W/err")"

[ "$fails" -eq 0 ] && echo "sondrel program: all checks passed"
exit "$fails"
