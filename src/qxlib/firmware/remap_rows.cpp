#include "qxlib/firmware/remap_rows.h"

#include <algorithm>

#include "qxlib/base/byte_order.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"

namespace qx {
namespace {

constexpr std::size_t kLaterBadFirstAt = 0x010;
constexpr std::size_t kLaterBadOtherAt = 0x014;
constexpr std::size_t kMarkerAt = 0x400;
constexpr std::size_t kRowsAt = 0x402;

std::uint16_t Word(std::span<const std::uint8_t> page, std::size_t at) {
    return at + 2 <= page.size() ? get_le16(page.data() + at) : std::uint16_t{0};
}

unsigned BankDies(const FlashConfig& config) { return unsigned{config.BankCount} * config.FlashGeometry.DiesPerCe; }

void CopyRemapRows(int slot, const FlashConfig& config, std::span<const std::uint8_t> page, std::size_t columns) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry) return;
    DeviceSlot& s = *slotEntry;
    const std::size_t rowBytes = (columns + 1) * 2;
    for (std::size_t r = 0; r < BankDies(config); ++r) {
        const std::size_t at = kRowsAt + r * rowBytes;
        if (at + rowBytes > page.size()) break;
        const std::size_t to = r * columns * 2;
        if (to + columns * 2 <= s.RemapRows.size())
            std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(at), columns * 2,
                        s.RemapRows.begin() + static_cast<std::ptrdiff_t>(to));
        if (r < s.RemapRowMarks.size()) s.RemapRowMarks[r] = Word(page, at + columns * 2);
    }
}

}  // namespace

void CopyRemapRows6(int slot, const FlashConfig& config, std::span<const std::uint8_t> systemPage) {
    CopyRemapRows(slot, config, systemPage, 6);
}

void CopyRemapRows12(int slot, const FlashConfig& config, std::span<const std::uint8_t> systemPage) {
    CopyRemapRows(slot, config, systemPage, 12);
}

void LearnSystemPage(int slot, const FlashConfig& config, std::span<const std::uint8_t> systemPages,
                     std::uint8_t remapKind) {
    DeviceSlot* slotEntry = WritableSlot(slot);
    if (!slotEntry) return;
    DeviceSlot& s = *slotEntry;
    const std::size_t pageBytes = std::size_t{config.FlashGeometry.SectorsPerPage} * 512;
    for (std::size_t c = 0; c < config.ChannelCount; ++c) {
        if ((c + 1) * pageBytes > systemPages.size()) break;
        const auto page = systemPages.subspan(c * pageBytes, pageBytes);
        if (!HasCodeBlockTag(page, kSystemPageTag)) continue;
        s.LaterBadBlockFirst = s.LaterBadBlockOther = 0;
        s.RemapRowMarks.fill(1);
        s.LaterBadBlockFirst = Word(page, kLaterBadFirstAt);
        if (Word(page, kMarkerAt) == kRemapRowsMarker) {
            if (remapKind == kRemapKind6)
                CopyRemapRows6(slot, config, page);
            else
                CopyRemapRows12(slot, config, page);
        } else {
            s.RemapRowMarks[0] = static_cast<std::uint16_t>(Word(page, kLaterBadFirstAt) + 1);
        }
        if (BankDies(config) > 1) s.LaterBadBlockOther = Word(page, kLaterBadOtherAt);
    }
}

}  // namespace qx
