#!/bin/bash
# Proves the Linux backends on a real kernel: builds tools/linux_probe, runs it
# as root in a QEMU guest (qemu-rack) with two USB disks on root ports, one
# behind a hub and one AHCI SATA disk, checks what it printed, then checks the
# FAT32 volume it wrote with fsck.fat and blkid on the kept image. A second
# guest runs tools/hotplug_probe: the udev monitor sees a hub's disk leave
# and come back, the rescan follows, and safe removal is refused while a file
# is open on a mounted disk and goes through once it is closed. Then the
# ATA round: tools/linux_probe/linux_ata_probe in a third guest on a 256 GiB
# sparse AHCI disk (LBAs past 2^28), both routes, both D_SENSE settings.
# Last the gadget round (scripts/gadget_check.sh): rack drives served as
# real USB disks, 8 of them produced in one round (with the ratio of its wall
# time to a one-drive round's), a produced drive safely removed, and a round
# of 4 in which one drive is pulled off the bus during its R/W test. Heavy
# (four VM boots, the last one long); run by hand. Exit status 0 when all
# holds.
#
#   scripts/linux_check.sh [--out DIR] [--usb xhci|xhci-usb2|ehci] [--kvm] [--build DIR]
#
# --build DIR builds the tools there (default build/lx).
#
# The guests run under TCG unless --kvm (see scripts/qemu_guest.sh).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="" USB=xhci KVM=0 BUILD=build/lx
while [ $# -gt 0 ]; do
    case "$1" in
        --out) OUT=$2; shift ;;
        --usb) USB=$2; shift ;;
        --kvm) KVM=1 ;;
        --build) BUILD=$2; shift ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
[ -n "$OUT" ] || OUT=$(mktemp -d /tmp/linux-check.XXXXXX)
rm -rf "$OUT/images"   # images of an earlier run may belong to another user
mkdir -p "$OUT/images"
chmod 0755 "$OUT" && chmod 0777 "$OUT/images"   # the guest's user keeps the images there
# shellcheck source=scripts/qemu_guest.sh
. "$ROOT/scripts/qemu_guest.sh"
FORMAT_SERIAL=RACKUSB0002 FORMAT_IMG=usb2.img LABEL=RACKPROBE

"$RACK/setup-host.sh" >"$OUT/setup-host.log" 2>&1 || { echo "setup-host.sh failed, see $OUT/setup-host.log"; exit 1; }
command -v fsck.fat >/dev/null && command -v blkid >/dev/null || { echo "fsck.fat and blkid are needed on the host"; exit 1; }

cd "$ROOT" || exit 1
GADGET_TOOLS="qxgadget qxrack gadget_probe gadget_state qx_images sondrel fablane"
[ -f "$BUILD/CMakeCache.txt" ] || cmake -S . -B "$BUILD" -G Ninja >"$OUT/build.log" 2>&1
cmake --build "$BUILD" -j4 --target linux_probe hotplug_probe linux_ata_probe $GADGET_TOOLS >>"$OUT/build.log" 2>&1 ||
    { tail -20 "$OUT/build.log"; echo "build failed (is tools/linux_probe in tools/CMakeLists.txt?)"; exit 1; }

guest --disks 2 --hub-disks 1 --sata-disks 1 --size-mib 64 --usb "$USB" --quiet \
    --copy-in "$BUILD/bin/linux_probe" --keep-images "$OUT/images" \
    --cmd "linux_probe --format-serial $FORMAT_SERIAL --label $LABEL" >"$OUT/probe.txt" 2>&1
guest_rc=$?
cat "$OUT/probe.txt"

fails=0
check() {   # check "what" command...
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then echo "ok   $what"; else echo "FAIL $what"; fails=$((fails + 1)); fi
}
has() { grep -Eq -- "$1" "$OUT/probe.txt"; }
count() { grep -Ec -- "$1" "$OUT/probe.txt"; }

check "guest command exit status 0 (was $guest_rc)" test "$guest_rc" -eq 0
# Port table: the three USB disks with the emulated disk's IDs, serials and instance IDs.
# With --usb ehci the full-speed hub lands on a UHCI companion, a USB 1.1
# root hub, which the walker leaves out as it does every 1.1 root hub.
ported="RACKUSB0001 RACKUSB0002 RACKHUB0001"
[ "$USB" = ehci ] && ported="RACKUSB0001 RACKUSB0002"
for s in $ported; do
    check "port with serial $s" has "^port [0-9]+ vid=46f4 pid=0001 serial=$s id=USB\\\\VID_46F4&PID_0001\\\\[0-9.-]+ key=[0-9.-]+$"
done
check "three USB disk interfaces" test "$(count '^usbdisk path=/dev/disk/by-path/.*-usb-')" -eq 3
# The utility's whole-disk list: the AHCI disk under an "ide" name (its scan
# shows " IDE / SATA "), the USB disks under "usbstor" names; each name opens.
check "AHCI disk classed IDE" test "$(count '^alldisk path=\\\\\?\\ide#disk#sd[a-z]+#.* opens=1$')" -eq 1
check "USB disks classed usbstor" test "$(count '^alldisk path=\\\\\?\\usbstor#disk#sd[a-z]+#.* opens=1$')" -eq 3
# Every disk's parent is the instance ID the walker gave its port (lower case).
parents_match() {
    local id
    while read -r id; do
        grep -q "^usbdisk .* parent=${id//\\/\\\\}\$" "$OUT/probe.txt" || return 1
    done < <(sed -n 's/^port .* id=\([^ ]*\) key=.*/\1/p' "$OUT/probe.txt" | tr 'A-Z' 'a-z')
}
check "each port's instance ID is a disk's parent" parents_match
check "INQUIRY of the USB disks" test "$(count '^inquiry path=.*-usb-.* rc=1 vendor="QEMU" product="QEMU HARDDISK"')" -ge 3
check "READ CAPACITY of the USB disks" test "$(count '^capacity path=.*-usb-.* rc=1 last_lba=131071 block=512$')" -ge 3
check "ATA command to a SCSI-only USB disk is a device error" test "$(count '^ata-on-usb .* rc=-2$')" -ge 3
check "INQUIRY of the SATA disk" has '^inquiry path=.*-ata-.* rc=1 vendor="ATA" product="QEMU RACK SATA D"'
check "READ CAPACITY of the SATA disk" has '^capacity path=.*-ata-.* rc=1 last_lba=131071 block=512$'
check "IDENTIFY of the SATA disk" \
    has '^identify path=.*-ata-.* rc=1 model="QEMU RACK SATA DISK" serial="RACKSATA0001" firmware="[^"]+" lba48=131072$'
check "partition and format of $FORMAT_SERIAL" has "^format serial=$FORMAT_SERIAL path=.* partition=1 rc=1 volume=/dev/sd[a-z]+1$"
# Right after the partition table was re-read udev holds the disk: the
# formatter's open waits for it instead of failing and sleeping.
check "the formatter's open did not fail after the re-read" test "$(count '^trace: Cannot open')" -eq 0

# The kept image: MBR with one FAT32 partition at 63, a clean file system.
IMG="$OUT/images/$FORMAT_IMG"
PART="$OUT/partition.img"
start=$(sfdisk -d "$IMG" 2>/dev/null | sed -n 's/.*start= *\([0-9]*\).*type=b$/\1/p')
size=$(sfdisk -d "$IMG" 2>/dev/null | sed -n 's/.*size= *\([0-9]*\).*type=b$/\1/p')
check "partition table: one FAT32 entry at 63" test "${start:-x}" = 63
[ -n "$size" ] && dd if="$IMG" of="$PART" bs=512 skip=63 count="$size" status=none
check "fsck.fat -n on the partition" fsck.fat -n "$PART"
fsck.fat -n -v "$PART" 2>&1 | sed 's/^/  /'
blkid -p -o export "$PART" 2>&1 | sed 's/^/  /'
blkid_is() { blkid -p -o export "$PART" | grep -qx "$1"; }
check "blkid: TYPE=vfat" blkid_is TYPE=vfat
check "blkid: VERSION=FAT32" blkid_is VERSION=FAT32
check "blkid: LABEL=$LABEL" blkid_is "LABEL=$LABEL"

# Hot-plug: the hub on root port 3 is switched off and on (its disk goes and
# comes back), then the disk with serial RACKUSB0001 is safely removed.
HUB=1-3
[ "$USB" = ehci ] && HUB=3-1
guest --disks 2 --hub-disks 1 --size-mib 64 --usb "$USB" --quiet \
    --prepare 'mkfs.fat -F 16 usb1.img >/dev/null' --copy-in "$BUILD/bin/hotplug_probe" \
    --cmd "echo 0 > /sys/module/usb_storage/parameters/delay_use; mkdir -p /rack/mnt; \
           hotplug_probe --hub $HUB --remove-serial RACKUSB0001 --mount-dir /rack/mnt" >"$OUT/hotplug.txt" 2>&1
hot_rc=$?
grep -v '^trace: ' "$OUT/hotplug.txt"
hot() { grep -Eq -- "$1" "$OUT/hotplug.txt"; }
# The lines in the order they must come.
in_order() {
    local at=0 n pat
    for pat in "$@"; do
        n=$(grep -En -- "$pat" "$OUT/hotplug.txt" | cut -d: -f1 | awk -v a="$at" '$1 > a { print; exit }')
        [ -n "$n" ] || return 1
        at=$n
    done
}
check "hot-plug guest exit status 0 (was $hot_rc)" test "$hot_rc" -eq 0
check "udev monitor open" hot '^monitor ok$'
check "first refresh finds the three USB disks" hot '^refresh connected=3$'
check "hub off: removal, timer 51 at 200 ms, refresh finds two" \
    in_order '^hub off ok$' "^event remove /sys/devices/.*/$HUB\\.1\$" '^timer 51 200$' '^refresh connected=2$'
check "hub on: arrival, timer 51 at 1500 ms, refresh finds three" \
    in_order '^hub on ok$' "^event add /sys/devices/.*/$HUB\\.1\$" '^timer 51 1500$' '^refresh connected=3$'
check "safe removal refused while a file is open, naming the mount point" \
    in_order '^mount ok$' '^veto serial=RACKUSB0001 text=/rack/mnt is in use$'
check "safe removal done: removal event, refresh finds two, node gone" \
    in_order '^removed serial=RACKUSB0001$' '^event remove ' '^refresh connected=2$' '^node gone$'

# --- the ATA round -------------------------------------------------------------
ATA="$OUT/ata.txt"
guest --disks 0 --hub-disks 0 --sata-disks 1 --size-mib 64 --prepare 'truncate -s 256G sata1.img' \
    --usb "$USB" --quiet --copy-in "$BUILD/bin/linux_ata_probe" \
    --cmd "linux_ata_probe" >"$ATA" 2>&1
ata_rc=$?
echo "--- ATA round"
cat "$ATA"
ahas() { grep -Eq -- "$1" "$ATA"; }
acount() { grep -Ec -- "$1" "$ATA"; }
check "ATA guest command exit status 0 (was $ata_rc)" test "$ata_rc" -eq 0
check "requests right after a write-close and a re-read succeed" \
    test "$(acount '^lock after=(write-close|reread) identify=1 read=1 ')" -eq "$(acount '^lock after=')" -a "$(acount '^lock after=')" -ge 2
echo "     (udev's lock was held at $(acount 'udev_lock_seen=1') of $(acount '^lock after=') of those requests)"
REJECTED="nop opcode-f0 set-features-ee read-dma-ext-past-end write-dma-ext-past-end read-log-ext set-max"
for d in 0 1; do
    check "D_SENSE=$d set with MODE SELECT" ahas "^dsense set=$d now=$d$"
    for r in direct sat; do
        p="^ata dsense=$d route=$r"
        check "D_SENSE=$d $r: IDENTIFY" ahas "$p identify rc=1 lba48=536870912$"
        check "D_SENSE=$d $r: capacity from IDENTIFY" ahas "$p capacity identify=536870912 sectors=536870912 mb=262144$"
        check "D_SENSE=$d $r: READ NATIVE MAX (EXT) builders" ahas "$p native-builders rc28=1 rc48=1$"
        check "D_SENSE=$d $r: SMART enable, data, thresholds" ahas "$p smart enable=1 data=1 checksum=ok thresholds=1$"
        check "D_SENSE=$d $r: READ/WRITE DMA below 2^28, checked by O_DIRECT" \
            ahas "$p dma lba=0x1000 write=1 check=ok read=1 check=ok$"
        check "D_SENSE=$d $r: READ/WRITE DMA EXT past 2^28, checked by O_DIRECT" \
            ahas "$p dma lba=0x10000100 write=1 check=ok read=1 check=ok$"
        check "D_SENSE=$d $r: FLUSH CACHE" ahas "$p flush rc=1$"
        check "D_SENSE=$d $r: STANDBY" ahas "$p standby rc=1$"
        check "D_SENSE=$d $r: a write past the end fails with its record" ahas "$p write-past-end rc=2 record=1,0x20000000$"
    done
    p="^ata dsense=$d route=direct"
    check "D_SENSE=$d direct: READ NATIVE MAX 0x0FFFFFFF" ahas "$p native28 rc=1 max=0xfffffff$"
    check "D_SENSE=$d direct: the READ NATIVE MAX builder's device byte E0 reaches the disk, which answers an LBA" \
        ahas "$p native28-builder device=e0 max=0xfffffff$"
    check "D_SENSE=$d direct: READ NATIVE MAX EXT 0x1FFFFFFF" ahas "$p native48 rc=1 max=0x1fffffff$"
    check "D_SENSE=$d direct: SMART RETURN STATUS 4F/C2" ahas "$p smart-status rc=1 mid=4f high=c2$"
    for c in $REJECTED; do
        # rc 0 with a nonzero error register and ERR in the status
        check "D_SENSE=$d direct: $c fails with the disk's registers" \
            ahas "$p reject cmd=$c rc=0 error=([1-9a-f][0-9a-f]|0[1-9a-f]) status=[0-9a-f][13579bdf]$"
        check "D_SENSE=$d sat: $c fails" ahas "^ata dsense=$d route=sat reject cmd=$c rc=-2$"
    done
done
check "D_SENSE back to 0" ahas "^dsense set=0 now=0$"

# --- the gadget round ------------------------------------------------------------
kvm_arg=()
[ "$KVM" = 1 ] && kvm_arg=(--kvm)
if bash "$ROOT/scripts/gadget_check.sh" --out "$OUT/gadget" --build "$BUILD" "${kvm_arg[@]}" \
    --drives 8 --remove --pull 4:drive03; then
    echo "ok   gadget round"
else
    echo "FAIL gadget round (see $OUT/gadget)"
    fails=$((fails + 1))
fi

echo "output and images in $OUT"
[ "$fails" -eq 0 ] && echo "linux check: all holds" || echo "linux check: $fails check(s) failed"
[ "$fails" -eq 0 ]
