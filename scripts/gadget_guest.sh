# Runs inside the qemu-rack guest of scripts/gadget_check.sh (busybox sh, as
# root, dummy_hcd with two UDCs): qxgadget serves the rack's two drives as
# USB disks and gadget_probe drives them through the kernel, step by step.
BR=$1 US=$2 LABEL=$3
RACK=/rack/rack
path_of() { sed -n "/^\[$1\]/,/^\[/s/^path=//p" $RACK/rack.ini; }
BRIDGE_PATH=$(path_of drive01) USB_PATH=$(path_of drive02)
disks() { ls -d /sys/block/sd* 2>/dev/null | wc -l; }
# wait_disks N: up to 20 s for N sd disks, then udev's work on them
wait_disks() {
    t=0
    while [ "$(disks)" -ne "$1" ] && [ $t -lt 200 ]; do sleep 0.1; t=$((t + 1)); done
    udevadm settle
    echo "disks $(disks) after $t"
}
echo "udcs $(ls /sys/class/udc | tr '\n' ' ')"
# The guest's own SATA disk carries the exported image out; it is no USB disk.
SATA=$(ls /sys/block | grep sd)
echo 0 > /sys/module/usb_storage/parameters/delay_use
qxgadget $RACK drive01=dummy_udc.0 drive02=dummy_udc.1 2>/tmp/qxgadget.log &
pid=$!
wait_disks 3
ls -l /dev/disk/by-path/ | grep -o 'platform-dummy_hcd.*' | sed 's/^/bypath /'
gadget_probe discover $BR $US
gadget_probe hang $BR $US
echo "hang rc=$?"
gadget_probe stuck $BR $US >/tmp/stuck.txt 2>&1 &
stuck=$!
sleep 3
qxrack unplug $RACK "$USB_PATH"
wait_disks 2
wait $stuck
echo "stuck rc=$?"
grep -v '^trace: ' /tmp/stuck.txt
qxrack plug $RACK "$USB_PATH"
wait_disks 3
gadget_probe transport $BR $US
gadget_probe vendor $BR $US /rack/GDP.bin
echo "vendor rc=$?"
usbdevs() { for u in /sys/bus/usb/devices/[0-9]*-1; do echo "usbdev $1 serial=$(cat $u/serial) devnum=$(cat $u/devnum)"; done; }
usbdevs before-firmware
gadget_probe firmware $BR $US
echo "firmware rc=$?"
wait_disks 3
usbdevs after-firmware
qxrack unplug $RACK "$BRIDGE_PATH"
wait_disks 2
qxrack plug $RACK "$BRIDGE_PATH"
wait_disks 3
gadget_probe format $BR $US $LABEL
echo "format rc=$?"
if [ -x /rack/bin/sondrel ]; then
    # The utility offscreen on the real backend: its dump of the first drive.
    mkdir -m 0700 -p /tmp/runtime
    XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        /rack/bin/sondrel dumpssdinfo gadgetinfo >/tmp/sondrel.out 2>/tmp/sondrel.err
    echo "sondrel rc=$?"
    sed 's/^/sondrel out: /' /tmp/sondrel.out
    grep -v '^QFont\|^Fontconfig' /tmp/sondrel.err | sed 's/^/sondrel err: /' | head -20
    tr -d '\r' </rack/bin/gadgetinfo.txt | sed 's/^/sondrel dump: /'
    echo   # the dump's last row carries no line end of its own
fi
kill -TERM $pid
wait $pid
echo "qxgadget rc=$?"
gadget_state $RACK drive01 /tmp/drive01.img
gadget_state $RACK drive02
dd if=/tmp/drive01.img of=/dev/$SATA bs=1M conv=fsync 2>/dev/null
echo "image copied rc=$?"
echo "--- qxgadget log"
cat /tmp/qxgadget.log
