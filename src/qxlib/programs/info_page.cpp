#include "qxlib/programs/info_page.h"

#include <algorithm>
#include <cstring>

#include "qxlib/base/byte_order.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/gdp_param_area.h"

namespace qx {
namespace {

constexpr std::size_t kChannelAt = 0x018;
constexpr std::size_t kCodeBlockListAt = 0x020;
constexpr std::uint16_t kCodeBlockFlags = 7;
constexpr std::size_t kConfigAt = 0x200;
constexpr std::size_t kSequenceAt = 0x210;
constexpr std::size_t kBinTableAt = 0x230;
constexpr std::size_t kBinTableSize = 40;
constexpr std::size_t kBinAreaFirstAt = 0x234;
constexpr std::size_t kBinAreaLastAt = 0x236;
constexpr std::size_t kPlacementsAt = 0x238;
constexpr std::size_t kPartNumberAt = 0x260;
constexpr std::size_t kPageMapAt = 0x280;
constexpr std::size_t kRegisterCountAt = 0x2E0;
constexpr std::size_t kRegisterListAt = 0x2E4;
constexpr std::size_t kParsedUpTo = kParamAreaEnd;   // the parsers read into the parameter area

struct RegisterGroup {
    std::uint32_t first;   // four consecutive registers from here
    std::array<std::uint8_t, 4> values;
};

constexpr RegisterGroup kDefaultRegisters[] = {
    {0xB0004920, {0x01, 0x02, 0x03, 0x04}},
    {0xB0004924, {0x05, 0x06, 0x07, 0x08}},
    {0xB0004928, {0x09, 0x0A, 0x0B, 0x0C}},
};

// With the register map switched on, toggle-mode parts take the timing set
// of their interface; interfaces 1 and 3 differ only in the last group.
constexpr std::array<RegisterGroup, 12> RegisterMap(std::array<std::uint8_t, 4> last) {
    return {{
        {0xB0010020, {0x0F, 0xD0, 0x0F, 0x0C}},
        {0xB00102A0, {0x00, 0x04, 0x00, 0x00}},
        {0xB00102A4, {0x01, 0x07, 0x00, 0x00}},
        {0xB00102C0, {0x04, 0x04, 0x04, 0x04}},
        {0xB00102C4, {0x7C, 0x7C, 0x7C, 0x7C}},
        {0xB00102C8, {0x78, 0x78, 0x78, 0x78}},
        {0xB00102CC, {0x74, 0x74, 0x74, 0x74}},
        {0xB00102D0, {0x08, 0x08, 0x08, 0x08}},
        {0xB00102D4, {0x0C, 0x0C, 0x0C, 0x0C}},
        {0xB00102D8, {0x70, 0x70, 0x70, 0x70}},
        {0xB00102DC, {0x6C, 0x6C, 0x6C, 0x6C}},
        {0xB001007C, last},
    }};
}
constexpr auto kRegisterMapA = RegisterMap({0x01, 0x05, 0x46, 0x00});
constexpr auto kRegisterMapB = RegisterMap({0x00, 0x25, 0x46, 0x00});

std::span<const RegisterGroup> ChooseRegisters(const FlashConfig& config) {
    if (config.EnRegMap == 1 && config.FlashInterface == 1) return kRegisterMapA;
    if (config.EnRegMap == 1 && config.FlashInterface == 3) return kRegisterMapB;
    return kDefaultRegisters;
}

void PutRegisters(std::span<std::uint8_t> page, std::span<const RegisterGroup> groups) {
    put_le16(&page[kRegisterCountAt], HostToFlashWord(static_cast<std::uint16_t>(groups.size() * 4)));
    std::size_t at = kRegisterListAt;
    for (const RegisterGroup& g : groups) {
        for (std::uint32_t r = 0; r < 4; ++r, at += 4) put_le32(&page[at], HostToFlashDword(g.first + r));
        for (std::uint8_t v : g.values) page[at++] = v;
    }
}

// Fills the placements from the first bin page on; each file takes its
// pages plus one.
void PlaceBinFiles(const FlashConfig& config, BinFileList& binFiles, std::span<std::uint8_t> page) {
    const bool lowPage = IsLowPageModeActive(config);
    const std::uint32_t pageKB = config.FlashGeometry.SectorsPerPage / 2u;
    binFiles.Count = std::min<std::uint8_t>(binFiles.Count, kMaxBinFiles);
    page[kBinTableAt] = binFiles.Count;
    std::uint32_t start = FirstBinFilePage(config);
    for (std::size_t i = 0; i < binFiles.Count; ++i) {
        const std::uint32_t pages = (binFiles.SizesKB[i] + pageKB - 1) / pageKB + 1;
        binFiles.Placements[i] = {static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(pages)};
        put_le16(&page[kPlacementsAt + 4 * i], HostToFlashWord(binFiles.Placements[i].StartPage));
        put_le16(&page[kPlacementsAt + 4 * i + 2], HostToFlashWord(binFiles.Placements[i].PageCount));
        start += pages;
    }
    const std::uint16_t lastPage =
        lowPage ? static_cast<std::uint16_t>(binFiles.Count ? binFiles.Placements[binFiles.Count - 1].PageCount - 1 : 0)
                : static_cast<std::uint16_t>(start - 1);
    put_le16(&page[kBinAreaFirstAt], HostToFlashWord(lowPage ? 0 : FirstBinFilePage(config)));
    put_le16(&page[kBinAreaLastAt], HostToFlashWord(lastPage));
}

}  // namespace

std::size_t InfoPageSetBytes(const FlashConfig& config) {
    return std::size_t{config.ChannelCount} * config.FlashGeometry.SectorsPerPage * 512;
}

bool BuildInfoPage(int slot, const FlashConfig& config, BinFileList& binFiles, std::span<std::uint8_t> page,
                   std::uint16_t sequence) {
    const std::size_t pageBytes = std::size_t{config.FlashGeometry.SectorsPerPage} * 512;
    if (pageBytes < kParsedUpTo || config.ChannelCount == 0 || page.size() < InfoPageSetBytes(config)) return false;
    const DeviceSlot& s = SlotOf(slot);

    std::fill_n(page.begin(), 0x30, std::uint8_t{0});
    std::memcpy(&page[0], config.BlocksHeaderText, sizeof config.BlocksHeaderText);
    std::memcpy(&page[0x010], kInfoPageFamilyText, sizeof kInfoPageFamilyText);
    page[0x019] = config.FlashGeometry.SectorsPerPage;
    put_le16(&page[0x01A], HostToFlashWord(PagesPerBlockOfCode((config.FlashTypeWord >> 3) & 7u)));
    page[0x01C] = config.EccMode;
    const std::size_t blocks = std::min<std::size_t>(s.CodeBlockCount, s.CodeBlocks.size());
    for (std::size_t i = 0; i < blocks; ++i) {
        put_le16(&page[kCodeBlockListAt + 4 * i], HostToFlashWord(s.CodeBlocks[i]));
        put_le16(&page[kCodeBlockListAt + 4 * i + 2], HostToFlashWord(kCodeBlockFlags));
    }

    std::fill_n(page.begin() + kConfigAt, 0x20, std::uint8_t{0});
    std::memcpy(&page[kConfigAt], kInfoPageConfigText, sizeof kInfoPageConfigText);
    put_le16(&page[kSequenceAt], HostToFlashWord(sequence));
    put_le32(&page[0x214], HostToFlashDword(kBinTableAt));
    put_le32(&page[0x218], HostToFlashDword(kPageMapAt));
    put_le32(&page[0x21C], HostToFlashDword(kRegisterCountAt));

    std::fill_n(page.begin() + kBinTableAt, kBinTableSize, std::uint8_t{0});
    PlaceBinFiles(config, binFiles, page);

    std::memcpy(&page[kPartNumberAt], config.PartNumber, sizeof config.PartNumber);
    for (std::size_t i = 0; i < kPageMapFlashEntries; ++i)
        put_le16(&page[kPageMapAt + 2 * i], HostToFlashWord(config.PageMap[i]));
    PutRegisters(page, ChooseRegisters(config));

    ReplicateSectorPerChannel(page, pageBytes, config.ChannelCount);
    for (std::size_t ch = 0; ch < config.ChannelCount; ++ch) page[ch * pageBytes + kChannelAt] = static_cast<std::uint8_t>(ch);
    WriteDebugDump(slot, "InfoPage.raw", page.data(), InfoPageSetBytes(config));
    return true;
}

void ReplicateSectorPerChannel(std::span<std::uint8_t> page, std::size_t pageBytes, std::size_t channels) {
    for (std::size_t ch = 1; ch < channels && (ch + 1) * pageBytes <= page.size(); ++ch)
        std::copy_n(page.begin(), pageBytes, page.begin() + static_cast<std::ptrdiff_t>(ch * pageBytes));
}

bool IsInfoPageHeader(const FlashConfig& config, std::span<const std::uint8_t> page) {
    return page.size() >= sizeof config.BlocksHeaderText &&
           std::memcmp(page.data(), config.BlocksHeaderText, sizeof config.BlocksHeaderText) == 0;
}

void ParseInfoPageBinTable(BinFileList& binFiles, std::span<const std::uint8_t> page) {
    if (page.size() < kBinTableAt + kBinTableSize) return;
    binFiles.Count = std::min<std::uint8_t>(page[kBinTableAt], kMaxBinFiles);
    for (std::size_t i = 0; i < binFiles.Count; ++i)
        binFiles.Placements[i] = {get_le16(&page[kPlacementsAt + 4 * i]), get_le16(&page[kPlacementsAt + 4 * i + 2])};
}

void ParseInfoPageFlashInfo(FlashConfig& config, std::span<const std::uint8_t> page) {
    if (page.size() < kParsedUpTo) return;
    std::memcpy(config.PartNumber, &page[kPartNumberAt], sizeof config.PartNumber);
    for (std::size_t i = 0; i < kPageMapFlashEntries; ++i) config.PageMap[i] = get_le16(&page[kPageMapAt + 2 * i]);
    const std::uint8_t* block = &page[kGdpParamBlockAt];
    config.FlashTypeWord = get_le16(block);
    config.ChannelCount = block[3];
    config.BankCount = block[4];
    config.CeCount = block[11];
    config.EccMode = block[5];
    config.FlashModeFlag = (block[2] & 0x20) ? 1 : 0;
    config.SizeCode = block[7];
}

void ParseInfoPageMisc(FlashConfig& config, std::span<const std::uint8_t> page) {
    if (page.size() < kParsedUpTo) return;
    const std::uint8_t* block = &page[kGdpParamBlockAt];
    config.DrvCurrent = block[6];
    config.ResPercentage = static_cast<std::uint16_t>(block[26] << 8 | block[8]);
    config.DefPercentage = page[0x520];
    config.FwFlagsB = block[12];
}

}  // namespace qx
