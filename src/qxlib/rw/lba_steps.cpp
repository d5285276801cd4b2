#include "qxlib/rw/lba_steps.h"

#include <array>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/vendor_access/firmware_mode.h"

namespace qx {
namespace {

constexpr std::uint32_t kLimit28 = 0x0FFFFFFF;
constexpr std::size_t kPartitionTypes[] = {0x1C2, 0x1D2, 0x1E2, 0x1F2};
constexpr std::uint8_t kNtfsType = 0x07;
constexpr std::size_t kSignatureAt = 0x1FE;
constexpr std::uint16_t kSignature = 0xAA55;

}  // namespace

bool SetMaxLba(int slot, const StepContext& ctx, std::uint32_t sectorsLow, std::uint32_t sectorsHigh) {
    EnterFirmwareMode(slot, ctx.config, ctx.buffer);   // a failure shows in the next command
    if (sectorsHigh == 0 && sectorsLow < kLimit28)
        return ATA_ReadNativeMaxAddress(slot) == 1 && ATA_SetMaxAddress(slot, sectorsLow - 1) == 1;
    const std::uint64_t sectors = std::uint64_t{sectorsHigh} << 32 | sectorsLow;
    return ATA_ReadNativeMaxAddressExt(slot) == 1 && ATA_SetMaxAddressExt(slot, sectors - 1) == 1;
}

bool HasNtfsPartition(int slot) {
    std::array<std::uint8_t, 512> mbr{};
    if (SCSI_Read10(slot, mbr.data(), 1, 0) != 1) return false;
    if (get_le16(&mbr[kSignatureAt]) != kSignature) return false;
    for (std::size_t at : kPartitionTypes)
        if (mbr[at] == kNtfsType) return true;
    return false;
}

}  // namespace qx
