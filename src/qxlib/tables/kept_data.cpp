#include "qxlib/tables/kept_data.h"

#include <algorithm>
#include <cstring>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_builders.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kTableBytes = 128 * 1024;
constexpr std::size_t kTableHeaderBytes = 8;
constexpr std::size_t kEntryBytes = 4;

}  // namespace

int BackupEraseCounts(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer, int /*reserved*/) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry || buffer.size() < kTableBytes) return 0;
    DeviceSlot& s = *slotEntry;
    if (!s.KeptEraseCounts || s.KeptEraseCounts.size() < kKeptEraseChannels * kKeptEraseRows * kTableBytes) return 0;
    EnterFirmwareMode(slot, config, buffer);

    const unsigned rows = unsigned{config.BankCount} * config.FlashGeometry.DiesPerCe;
    VA_ReadEraseCountTable(slot, buffer.data(), 1, 0, 0);
    // The 8-byte header and 4 bytes an entry, in whole sectors; a header
    // claiming more than the buffer holds is read as far as the buffer goes.
    const std::size_t entries = get_le16(&buffer[4]);
    const std::size_t bytes = std::min(kTableBytes, entries * kEntryBytes + kTableHeaderBytes);
    const int sectors = static_cast<int>((bytes + kSector - 1) / kSector);

    for (unsigned i = 0; i < rows && i < kKeptEraseRows; ++i) {
        for (unsigned j = 0; j < config.ChannelCount && j < kKeptEraseChannels; ++j) {
            VA_ReadEraseCountTable(slot, buffer.data(), sectors, static_cast<std::uint8_t>(j),
                                   static_cast<std::uint8_t>(i));
            std::memcpy(s.KeptEraseCounts.data() + (std::size_t{j} * kKeptEraseRows + i) * kTableBytes,
                        buffer.data(), kTableBytes);
        }
    }
    return 1;
}

bool BackupSmartInfo(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry || buffer.size() < kSector) return false;
    DeviceSlot& s = *slotEntry;
    if (!s.KeptSmartPage || s.KeptSmartPage.size() < kKeptSmartPageSize) return false;
    EnterFirmwareMode(slot, config, buffer);

    if (s.UsbPath) {
        if (VC_SYS_USB_GetSMARTInfo(slot, buffer.data(), 1) != 1) {
            DebugPrint("VC_SYS_USB_GetSMARTInfo Fail!\n");
            return false;
        }
    } else if (ATA_SmartReadData(slot, buffer.data(), 1) != 1) {
        DebugPrint("Please make sure that BIOS enable the S.M.A.R.T function!\n");
        return false;
    }
    std::memcpy(s.KeptSmartPage.data(), buffer.data(), kKeptSmartPageSize);
    return true;
}

}  // namespace qx
