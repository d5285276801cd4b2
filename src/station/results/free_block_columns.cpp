#include "station/results/free_block_columns.h"

#include "qxlib/settings/flash_config.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/vendor_access/firmware_mode.h"

namespace qx::station {
namespace {

constexpr std::size_t kFirstEntry = 2;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kEntryCount = 30;
constexpr std::uint8_t kFreeBlockId = 0xEB;
constexpr std::size_t kSector = 512;

}  // namespace

std::vector<int> FreeBlockCounts(std::span<const std::uint8_t> smartData) {
    std::vector<int> counts;
    for (std::size_t e = 0; e < kEntryCount; ++e) {
        const std::size_t at = kFirstEntry + e * kEntrySize;
        if (at + kEntrySize > smartData.size()) break;
        const std::uint8_t* entry = smartData.data() + at;
        if (entry[0] == kFreeBlockId) counts.push_back(entry[7] * 256 + entry[8]);
    }
    return counts;
}

std::vector<int> ReadFreeBlockCounts(int slot, const FlashConfig& config) {
    // EnterFirmwareMode searches the information page with this buffer and
    // leaves in it only what the loader answered; the SMART table is read
    // once the firmware runs, into a zeroed sector, whether the drive was in
    // its loader or already in its firmware.
    std::vector<std::uint8_t> page(FirmwareModePageSize(config));
    if (EnterFirmwareMode(slot, config, page) != 1) return {};
    std::vector<std::uint8_t> smart(kSector, 0);
    if (ATA_SmartReadData(slot, smart.data(), 1) != 1) return {};
    return FreeBlockCounts(smart);
}

}  // namespace qx::station
