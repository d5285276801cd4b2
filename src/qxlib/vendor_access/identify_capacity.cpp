#include "qxlib/vendor_access/identify_capacity.h"

#include <array>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kWords60 = 120;     // 28-bit addressable sectors, words 60-61
constexpr std::size_t kWords100 = 200;    // 48-bit addressable sectors, low half, words 100-101
constexpr std::size_t kWords102 = 204;    // high half, words 102-103
constexpr std::uint32_t kSaturated28 = 0x0FFFFFFF;
constexpr std::uint32_t kTooLarge = 0xFFFFFFFF;

}  // namespace

bool IdentifyDevice(int slot, std::uint8_t* buffer, int sectors) { return VA_IdentifyDevice(slot, buffer, sectors); }

std::uint32_t GetCapacityFromIdentify(int slot) {
    std::array<std::uint8_t, kSector> id{};
    if (ATA_IdentifyDevice(slot, id.data(), 1) != 1) return 0;
    const std::uint32_t w60 = get_le32(&id[kWords60]);
    if (w60 != kSaturated28) return w60;
    // A count of 2^32 sectors or more does not fit: none rather than its low half.
    const std::uint32_t w100 = get_le32(&id[kWords100]);
    if (w100 == kTooLarge || get_le32(&id[kWords102]) != 0) return 0;
    return w100;
}

std::uint32_t GetCapacityFromReadCapacity(int slot) {
    std::array<std::uint8_t, kSector> reply{};
    if (SCSI_ReadCapacity10(slot, reply.data(), 1) != 1) return 0;
    // 0xFFFFFFFF is the drive's way of saying the last LBA does not fit.
    const std::uint32_t lastLba = get_be32(reply.data());
    return lastLba == kTooLarge ? 0 : lastLba;
}

std::uint32_t GetDriveCapacity(int slot) {
    return OnUsbPath(slot) ? GetCapacityFromReadCapacity(slot) : GetCapacityFromIdentify(slot);
}

std::uint32_t GetCapacitySectors(int slot) { return GetDriveCapacity(slot); }

std::uint64_t GetCapacityBytes(int slot) { return std::uint64_t{GetDriveCapacity(slot)} * kSector; }

std::uint32_t GetCapacityMB(int slot) { return GetDriveCapacity(slot) >> 11; }

}  // namespace qx
