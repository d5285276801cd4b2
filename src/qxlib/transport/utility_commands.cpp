#include "qxlib/transport/utility_commands.h"

#include <algorithm>

#include "qxlib/base/byte_order.h"
#include "qxlib/transport/opcodes.h"
#include "qxlib/transport/pass_through.h"
#include "qxlib/transport/vendor_command.h"
#include "qxlib/transport/vendor_opcodes.h"

namespace qx {
namespace {

constexpr bool kIn = true;
constexpr bool kOut = false;

// The block of a SATA-only vendor command: FF E5 sub on the SATA path; on
// the USB path the head stays zero, so the controller sees no vendor command.
VendorCmdBlock SataOnlyBlock(const SlotRoute& route, std::uint8_t sub, std::size_t size = kVendorBlockShort) {
    VendorCmdBlock b;
    b.size = size;
    if (!route.UsbPath) {
        b[ 0] = kVendorOpcode;
        b[ 1] = kVendorPathSata;
        b[ 2] = sub;
    }
    return b;
}

int Run(const SlotRoute& route, bool read, const VendorCmdBlock& b, std::uint8_t* buffer, int count) {
    return ExecVendorCmd(route, read, b, buffer, count, false) ? 1 : 2;
}

}  // namespace

int ATA_SmartReadThresholds(int slot, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    if (route.UsbPath) return 2;
    const std::uint8_t b[12] = {kSat12, kSatPioIn, kSatSectorsIn, kSmartReadThresholds, static_cast<std::uint8_t>(count),
                                0x00, kSmartLbaMid, kSmartLbaHigh, 0x00, kAtaSmart, 0x00, 0x00};
    // A drive that refuses the read says so in its sense data, as for the SMART data.
    return ExecSlotAtaPassThrough(route, kIn, b, 12, buffer, count * 512, false) == 1 ? 1 : 2;
}

// byte 3-6 offset   7-10 length   11 zero
int VC_ReadSpiData(int slot, std::uint8_t* buffer, std::uint32_t offset, std::uint32_t length, int count) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = SataOnlyBlock(route, kFwSubReadSpiData);
    put_be32(&b[3], offset);
    put_be32(&b[7], length);
    return Run(route, kIn, b, buffer, count);
}

// byte 3 selector   4-7 value   8-11 zero; the firmware takes its operands
// from the head of the data sector, so the block is copied there first.
int VC_ResetSmartCounter(int slot, std::uint8_t selector, std::uint32_t value, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    VendorCmdBlock b = SataOnlyBlock(route, kFwSubResetSmartCounter);
    if (!route.UsbPath) {
        b[ 3] = selector;
        put_be32(&b[4], value);
    }
    if (buffer != nullptr && count > 0) std::copy_n(b.data(), kVendorBlockShort, buffer);
    return Run(route, kOut, b, buffer, count);
}

int VC_GetDramLayoutInfo(int slot, std::uint8_t* buffer, int count) {
    const SlotRoute route = RouteOf(slot);
    return Run(route, kIn, SataOnlyBlock(route, kFwSubGetDramLayoutInfo, kVendorBlockPage), buffer, count);
}

}  // namespace qx
