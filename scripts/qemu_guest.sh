# Sourced by the scripts that run a command in a qemu-rack guest: finds the
# harness (RACK) and defines guest, which runs run-guest.sh with the given
# arguments. The guests run under TCG by default: KVM inside a virtual
# machine has been seen to stop the guest kernel with "emulation failure".
# run-guest.sh picks TCG when it cannot open /dev/kvm, so as root the guests
# are started as an unprivileged user; KVM=1 starts them as the caller.
RACK=${QEMU_RACK:-$ROOT/../shared/tools/qemu-rack}
[ -d "$RACK" ] || RACK=$ROOT/../../shared/tools/qemu-rack   # a worktree under wt/
KVM=${KVM:-0}
guest() {
    if [ "$KVM" = 1 ] || [ "$(id -u)" != 0 ]; then
        "$RACK/run-guest.sh" "$@"
    else
        setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp "$RACK/run-guest.sh" "$@"
    fi
}
