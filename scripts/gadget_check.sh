#!/bin/bash
# The gadget round: two drives of a simulated rack served as real USB disks
# (qxgadget on dummy_hcd in a qemu-rack guest), one behind a bridge and one
# on the controller's own USB interface, driven by tools/gadget_probe through
# the kernel's usb-storage, SCSI and udev:
#   discovery    the walker finds both ports, the enumeration both disks, the
#                INQUIRY tag tells the bridge, the port matching pairs them
#   hang         a hung command fails after the kernel's time-out and reset,
#                and the next request works
#   stuck        a hung command whose drive is unplugged fails at once
#   transport    a transfer the drive fails reaches the host as a phase
#                error: the request fails at once, the next one works
#   vendor       on both paths: a register written and read back, diagnostic program download and boot, its
#                action's status, a status poll, code memory read back, a
#                page of every channel written and read back
#   firmware     loader to firmware on both paths; the USB drive leaves the
#                bus and comes back (a new USB device number); IDENTIFY and
#                capacity from the firmware
#   plug         "qxrack unplug" and "plug" take a disk off the bus and back
#   format       partition and FAT32 on the bridge drive
#   production   fablane offscreen on two new drives of a second rack: a
#                whole production round (diagnostic steps, pre-format,
#                download, upload, R/W test, tables, Set Max LBA, partition
#                and FAT32 format, temperature), every step passing
#   utility      sondrel's dumpssdinfo offscreen on a produced drive
# With --drives N the production round has N drives, half behind the bridge
# front end and half on the controller's own USB (dummy_hcd gives one UDC to
# each), and a one-drive round in the same guest first gives the ratio of
# their wall times; --remove has the station safely remove a produced drive
# (refused while its volume is busy); --pull M:DRIVE adds a round of M drives
# in which DRIVE leaves the bus in the middle of its R/W test.
# then the state qxgadget saved in the rack folders is checked against what
# the probe wrote and the station gave (firmware, IDENTIFY serial), and the
# exported images of a probed and a produced drive with sfdisk, fsck.fat and
# blkid.
#
#   scripts/gadget_check.sh [--out DIR] [--build DIR] [--kvm] [--ci]
#                           [--drives N] [--remove] [--pull M:DRIVE]
#
# --build DIR uses the tools already built there (else build/lx is built).
# --ci: a machine that cannot run the round (no harness, no root for its
# packages, over the time budget) skips it and says why; exit status 0 then.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="" BUILD="" KVM=0 CI=0 N=2 REMOVE=0 PULL=""
while [ $# -gt 0 ]; do
    case "$1" in
        --out) OUT=$2; shift ;;
        --build) BUILD=$2; shift ;;
        --kvm) KVM=1 ;;
        --ci) CI=1 ;;
        --drives) N=$2; shift ;;
        --remove) REMOVE=1 ;;
        --pull) PULL=$2; shift ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
[ "$N" -ge 2 ] && [ "$N" -le 9 ] || { echo "--drives takes 2 to 9" >&2; exit 2; }
PULL_N=${PULL%%:*} PULL_DRIVE=${PULL#*:}
# The two-drive round fits CI's budget; the larger ones take their time.
BUDGET=${QX_GADGET_BUDGET:-$([ "$N" -gt 2 ] || [ -n "$PULL" ] && echo 5400 || echo 300)}
# shellcheck source=scripts/qemu_guest.sh
. "$ROOT/scripts/qemu_guest.sh"
skip() {   # in CI a machine that cannot run the round says so and passes
    if [ "$CI" = 1 ]; then echo "gadget round skipped: $1"; exit 0; fi
    echo "gadget round cannot run: $1"; exit 1
}
[ -x "$RACK/run-guest.sh" ] || skip "no qemu-rack harness found (last looked at $RACK; set QEMU_RACK)"
[ "$CI" = 1 ] && [ "$(id -u)" != 0 ] && ! command -v qemu-system-x86_64 >/dev/null &&
    skip "QEMU is not installed and installing it needs root"
[ -n "$OUT" ] || OUT=$(mktemp -d /tmp/gadget-check.XXXXXX)
mkdir -p "$OUT/images"
chmod 0755 "$OUT" && chmod 0777 "$OUT/images"   # the guest's user keeps the images there

"$RACK/setup-host.sh" >"$OUT/setup-host.log" 2>&1 || skip "setup-host.sh failed (no network or apt?), see $OUT/setup-host.log"
command -v fsck.fat >/dev/null && command -v blkid >/dev/null && command -v sfdisk >/dev/null ||
    skip "fsck.fat, blkid and sfdisk are needed on the host"

cd "$ROOT" || exit 1
TOOLS="qxgadget qxrack gadget_probe gadget_state hotplug_probe qx_images sondrel fablane"
if [ -z "$BUILD" ]; then
    BUILD=build/lx
    cmake -S . -B "$BUILD" -G Ninja >"$OUT/build.log" 2>&1 &&
        cmake --build "$BUILD" -j4 --target $TOOLS >>"$OUT/build.log" 2>&1 ||
        { tail -20 "$OUT/build.log"; echo "build failed"; exit 1; }
fi
BIN=$BUILD/bin
for t in qxgadget qxrack gadget_probe gadget_state hotplug_probe GDP.bin; do
    [ -e "$BIN/$t" ] || { echo "$BIN/$t is missing"; exit 1; }
done

# The rack: both drives in their loader, 64 MiB, on ports 1 and 2 of a root
# hub; the USB drive's first code memory write and first register write
# hang, its first register read fails on the drive's side.
BR=QXBR0001 US=QXUS0002 LABEL=QXGADGET
BRIDGE_PATH='\\?\usbstor#disk&ven_qx&prod_bridge#qxbr0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
USB_PATH='\\?\usbstor#disk&ven_qx&prod_native#qxus0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
R=$OUT/rack
rm -rf "$R"
# Two ports on one root hub; qxrack puts drive01 on port 1 and drive02 on port 2.
{ "$BIN/qxrack" create "$R" &&
  printf '[usb]\nroot=2\n' >>"$R/rack.ini" &&
  "$BIN/qxrack" add "$R" "$BRIDGE_PATH" frontEnd=bridge chipTag=q461 serial=$BR capacitySectors=131072 state=loader &&
  "$BIN/qxrack" add "$R" "$USB_PATH" frontEnd=usb chipTag=q814 serial=$US capacitySectors=131072 state=loader &&
  "$BIN/qxrack" break "$R" "$USB_PATH" hang opcode=0xff sub=0x87 count=1 &&
  "$BIN/qxrack" break "$R" "$USB_PATH" hang opcode=0xff sub=0x85 count=1 &&
  "$BIN/qxrack" break "$R" "$USB_PATH" syscall opcode=0xff sub=0x84 count=1; } || { echo "cannot make the rack"; exit 1; }
chmod -R a+rwX "$R"

# The production rounds: new drives in their loader, as a station meets
# them, odd ones behind the bridge and even ones on the controller's own USB;
# and the station's folder with its settings, part list and images.
STATION=$OUT/station SERIAL=QXGADGET0001 PROD_LABEL=QXPROD PROD_SECTORS=120000
# production_rack FOLDER N: N new drives, QXPB0001, QXPU0002, QXPB0003...
production_rack() {
    local folder=$1 n=$2 i
    rm -rf "$folder"
    "$BIN/qxrack" create "$folder" || return 1
    # One root hub with a port for each drive; qxrack puts drive N on port N.
    printf '[usb]\nroot=%d\n' "$n" >>"$folder/rack.ini"
    for i in $(seq 1 "$n"); do
        if [ $((i % 2)) = 1 ]; then
            "$BIN/qxrack" add "$folder" "${BRIDGE_PATH/qxbr0001/qxpb000$i}" frontEnd=bridge chipTag=q461 \
                serial=QXPB000$i capacitySectors=131072 state=loader vendorMode=1 busyPolls=0 || return 1
        else
            "$BIN/qxrack" add "$folder" "${USB_PATH/qxus0002/qxpu000$i}" frontEnd=usb chipTag=q814 \
                serial=QXPU000$i capacitySectors=131072 state=loader vendorMode=1 busyPolls=0 || return 1
        fi
    done
    chmod -R a+rwX "$folder"
}
P=$OUT/prod
production_rack "$P" "$N" || { echo "cannot make the production rack"; exit 1; }
RACKS_IN=(--copy-in "$P:/rack/prod")
GUEST_ARGS=("$N")
if [ "$N" -gt 2 ]; then
    production_rack "$OUT/single" 1 || { echo "cannot make the one-drive rack"; exit 1; }
    RACKS_IN+=(--copy-in "$OUT/single:/rack/single")
    GUEST_ARGS+=(single)
fi
[ "$REMOVE" = 1 ] && GUEST_ARGS+=(remove)
if [ -n "$PULL" ]; then
    production_rack "$OUT/pull" "$PULL_N" || { echo "cannot make the pulled round's rack"; exit 1; }
    RACKS_IN+=(--copy-in "$OUT/pull:/rack/pull")
    GUEST_ARGS+=("pull=$PULL")
fi
UDCS=$N
[ -n "$PULL" ] && [ "$PULL_N" -gt "$UDCS" ] && UDCS=$PULL_N
STATION_IN=()
QPA=/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqoffscreen.so
if [ -x "$BIN/fablane" ] && [ -e "$QPA" ]; then
    mkdir -p "$STATION"
    cp "$BIN/fablane" "$BIN/Flash.ini" "$BIN/GDP.bin" "$BIN/satatest.bin" "$BIN"/SYS_*.bin "$STATION/"
    # shellcheck source=scripts/station_ini.sh
    . "$ROOT/scripts/station_ini.sh"
    whole_round_ini "$SERIAL" 2 DiskLabel="$PROD_LABEL" EnUpload=1 EnSetMaxLBA=1 SetMaxLBAValue="$PROD_SECTORS" \
        EnCheckTemperature=1 CheckMaxTemperatureValue=70 >"$STATION/QXMPTOOL.ini"
    chmod -R a+rwX "$STATION"
    STATION_IN=(--copy-in "$STATION:/rack/station")
fi

# The utility runs offscreen in the guest: the offscreen platform plugin goes
# in at its own path, with the libraries it needs.
UTILITY=()
[ -x "$BIN/sondrel" ] && [ -e "$QPA" ] && UTILITY=(--copy-in "$BIN/sondrel:/rack/bin/sondrel")
QT_IN=()
[ ${#UTILITY[@]} -gt 0 ] || [ ${#STATION_IN[@]} -gt 0 ] && QT_IN=(--copy-in "$QPA:$QPA")

# The guest's SATA disks carry the bridge drives' exported images out.
TXT=$OUT/gadget.txt
started=$(date +%s)
# The sanitized builds with the utility and its Qt libraries make a large
# initramfs: it unpacks into the guest's memory.
guest --disks 0 --hub-disks 0 --sata-disks 2 --size-mib 64 --mem 2560 --timeout "$BUDGET" --quiet \
    --modules 'configfs libcomposite usb_f_fs dummy_hcd' --append "dummy_hcd.num=$UDCS dummy_hcd.is_high_speed=1" \
    --copy-in "$BIN/qxgadget" --copy-in "$BIN/qxrack" --copy-in "$BIN/gadget_probe" --copy-in "$BIN/gadget_state" \
    --copy-in "$BIN/hotplug_probe" --copy-in "$(command -v fsck.fat)" --copy-in "$(command -v sfdisk)" \
    --copy-in "$BIN/GDP.bin" "${QT_IN[@]}" "${UTILITY[@]}" "${STATION_IN[@]}" --copy-in "$R:/rack/rack" "${RACKS_IN[@]}" \
    --copy-in scripts/gadget_guest.sh \
    --keep-images "$OUT/images" --cmd "sh /rack/gadget_guest.sh $BR $US $LABEL ${GUEST_ARGS[*]}" >"$TXT" 2>&1
rc=$?
grep -v '^trace: ' "$TXT"
echo "(guest round took $(($(date +%s) - started)) s)"
[ "$rc" = 124 ] && skip "the guest did not finish within $BUDGET s on this machine (QX_GADGET_BUDGET)"

fails=0
check() {   # check "what" command...
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then echo "ok   $what"; else echo "FAIL $what"; fails=$((fails + 1)); fi
}
has() { grep -Eq -- "$1" "$TXT"; }
value() { sed -n "s/$1/\\1/p" "$TXT" | head -n1; }
check "guest command exit status 0 (was $rc)" test "$rc" -eq 0
udcs=$(sed -n 's/^udcs //p' "$TXT" | wc -w)
check "dummy_hcd gives the $UDCS UDCs asked for (it gave $udcs)" test "$udcs" -eq "$UDCS"
for s in $BR $US; do
    check "$s: a by-path disk under dummy_hcd" has "^match serial=$s port=[0-9]+ path=/dev/disk/by-path/platform-dummy_hcd\\.[01]-usb-0:1:1\\.0-scsi-0:0:0:0$"
done
check "the bridge's port: its vendor, product and serial" has "^port [0-9]+ vid=174c pid=1153 serial=$BR id=USB.VID_174C&PID_1153"
check "the controller's port: its vendor, product and serial" has "^port [0-9]+ vid=1d7e pid=1000 serial=$US id=USB.VID_1D7E&PID_1000"
check "INQUIRY tag: a SATA bridge" has "^bridge serial=$BR type=[1-9][0-9]* sata-bridge=1$"
check "INQUIRY tag: the controller's own USB" has "^bridge serial=$US type=10 sata-bridge=0$"
check "hung command fails after the kernel's time-out, the next one works" has '^hang first=0 seconds=([7-9]|[1-5][0-9]) next=1 vendor="Zivizaz "'
check "qxgadget dropped the hung command at the host's reset" has '^qxgadget drive02: disabled: the command in flight is dropped$'
check "unplugged mid-command: the hung request fails at once, not at its time-out" has '^stuck write=0 seconds=[0-7]$'
followed_by() { grep -A1 -- "$1" "$TXT" | tail -n1 | grep -Eq -- "$2"; }
check "unplugged mid-command: the disk left" followed_by "^sent to the running program: unplug .*qxus0002" '^disks 1 after'
check "unplugged mid-command: plugged back, the disk returned" followed_by "^sent to the running program: plug .*qxus0002" '^disks 2 after'
check "a failure on the drive's side fails the request at once, the next one works" \
    has '^transport first=0 seconds=[0-5] second=1$'
for p in sata usb; do
    check "$p path: register written and read back" has "^vendor path=$p register-write=1 register-read=1 value=4[01]$"
    check "$p path: program booted, action 1 status 0E" has "^vendor path=$p boot=1 action1=1 status=0e$"
    check "$p path: status poll" has "^vendor path=$p poll=1 status=00$"
    check "$p path: code memory reads back the download" has "^vendor path=$p code-read=1 matches-download=1$"
    check "$p path: flash pages written and read back" has "^flash path=$p write=1 read=1 same=1$"
    check "$p path: loader to firmware" has "^firmware path=$p loader=1 rc=1 .* loader-now=0$"
done
for ch in 0 1 2 3; do
    for d in drive01:sata drive02:usb; do
        written=$(value "^flash path=${d#*:} ch=$ch ce=0 block=21 page=6 fnv=\\([0-9a-f]*\\)$")
        check "${d%:*} keeps channel $ch's page as written ($written)" \
            has "^state drive=${d%:*} ch=$ch ce=0 block=21 page=6 fnv=${written:-none}$"
    done
done
check "the bridge's firmware: IDENTIFY model and capacity" has '^firmware path=sata identify=1 model="QX SSD 128GB" capacity=131072$'
check "the USB firmware: READ CAPACITY's last LBA" has '^firmware path=usb capacity=131071$'
before=$(value "^usbdev before-firmware serial=$US devnum=\\([0-9]*\\)$")
after=$(value "^usbdev after-firmware serial=$US devnum=\\([0-9]*\\)$")
check "the USB drive re-enumerated on its firmware boot (device $before, then $after)" \
    test -n "$before" -a -n "$after" -a "$before" != "$after"
check "qxgadget took the USB drive off the bus and back" has '^qxgadget drive02: off the bus from dummy_udc\.1$'
check "qxrack unplug: the disk left" followed_by '^sent to the running program: unplug .*qxbr0001' '^disks 1 after'
check "qxrack plug: the disk came back" followed_by '^sent to the running program: plug .*qxbr0001' '^disks 2 after'
check "partition and format of $BR" has "^format serial=$BR sectors=131072 partition=1 rc=1 volume=/dev/sd[a-z]+1$"
check "qxgadget saved the rack and ended" has '^qxgadget rc=0$'
for d in drive01 drive02; do
    check "$d is in its firmware in the saved rack" has "^state drive=$d controller=firmware capacity=131072 "
done
check "the bridge drive's image exported" has '^state drive=drive01 export=1$'

# fat32_image IMAGE LABEL WHAT: the image's partition table, its one FAT32
# partition judged by fsck.fat and blkid.
fat32_image() {
    local img=$1 label=$2 what=$3 part=$OUT/partition-$2.img start size
    start=$(sfdisk -d "$img" 2>/dev/null | sed -n 's/.*start= *\([0-9]*\).*type=b$/\1/p')
    size=$(sfdisk -d "$img" 2>/dev/null | sed -n 's/.*size= *\([0-9]*\).*type=b$/\1/p')
    check "$what: partition table, one FAT32 entry at 63" test "${start:-x}" = 63
    rm -f "$part"
    [ -n "$size" ] && dd if="$img" of="$part" bs=512 skip=63 count="$size" status=none
    check "$what: fsck.fat -n on the partition" fsck.fat -n "$part"
    for v in TYPE=vfat VERSION=FAT32 LABEL=$label; do
        check "$what: blkid $v" sh -c 'blkid -p -o export "$1" | grep -qx "$2"' - "$part" "$v"
    done
}
fat32_image "$OUT/images/sata1.img" "$LABEL" "$BR as gadget_probe formatted it"

if [ ${#STATION_IN[@]} -gt 0 ]; then
    # The station's production round on the N new drives.
    check "the station program ended well" has '^production fablane rc=0$'
    # round_rows TAG: the rows of a round's production log, one a line:
    # "SERIAL pass" when every step and the result passed, else
    # "SERIAL fail STEP=VALUE" at the first step that did not.
    round_rows() {
        sed -n "s/^$1 log: //p" "$TXT" | awk -F'\t' '
            function trim(s) { gsub(/^ +| +$/, "", s); return s }
            /Module/ && /Result/ {
                for (i = 1; i <= NF; i++) { head[i] = trim($i); col[head[i]] = i }
                first = col["Module"]; last = col["Result"]; next
            }
            first && NF > 3 {
                at = ""
                for (i = first; i <= last; i++) if (at == "" && trim($i) != "Pass") at = head[i] "=" trim($i)
                print trim($col["SerialNumber"]), (at == "" ? "pass" : "fail " at)
            }'
    }
    # all_pass TAG N: N rows, every one passing, with the serials 1..N of the round.
    all_pass() {
        local want got
        want=$(for i in $(seq 1 "$2"); do echo "${SERIAL%1}$i pass"; done)
        got=$(round_rows "$1" | sort)
        [ "$got" = "$want" ]
    }
    check "production log: all $N drives passed every step, as ${SERIAL%1}1 to ${SERIAL%1}$N" all_pass station "$N"
    round_rows station | sed 's/^/     row: /'
    T='[[:space:]]+'
    check "production log: the steps run" \
        has "^station log: .*Module${T}SATA${T}Flash${T}Dram${T}P_F${T}Down${T}UP${T}R/W${T}Check Table${T}Set Max LBA${T}Format${T}CheckTemper${T}Result"
    check "the station captured its window" has '^station file: Image_[0-9]+\.jpg$'
    check "qxgadget saved the produced drives and ended" has '^qxgadget production rc=0$'
    # Set Max LBA reaches a drive behind the bridge through SAT; the
    # controller's own USB interface takes no ATA command, and keeps its size.
    serials=""
    for i in $(seq 1 "$N"); do
        d=drive0$i
        if [ $((i % 2)) = 1 ]; then
            check "$d is produced: in its firmware, offering $PROD_SECTORS sectors" \
                has "^produced drive=$d controller=firmware capacity=$PROD_SECTORS "
        else
            check "$d is produced: in its firmware, its size as it was" \
                has "^produced drive=$d controller=firmware capacity=131072 "
        fi
        check "$d is produced: IDENTIFY gives a serial of the round" \
            has "^produced drive=$d identify serial=\"${SERIAL%1}[1-$N]\" "
        serials="$serials $(value "^produced drive=$d identify serial=\"\([^\"]*\)\".*")"
        [ "$i" = 1 ] || [ "$N" -gt 2 ] &&
            check "$d is produced: fsck.fat -n accepts its FAT32 volume" has "^produced drive=$d fsck rc=0$"
    done
    check "the $N drives carry $N serials ($serials )" \
        test "$(echo $serials | tr ' ' '\n' | sort -u | grep -c .)" -eq "$N"
    check "the produced bridge drive's image exported" has '^produced drive=drive01 export=1$'
    fat32_image "$OUT/images/sata2.img" "$PROD_LABEL" "produced drive QXPB0001"
    if [ "$N" -gt 2 ]; then
        check "the one-drive round passed" all_pass single 1
        t1=$(value '^single seconds=\([0-9.]*\)$')
        tn=$(value '^production seconds=\([0-9.]*\)$')
        if [ -n "$t1" ] && [ -n "$tn" ]; then
            echo "gadget round: $N drives produced, ratio $(awk -v a="$tn" -v b="$t1" 'BEGIN { printf "%.2f", a / b }')" \
                "($tn s for $N, $t1 s for one)"
        else
            check "both rounds timed" false
        fi
    fi
    if [ "$REMOVE" = 1 ]; then
        RM='^removal: '
        check "safe removal: the produced drive's volume mounted" has "${RM}mount ok$"
        check "safe removal: refused while a file is open on it, naming the mount point" \
            has "${RM}veto serial=QXPB0001 text=/rack/mnt is in use$"
        check "safe removal: done once the file is closed" has "${RM}removed serial=QXPB0001$"
        check "safe removal: the udev monitor saw it leave" has "${RM}event remove "
        check "safe removal: its disk node is gone" has "${RM}node gone$"
        check "safe removal: no mount left behind" has "${RM}mount gone$"
        check "safe removal: no /dev/sd* of it left, the others stay" has "${RM}disks $((N - 1)) of $N$"
    fi
    if [ -n "$PULL" ]; then
        check "pulled round: the station ended, nothing hung" has '^pull fablane rc=0$'
        pull_s=$(value '^pull seconds=\([0-9]*\).*$')
        check "pulled round: over in ${pull_s:-?} s, within the station's 5-minute worker time-out" \
            test "${pull_s:-999}" -lt 300
        check "pulled round: $PULL_DRIVE left the bus in its R/W test" has '^pull: drive pulled 1$'
        pulled_alone() {
            local rows fails
            rows=$(round_rows pull)
            fails=$(grep -c ' fail ' <<<"$rows")
            [ "$(grep -c . <<<"$rows")" -eq "$PULL_N" ] && [ "$fails" -eq 1 ] &&
                grep ' fail ' <<<"$rows" | grep -Eq ' fail (R/W|Check Table|Set Max LBA|Format|CheckTemper)=|T00'
        }
        check "pulled round: only the pulled port failed, at the step it reached; the $((PULL_N - 1)) others passed" pulled_alone
        round_rows pull | sed 's/^/     row: /'
        check "pulled round: the station's udev monitor saw $PULL_DRIVE leave" \
            has "^pull event: udev remove /sys/devices/platform/dummy_hcd\\.$((10#${PULL_DRIVE#drive} - 1))/usb[0-9]+/[0-9]+-1\$"
        check "pulled round: the station's window was told of the change" has '^pull station: device changes [1-9]'
        serial=QXP$([ $((10#${PULL_DRIVE#drive} % 2)) = 1 ] && echo B || echo U)000${PULL_DRIVE#drive0}
        check "pulled round: plugged back, a refresh lists all $PULL_N again, $serial among them" \
            has "^pull refresh: refresh connected=$PULL_N$"
        check "pulled round: $serial is on a port again" has "^pull refresh: listed port=[0-9]+ serial=$serial$"
        check "qxgadget served the pulled round and ended" has '^qxgadget pull rc=0$'
    fi
else
    echo "--   the production round not run: no fablane in $BIN or no Qt offscreen plugin"
fi
if [ ${#UTILITY[@]} -gt 0 ]; then
    check "the utility's dumpssdinfo on the real backend ends well" has '^sondrel rc=0$'
    check "the utility prints the dump's path" has '^sondrel out: /rack/bin/gadgetinfo\.txt$'
    # The rows of a dump of a drive behind a bridge, as in-process: the USB
    # strings (empty behind a bridge), then the SSD information rows.
    dump_fields() {
        local rows
        rows=$(sed -n 's/^sondrel dump: //p' "$TXT" | tr '\n' '|')
        case "$rows" in
            "Vendor Name:|Product Name:|Manufacture String:|Product String:|VID:|PID:|Serial Num:|Flash model :"*"|Channel number :"*"F/W version :"*) return 0 ;;
        esac
        return 1
    }
    check "the utility's dump has its fields" dump_fields
    if [ ${#STATION_IN[@]} -gt 0 ]; then
        # A produced drive: its firmware gives the flash layout the station set.
        check "the utility's dump: a produced drive's 4 channels and 2 banks" has '^sondrel dump: Channel number : 4 +Total bank : 2$'
        check "the utility's dump: the downloaded firmware's version" has '^sondrel dump: .*F/W version : QXSS,'
    fi
else
    echo "--   the utility's dumpssdinfo not run: no sondrel in $BIN or no Qt offscreen plugin"
fi

echo "output and images in $OUT"
[ "$fails" -eq 0 ] && echo "gadget round: all holds" || echo "gadget round: $fails check(s) failed"
[ "$fails" -eq 0 ]
