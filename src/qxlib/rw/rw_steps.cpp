#include "qxlib/rw/rw_steps.h"

#include <algorithm>
#include <vector>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/rw/rw_blocks.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint32_t kSectorsPerGigabyte = 2'097'152;
constexpr std::uint32_t kSampledGigabytes = 16;
// A drive that reports exactly this many sectors fails the test.
constexpr std::uint32_t kPlaceholderSectors = 8192;

// One line of the sequence run on each sampled gigabyte: `patterns` pattern
// compares, then the place is written back to zero.
struct Place {
    int patterns;
    std::uint32_t sectors;
    std::uint32_t offset;
};
constexpr Place kPlaces[] = {
    {2, 128, 0},      {2, 128, 128},    {2, 128, 256},   {2, 1, 150},      {1, 1, 180'000},  {1, 5, 100'033},
    {1, 4, 80'058},   {1, 26, 5'000},   {1, 5, 100'033}, {1, 1, 180'000},  {1, 26, 5'000},   {1, 126, 15'000},
    {1, 33, 154'900}, {1, 4, 80'058},   {1, 126, 15'000}, {1, 33, 154'900},
};

bool TestGigabyte(int slot, std::span<std::uint8_t> buffer, std::uint32_t base) {
    for (const Place& p : kPlaces) {
        const std::uint32_t lba = base + p.offset;
        for (int i = 0; i < p.patterns; ++i)
            if (!RWTestPatternCompare(slot, buffer, p.sectors, lba)) return false;
        if (!WriteZeroBlock(slot, buffer, p.sectors, lba)) return false;
    }
    return true;
}

constexpr std::size_t kSmartAttributesAt = 2;
constexpr std::size_t kSmartAttributeSize = 12;
constexpr std::size_t kSmartAttributeCount = 30;
constexpr std::uint8_t kTemperatureAttribute = 0xC2;
constexpr std::size_t kRawLowByte = 5;

std::uint8_t TemperatureOf(std::span<const std::uint8_t> smart) {
    for (std::size_t e = 0; e < kSmartAttributeCount; ++e) {
        const std::size_t at = kSmartAttributesAt + e * kSmartAttributeSize;
        if (smart[at] == kTemperatureAttribute) return smart[at + kRawLowByte];
    }
    return 0;
}

}  // namespace

bool ReadWriteTest(int slot, const StepContext& ctx) {
    EnterFirmwareMode(slot, ctx.config, ctx.buffer);   // a failure shows in the next command
    const auto gigabytes = static_cast<std::uint16_t>(GetCapacityMB(slot) / 1024);
    const auto stride = static_cast<std::uint8_t>((gigabytes + kSampledGigabytes) / kSampledGigabytes);
    for (std::uint32_t k = 0; k < gigabytes; k += stride)
        if (!TestGigabyte(slot, ctx.buffer, k * kSectorsPerGigabyte)) return false;

    const std::uint32_t sectors = GetCapacitySectors(slot);
    // Without a capacity the last sector would be LBA 0xFFFFFFFF, which a
    // large drive accepts: the test would pass on two sectors.
    if (sectors == 0 || sectors == kPlaceholderSectors) return false;
    return WriteZeroBlock(slot, ctx.buffer, 1, 0) && RWTestPatternCompare(slot, ctx.buffer, 1, sectors - 1) &&
           WriteZeroBlock(slot, ctx.buffer, 1, sectors - 1) && ATA_FlushCache(slot) == 1;
}

bool FillDiskWithFF(int slot) {
    const std::uint32_t sectors = GetCapacitySectors(slot);
    std::vector<std::uint8_t> block(kMaxBlockSectors * kSector, 0xFF);
    for (std::uint32_t lba = 0; lba < sectors;) {
        const std::uint32_t n = std::min(kMaxBlockSectors, sectors - lba);
        if (!VA_WriteSectors(slot, block.data(), static_cast<int>(n), lba)) return false;
        lba += n;
    }
    return true;
}

bool CheckTemperature(int slot, const StepContext& ctx, std::uint8_t maxTemperature, std::uint8_t* temperature) {
    EnterFirmwareMode(slot, ctx.config, ctx.buffer);
    std::uint8_t found = 0;
    // The controller's own USB interface has no SMART: there is nothing to
    // judge. Behind a bridge a SMART read that fails leaves the temperature
    // unknown, and an unknown temperature is no pass.
    const bool read = ctx.buffer.size() >= kSector && ATA_SmartReadData(slot, ctx.buffer.data(), 1) == 1;
    if (read) found = TemperatureOf(ctx.buffer.first(kSector));
    if (temperature) *temperature = found;
    return (read || OnUsbPath(slot)) && found <= maxTemperature;
}

}  // namespace qx
