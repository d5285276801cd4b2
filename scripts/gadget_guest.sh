# Runs inside the qemu-rack guest of scripts/gadget_check.sh (busybox sh, as
# root, dummy_hcd with two UDCs): qxgadget serves the rack's two drives as
# USB disks and gadget_probe drives them through the kernel, step by step;
# then the station program produces two new drives, and the utility dumps
# one of them.
BR=$1 US=$2 LABEL=$3
RACK=/rack/rack
path_of() { sed -n "/^\[$1\]/,/^\[/s/^path=//p" $RACK/rack.ini; }
BRIDGE_PATH=$(path_of drive01) USB_PATH=$(path_of drive02)
stage() { echo "stage $1 at $(cut -d' ' -f1 /proc/uptime)"; }
# The USB disks: the SATA disks that carry the images out are not counted.
# A disk on its way out can vanish under ls; that is no line of the output.
disks() { ls -l /sys/block/ 2>/dev/null | grep -c '/usb[0-9]*/.*/sd[a-z]*$'; }
# wait_disks N: up to 20 s for N USB disks, then udev's work on them
wait_disks() {
    t=0
    while [ "$(disks)" -ne "$1" ] && [ $t -lt 200 ]; do sleep 0.1; t=$((t + 1)); done
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

# The production round: two new drives of a second rack on the same UDCs,
# produced by the station program offscreen on the real backend, then the
# utility's dump of one of them.
[ -x /rack/station/fablane ] || exit 0
qxgadget /rack/prod drive01=dummy_udc.0 drive02=dummy_udc.1 2>/tmp/qxgadget-prod.log &
pid=$!
wait_disks 2
mkdir -m 0700 -p /tmp/runtime
stage production
(cd /rack/station && XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    ./fablane AutoExecuteQuit CaptureAppImage >/tmp/fablane.out 2>&1)
echo "fablane rc=$?"
stage production-end
grep -v '^QFont\|^Fontconfig\|^trace: ' /tmp/fablane.out | sed 's/^/fablane out: /' | head -40
for f in /rack/station/log/[0-9]*_[0-9][0-9][0-9].txt; do tr -d '\r' <"$f" | sed 's/^/station log: /'; echo; done
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
stage end
kill -TERM $pid
wait $pid
echo "qxgadget production rc=$?"
gadget_state /rack/prod drive01 /tmp/produced.img | grep -v ' ch=' | sed 's/^state /produced /'
gadget_state /rack/prod drive02 | grep -v ' ch=' | sed 's/^state /produced /'
dd if=/tmp/produced.img of="$(sata_disk 2)" bs=1M conv=fsync 2>/dev/null
echo "produced image copied rc=$?"
echo "--- qxgadget production log"
cat /tmp/qxgadget-prod.log
