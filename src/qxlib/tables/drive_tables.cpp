#include "qxlib/tables/drive_tables.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "qxlib/programs/code_block_tags.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr std::uint8_t kInfoPageEccMode = 3;
constexpr int kInfoPageSectors = 8;
constexpr std::uint16_t kDefectPage = 1;
constexpr std::uint16_t kEarlyPage = 2;
constexpr std::uint16_t kRemapPage = 3;
constexpr std::uint16_t kSystemPage = 4;

std::size_t ChannelPageBytes(const FlashConfig& c) { return std::size_t{c.FlashGeometry.SectorsPerPage} * 512; }

struct PageReader {
    int slot;
    const FlashConfig& config;
    bool loader;
    std::span<std::uint8_t> page;

    int Sectors() const { return config.ChannelCount * config.FlashGeometry.SectorsPerPage; }
    bool Read(std::uint8_t ce, std::uint16_t block, std::uint16_t pageIndex) {
        const TableBlockOperands at = TableBlockOf(block, config, loader);
        const auto option = static_cast<std::uint8_t>(config.Options[kOptPageOption] * 2 + config.Options[kOptScramble]);
        return VA_FW_ReadFlashPages(slot, config, ce, at.Block, at.PlaneBlock, pageIndex, config.EccMode, option,
                                    page, Sectors());
    }
};

std::optional<std::uint16_t> FindInfoPageBlock(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer,
                                                bool& refused) {
    const auto& blocks = SlotOf(slot).CodeBlocks;
    for (const std::uint16_t b : blocks) {
        if (!VA_FW_ReadFlashPages(slot, config, 0, static_cast<std::uint16_t>(b / 2), b, 0, kInfoPageEccMode,
                                  config.Options[kOptV50Pages], buffer, kInfoPageSectors)) {
            refused = true;
            return std::nullopt;
        }
        if (IsInfoPageHeader(config, buffer)) return b;
    }
    return std::nullopt;
}

// Each channel keeps the last tagged page of its list block: the list grows
// page by page and the newest page holds it whole.
bool ReadLaterBadLists(DeviceSlot& s, PageReader& reader) {
    const FlashConfig& c = reader.config;
    const std::size_t channelBytes = ChannelPageBytes(c);
    const std::size_t setBytes = channelBytes * c.ChannelCount;
    const unsigned dies = c.FlashGeometry.DiesPerCe;
    const unsigned rows = unsigned{c.BankCount} * dies;
    std::vector<std::uint8_t> work(kTablePageBytes);
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned d = 0; d < dies; ++d) {
            const unsigned slotIndex = r * 2 + d;
            if (slotIndex >= kLaterBadSlots) continue;   // no room kept for it
            std::fill(work.begin(), work.end(), std::uint8_t{0});
            const std::uint16_t listBlock = (r == 0 && d == 0) ? s.LaterBadBlockFirst : s.LaterBadBlockOther;
            const std::uint16_t block = PlaneBlockToBlock(listBlock, c);
            for (unsigned q = 1; q < c.FlashGeometry.PagesPerBlock; ++q) {
                std::fill(reader.page.begin(), reader.page.end(), std::uint8_t{0});
                if (!reader.Read(static_cast<std::uint8_t>(r), block, static_cast<std::uint16_t>(q))) return false;
                char name[32];
                std::snprintf(name, sizeof name, "LB_%2.2u%2.2u%3.3u.raw", r, d, q - 1);
                WriteDebugDump(reader.slot, name, reader.page.data(), setBytes);
                bool any = false;
                for (unsigned ch = 0; ch < c.ChannelCount; ++ch) {
                    const auto one = reader.page.subspan(ch * channelBytes, channelBytes);
                    if (!HasCodeBlockTag(one, kLaterBadTableTag)) continue;
                    std::copy(one.begin(), one.end(), work.begin() + static_cast<std::ptrdiff_t>(ch * channelBytes));
                    any = true;
                }
                if (!any) break;
            }
            std::memcpy(s.LaterBadPages.data() + slotIndex * kTablePageBytes, work.data(), kTablePageBytes);
        }
    }
    return true;
}

}  // namespace

TableBlockOperands TableBlockOf(std::uint16_t block, const FlashConfig& config, bool loader) {
    return {loader ? block : BlockToPlaneBlock(block, config), block};
}

bool ReadDriveTables(int slot, const FlashConfig& config, std::span<std::uint8_t> buffer) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry) return false;
    DeviceSlot& s = *slotEntry;
    bool refused = false;
    const std::optional<std::uint16_t> codeBlock = FindInfoPageBlock(slot, config, buffer, refused);
    if (!codeBlock) return false;
    // One page of every channel must fit the table buffers.
    const std::size_t setBytes = ChannelPageBytes(config) * config.ChannelCount;
    if (setBytes == 0 || setBytes > kTablePageBytes || !s.DefectTable || !s.EarlyTable || !s.LaterBadPages ||
        s.DefectTable.size() < kTablePageBytes || s.EarlyTable.size() < kTablePageBytes ||
        s.LaterBadPages.size() < kLaterBadSlots * kTablePageBytes)
        return false;

    std::vector<std::uint8_t> page(kTablePageBytes);
    PageReader reader{slot, config, IsLoaderDevice(slot), page};
    if (reader.Read(0, *codeBlock, kDefectPage)) {
        WriteDebugDump(slot, "DefectTable.raw", page.data(), kTablePageBytes);
        std::memcpy(s.DefectTable.data(), page.data(), kTablePageBytes);
    }
    if (reader.Read(0, *codeBlock, kEarlyPage)) {
        WriteDebugDump(slot, "EarlyTable.raw", page.data(), kTablePageBytes);
        std::memcpy(s.EarlyTable.data(), page.data(), kTablePageBytes);
    }
#if QX_UTILITY_BUILD
    // The utility lists the remap table too; the station does not read it.
    if (s.RemapTablePages.size() >= kTablePageBytes && reader.Read(0, *codeBlock, kRemapPage)) {
        WriteDebugDump(slot, "Remap.raw", page.data(), kTablePageBytes);
        std::memcpy(s.RemapTablePages.data(), page.data(), kTablePageBytes);
    }
#endif
    if (reader.Read(0, *codeBlock, kSystemPage) && HasCodeBlockTag(page, kSystemPageTag))
        return ReadLaterBadLists(s, reader);
    return true;
}

}  // namespace qx
