# Runs inside the qemu-rack guest of scripts/gadget_check.sh (busybox sh, as
# root, dummy_hcd with one UDC per production drive): qxgadget serves the
# rack's two drives as USB disks and gadget_probe drives them through the
# kernel, step by step; then the station program produces N new drives (and,
# for the ratio, one drive alone first), the utility dumps one of them, the
# station's safe removal takes one off; last a round in which one drive is
# pulled off the bus in the middle of its R/W test.
#   gadget_guest.sh BRIDGE_SERIAL USB_SERIAL LABEL [N [single] [remove] [pull=M:DRIVE]]
BR=$1 US=$2 LABEL=$3 N=${4:-2}
shift 3
[ $# -gt 0 ] && shift
SINGLE=0 REMOVE=0 PULL_N=0 PULL_DRIVE=
for a in "$@"; do
    case "$a" in
        single) SINGLE=1 ;;
        remove) REMOVE=1 ;;
        pull=*) a=${a#pull=}; PULL_N=${a%%:*}; PULL_DRIVE=${a#*:} ;;
    esac
done
RACK=/rack/rack
path_of() { sed -n "/^\[$1\]/,/^\[/s/^path=//p" $RACK/rack.ini; }
BRIDGE_PATH=$(path_of drive01) USB_PATH=$(path_of drive02)
stage() { echo "stage $1 at $(cut -d' ' -f1 /proc/uptime)"; }
# The USB disks: the SATA disks that carry the images out are not counted.
# A disk on its way out can vanish under ls; that is no line of the output.
disks() { ls -l /sys/block/ 2>/dev/null | grep -c '/usb[0-9]*/.*/sd[a-z]*$'; }
# wait_disks N: up to 60 s for N USB disks, then udev's work on them
wait_disks() {
    t=0
    while [ "$(disks)" -ne "$1" ] && [ $t -lt 600 ]; do sleep 0.1; t=$((t + 1)); done
    udevadm settle
    echo "disks $(disks) after $t"
}
echo "udcs $(ls /sys/class/udc | tr '\n' ' ')"
# The guest's own SATA disks carry the exported images out; they are no USB
# disks. sata_disk N: the node of the Nth.
sata_disk() { readlink -f /dev/disk/by-id/ata-*RACKSATA000$1 | head -n1; }
echo 0 > /sys/module/usb_storage/parameters/delay_use
qxgadget $RACK drive01=dummy_udc.0 drive02=dummy_udc.1 2>/tmp/qxgadget.log &
pid=$!
wait_disks 2
ls -l /dev/disk/by-path/ | grep -o 'platform-dummy_hcd.*' | sed 's/^/bypath /'
stage probe
gadget_probe discover $BR $US
gadget_probe hang $BR $US
echo "hang rc=$?"
gadget_probe stuck $BR $US >/tmp/stuck.txt 2>&1 &
stuck=$!
sleep 3
qxrack unplug $RACK "$USB_PATH"
wait_disks 1
wait $stuck
echo "stuck rc=$?"
grep -v '^trace: ' /tmp/stuck.txt
qxrack plug $RACK "$USB_PATH"
wait_disks 2
gadget_probe transport $BR $US
gadget_probe vendor $BR $US /rack/GDP.bin
echo "vendor rc=$?"
usbdevs() { for u in /sys/bus/usb/devices/[0-9]*-1; do echo "usbdev $1 serial=$(cat $u/serial) devnum=$(cat $u/devnum)"; done; }
usbdevs before-firmware
gadget_probe firmware $BR $US
echo "firmware rc=$?"
wait_disks 2
usbdevs after-firmware
qxrack unplug $RACK "$BRIDGE_PATH"
wait_disks 1
qxrack plug $RACK "$BRIDGE_PATH"
wait_disks 2
gadget_probe format $BR $US $LABEL
echo "format rc=$?"
kill -TERM $pid
wait $pid
echo "qxgadget rc=$?"
wait_disks 0   # off the bus: the production round's disks are new ones
gadget_state $RACK drive01 /tmp/drive01.img
gadget_state $RACK drive02
dd if=/tmp/drive01.img of="$(sata_disk 1)" bs=1M conv=fsync 2>/dev/null
echo "image copied rc=$?"
rm -f /tmp/drive01.img
echo "--- qxgadget log"
cat /tmp/qxgadget.log

# The production rounds: new drives of other racks on the UDCs, produced by
# the station program offscreen on the real backend. Each round gets its own
# copy of the station's folder as it came, so each starts at the first serial.
[ -x /rack/station/fablane ] || exit 0
mkdir -m 0700 -p /tmp/runtime
for r in single pull; do cp -a /rack/station /tmp/station-$r; done
# drives N: "drive01=dummy_udc.0 ..." for the first N drives
drives() { i=0; while [ $i -lt "$1" ]; do printf 'drive%02d=dummy_udc.%d ' $((i + 1)) $i; i=$((i + 1)); done; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
# fablane TAG STATION: one whole round, AutoExecuteQuit; prints TAG's exit
# status and wall time. Its trace lines go to its error output (the devices
# its udev monitor saw come and go among them); the failures among them are
# shown.
fablane() {
    t0=$(uptime_s)
    (cd "$2" && XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        QX_TRACE_STDERR=1 ./fablane AutoExecuteQuit CaptureAppImage >/tmp/fablane-$1.out 2>&1)
    echo "$1 fablane rc=$?"
    echo "$1 seconds=$(awk -v a="$t0" -v b="$(uptime_s)" 'BEGIN { printf "%.1f", b - a }')"
    tr -d '\r' </tmp/fablane-$1.out | grep -i 'fail\|timeout\|error\|cannot\|unc(' | grep -v '^QFont\|^Fontconfig' |
        head -80 | sed "s/^/$1 trace: /"
}
# logs TAG STATION: the round's production log rows
logs() {
    for f in "$2"/log/[0-9]*_[0-9][0-9][0-9].txt; do tr -d '\r' <"$f" | sed "s/^/$1 log: /"; echo; done
}

if [ "$SINGLE" = 1 ]; then
    stage single
    qxgadget /rack/single drive01=dummy_udc.0 2>/tmp/qxgadget-single.log &
    pid=$!
    wait_disks 1
    fablane single /tmp/station-single
    logs single /tmp/station-single
    kill -TERM $pid
    wait $pid
    echo "qxgadget single rc=$?"
    wait_disks 0
fi

stage production
qxgadget /rack/prod $(drives "$N") 2>/tmp/qxgadget-prod.log &
pid=$!
wait_disks "$N"
fablane production /rack/station
logs station /rack/station
ls /rack/station/log | sed 's/^/station file: /'
stage utility
if [ -x /rack/bin/sondrel ]; then
    XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        /rack/bin/sondrel dumpssdinfo gadgetinfo >/tmp/sondrel.out 2>/tmp/sondrel.err
    echo "sondrel rc=$?"
    sed 's/^/sondrel out: /' /tmp/sondrel.out
    grep -v '^QFont\|^Fontconfig' /tmp/sondrel.err | sed 's/^/sondrel err: /' | head -20
    tr -d '\r' </rack/bin/gadgetinfo.txt | sed 's/^/sondrel dump: /'
    echo   # the dump's last row carries no line end of its own
fi
if [ "$REMOVE" = 1 ]; then
    # The station's safe removal of a produced drive: refused while a file
    # is open on its mounted volume, then done; no disk node, no mount left.
    stage removal
    mkdir -p /rack/mnt
    hotplug_probe --remove-serial QXPB0001 --mount-dir /rack/mnt 2>&1 | grep -v '^trace: ' | sed 's/^/removal: /'
    echo "removal: disks $(disks) of $N"
    echo "removal: mounts $(grep -c ' /rack/mnt ' /proc/mounts)"
fi
stage end
kill -TERM $pid
wait $pid
echo "qxgadget production rc=$?"
wait_disks 0
# Each drive's saved state; its image (every one's when more than two, for
# time) with its volume, the one FAT32 partition at sector 63, as fsck.fat
# sees it.
i=1
while [ $i -le "$N" ]; do
    d=$(printf 'drive%02d' $i)
    img=
    [ $i = 1 ] || [ "$N" -gt 2 ] && img=/tmp/produced.img
    gadget_state /rack/prod $d $img | grep -v ' ch=' | sed 's/^state /produced /'
    if [ -n "$img" ]; then
        size=$(sfdisk -d $img 2>/dev/null | sed -n 's/.*start= *63, size= *\([0-9]*\).*type=b$/\1/p')
        if [ -n "$size" ]; then
            tail -c +$((63 * 512 + 1)) $img | head -c $((size * 512)) >/tmp/volume.img
            fsck.fat -n /tmp/volume.img >/tmp/fsck.out 2>&1
            echo "produced drive=$d fsck rc=$?"
            grep -v 'codepage\|conversion' /tmp/fsck.out | sed "s/^/produced drive=$d fsck: /" | head -5
        else
            echo "produced drive=$d fsck no FAT32 partition at 63"
        fi
        [ $i = 1 ] && dd if=$img of="$(sata_disk 2)" bs=1M conv=fsync 2>/dev/null && echo "produced image copied rc=$?"
        rm -f $img /tmp/volume.img
    fi
    i=$((i + 1))
done
echo "--- qxgadget production log"
cat /tmp/qxgadget-prod.log

if [ "$PULL_N" -gt 0 ]; then
    # A round in which one drive leaves the bus in the middle of its R/W
    # test (its first WRITE(10)), then comes back once the round is over.
    stage pull
    pull_path=$(sed -n "/^\[$PULL_DRIVE\]/,/^\[/s/^path=//p" /rack/pull/rack.ini)
    qxgadget /rack/pull $(drives "$PULL_N") "pull=$PULL_DRIVE:2a" 2>/tmp/qxgadget-pull.log &
    pid=$!
    wait_disks "$PULL_N"
    fablane pull /tmp/station-pull &
    station=$!
    t=0
    while ! grep -q 'pulled off the bus' /tmp/qxgadget-pull.log && [ $t -lt 3000 ]; do sleep 0.1; t=$((t + 1)); done
    echo "pull: drive pulled $(grep -c 'pulled off the bus' /tmp/qxgadget-pull.log)"
    wait_disks $((PULL_N - 1))
    wait $station
    logs pull /tmp/station-pull
    grep '^udev \(add\|remove\) ' /tmp/fablane-pull.out | sed 's/^/pull event: /'
    echo "pull station: device changes $(grep -c '^DeviceChange in' /tmp/fablane-pull.out)"
    qxrack plug /rack/pull "$pull_path"
    wait_disks "$PULL_N"
    hotplug_probe 2>&1 | grep -v '^trace: ' | sed 's/^/pull refresh: /'
    kill -TERM $pid
    wait $pid
    echo "qxgadget pull rc=$?"
    echo "--- qxgadget pull log"
    cat /tmp/qxgadget-pull.log
fi
