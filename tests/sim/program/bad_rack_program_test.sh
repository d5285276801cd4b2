#!/usr/bin/env bash
# The station, the utility and the rack tool on rack descriptions they must
# refuse: each ends as it does for a missing rack (its status, its message
# naming section, key and why), never with a crash, a core or a hang.
# usage: bad_rack_program_test.sh FABLANE SONDREL QXRACK WORKDIR
set -euo pipefail
FABLANE=$1 SONDREL=$2 QXRACK=$3 W=$4
rm -rf "$W"
mkdir -p "$W/locks"
chmod 700 "$W/locks"
export XDG_RUNTIME_DIR="$W/locks" QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/../.." && pwd)/lsan_suppressions.txt"
unset QX_SIM_REQUEST_LOG

fails=0
fail() { echo "FAIL: $*" >&2; fails=$((fails + 1)); }

USB='\\?\usbstor#disk&ven_qx&prod_ssd#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
make_rack() {   # folder
    mkdir -p "$1"
    printf '[rack]\nversion=1\n[drive01]\npath=%s\ncapacitySectors=131072\nblocksPerCe=64\n[usb]\nroot=4\nport=0.1 drive01\n' \
        "$USB" > "$1/rack.ini"
}

run() {   # rack, what, program and arguments: status in $status, stderr in $W/err
    local rack=$1
    shift
    set +e
    QX_SIM_RACK="$rack" timeout 120 "$@" > "$W/out" 2> "$W/err"
    status=$?
    set -e
}

# Each program's status for a missing rack is the status for a refused one.
run "$W/missing" "$FABLANE" AutoExecuteQuit; fablane_missing=$status
run "$W/missing" "$SONDREL" dumpssdinfo dump; sondrel_missing=$status
run "$W/missing" "$QXRACK" list "$W/missing"; qxrack_missing=$status
[ "$fablane_missing" = 2 ] || fail "fablane on a missing rack: exit $fablane_missing"
[ "$sondrel_missing" = 2 ] || fail "sondrel on a missing rack: exit $sondrel_missing"

check() {   # what, rack, expected text
    local what=$1 rack=$2 text=$3
    local -a names=(fablane sondrel qxrack) prefixes=("Fablane: the simulated rack does not load: "
        "Sondrel: the simulated rack does not load: " "qxrack: ")
    local -a wanted=("$fablane_missing" "$sondrel_missing" "$qxrack_missing")
    local i
    for i in 0 1 2; do
        case $i in
            0) run "$rack" "$FABLANE" AutoExecuteQuit ;;
            1) run "$rack" "$SONDREL" dumpssdinfo dump ;;
            2) run "$rack" "$QXRACK" list "$rack" ;;
        esac
        [ "$status" = "${wanted[$i]}" ] || fail "${names[$i]}, $what: exit $status, expected ${wanted[$i]}"
        grep -qF -- "${prefixes[$i]}$text" "$W/err" || fail "${names[$i]}, $what: said '$(head -c 400 "$W/err")'"
        if grep -qE 'runtime error|AddressSanitizer|terminate called|core dumped|std::bad_alloc' "$W/err"; then
            fail "${names[$i]}, $what: crashed: $(head -c 400 "$W/err")"
        fi
    done
}

R="$W/pages"; make_rack "$R"
sed -i 's/^blocksPerCe=64$/blocksPerCe=64\nsectorsPerPage=0/' "$R/rack.ini"
check "a page of no sectors" "$R" "[drive01] sectorsPerPage=0: must be a power of two from 4 to 32"

R="$W/folder"; make_rack "$R"; mkdir "$R/drive01.state"
check "a state that is a folder" "$R" "[drive01] drive state $R/drive01.state: not a regular file"

R="$W/truncated"; make_rack "$R"; printf 'QXDRIVE2S\005\000' > "$R/drive01.state"
check "a state cut short" "$R" "[drive01] drive state $R/drive01.state: truncated"

R="$W/bus"; make_rack "$R"; sed -i 's/^version=1$/version=1\nbus_mbps=1e-300/' "$R/rack.ini"
check "a bus that never carries a request" "$R" "[rack] bus_mbps=1e-300: must be 0 or from 12 to 20000"

R="$W/twice"; make_rack "$R"; printf 'port=0.2 drive01\n' >> "$R/rack.ini"
check "one drive on two ports" "$R" '[usb] bad port "0.2 drive01": [drive01] is already on port 0.1'

[ "$fails" = 0 ] || { echo "$fails failure(s)" >&2; exit 1; }
echo "every refused rack ended each program as a missing rack does"
