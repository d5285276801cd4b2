#include "qxlib/rw/rw_blocks.h"

#include <algorithm>

#include "platform/clock.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/rw/rw_error_record.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint64_t kSettleAfterFlushMs = 10;

// The block's bytes, or an empty span when the block is not one we send.
std::span<std::uint8_t> Block(std::span<std::uint8_t> buffer, std::uint32_t sectors) {
    if (sectors == 0 || sectors > kMaxBlockSectors || buffer.size() < sectors * kSector) return {};
    return buffer.first(sectors * kSector);
}

bool Clear(std::span<std::uint8_t> block) {
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    return true;
}

int Transfer(int slot, bool read, std::span<std::uint8_t> block, std::uint32_t lba) {
    const int count = static_cast<int>(block.size() / kSector);
    return read ? SCSI_Read10(slot, block.data(), count, lba) : SCSI_Write10(slot, block.data(), count, lba);
}

// Compares word by word with what expected(i) gives; the first difference
// leaves a kind-3 record with the Lba the caller chooses for it.
template <typename Expected, typename RecordLba>
bool Compare(std::span<std::uint8_t> block, Expected expected, RecordLba recordLba) {
    const std::uint32_t words = static_cast<std::uint32_t>(block.size() / 2);
    for (std::uint32_t i = 0; i < words; ++i) {
        const std::uint16_t want = expected(i);
        const std::uint16_t got = get_le16(&block[i * 2]);
        if (got == want) continue;
        PutRWErrorRecord(block, {kRWCompareFailed, recordLba(i), want, got, i});
        return false;
    }
    return true;
}

bool ComparePattern(std::span<std::uint8_t> block, std::uint32_t lba) {
    return Compare(block, [lba](std::uint32_t i) { return TestPatternWord(lba, i); },
                   [lba](std::uint32_t) { return lba; });
}

}  // namespace

void FillTestPattern(std::span<std::uint8_t> block, std::uint32_t lba) {
    const std::uint32_t words = static_cast<std::uint32_t>(block.size() / 2);
    for (std::uint32_t i = 0; i < words; ++i)
        put_le16(&block[i * 2], TestPatternWord(lba, i));
}

bool RWTestPatternCompare(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) {
    const std::span<std::uint8_t> block = Block(buffer, sectors);
    if (block.empty()) return false;
    FillTestPattern(block, lba);
    if (Transfer(slot, false, block, lba) != 1) return false;
    Clear(block);
    if (ATA_FlushCache(slot) != 1) return false;
    if (!platform::SleepMs(kSettleAfterFlushMs)) return false;
    if (Transfer(slot, true, block, lba) != 1) return false;
    return ComparePattern(block, lba);
}

bool ReadPatternBlock(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) {
    const std::span<std::uint8_t> block = Block(buffer, sectors);
    if (block.empty() || !Clear(block) || Transfer(slot, true, block, lba) != 1) return false;
    return ComparePattern(block, lba);
}

bool ReadCompareConstant(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba,
                         std::uint16_t value) {
    const std::span<std::uint8_t> block = Block(buffer, sectors);
    if (block.empty() || !Clear(block) || Transfer(slot, true, block, lba) != 1) return false;
    return Compare(block, [value](std::uint32_t) { return value; }, [lba](std::uint32_t i) { return lba + i; });
}

bool WriteZeroBlock(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) {
    const std::span<std::uint8_t> block = Block(buffer, sectors);
    return !block.empty() && Clear(block) && Transfer(slot, false, block, lba) == 1;
}

bool WritePatternBlock(int slot, std::span<std::uint8_t> buffer, std::uint32_t sectors, std::uint32_t lba) {
    const std::span<std::uint8_t> block = Block(buffer, sectors);
    if (block.empty()) return false;
    FillTestPattern(block, lba);
    return Transfer(slot, false, block, lba) == 1;
}

}  // namespace qx
