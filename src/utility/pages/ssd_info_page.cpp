#include "utility/pages/ssd_info_page.h"

#include <cstring>

#include "qxlib/base/hex_text.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "utility/pages/page_text.h"

namespace qx::utility {

const std::array<const char*, 20> SsdInfoStringTable = {
    "Micron", "Samsung", "Toshiba", "Hynix", "Intel", "Sandisk", "SLC", "MLC", "BCH 8", "BCH 16",
    "BCH 24", "BCH 40", "2 mA", "4 mA", "6 mA", "8 mA", "10 mA", "12 mA", "14 mA", "16 mA",
};

namespace {

constexpr std::size_t kMakerRow = 0;
constexpr std::size_t kCellTypeRow = 6;
constexpr std::size_t kEccRow = 8;
constexpr std::size_t kEccRows = 4;
constexpr std::size_t kCurrentRow = 12;
constexpr std::size_t kCurrentRows = 8;

// The maker index is four bits (0..15); indexes 6..15 read on into the
// following rows, as the table is laid out.
const char* MakerName(std::uint16_t typeWord) { return SsdInfoString(kMakerRow + (typeWord >> 12)); }

std::string Mark(bool on, const char* yes, const char* no) { return on ? yes : no; }

std::string BlockCeText(const FlashConfig& c) {
    const FlashGeometry& g = c.FlashGeometry;
    const unsigned m = (g.BlocksPerCe / 1024u) * g.PagesPerBlock * (g.SectorsPerPage / 2u);
    std::string t = m >= 1024 ? Printf("Blocks/CE = %u(%dG)      ", unsigned{g.BlocksPerCe}, static_cast<int>(m >> 10))
                              : Printf("Blocks/CE = %u(%2.1fG)    ", unsigned{g.BlocksPerCe}, m / 1024.0);
    const unsigned long n = static_cast<unsigned long>(c.CeCount) * m;
    const unsigned long blocks = static_cast<unsigned long>(g.BlocksPerCe) * c.CeCount;
    t += n >= 1024 ? Printf("Blocks/Flash = %lu(%dG)\n", blocks, static_cast<int>(n >> 10))
                   : Printf("Blocks/Flash = %lu(%2.1fG)\n", blocks, static_cast<double>(n) / 1024.0);
    return t;
}

}  // namespace

const char* SsdInfoString(std::size_t row) { return row < SsdInfoStringTable.size() ? SsdInfoStringTable[row] : "?"; }

std::string FirmwareHeaderText(std::span<const std::uint8_t> header) {
    std::string t = "F/W version : ";
    std::size_t j = 0;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == 0) continue;
        if (i != j) t += ',';
        t.push_back(static_cast<char>(header[i]));
        j = i + 1;
    }
    return t;
}

bool HeaderModelIs(const SystemInfo& info, const char* model) {
    return std::memcmp(&info.SystemHeaderCopy[36], model, 3) == 0;
}

SsdInfoTexts ShowSSDInfo(const FlashConfig& c, const SystemInfo& info, std::uint32_t capacityMB) {
    const FlashGeometry& g = c.FlashGeometry;
    SsdInfoTexts t;
    const std::string part(c.PartNumber, MinLenOfString(c.PartNumber, sizeof c.PartNumber));
    t.FlashmodelEdit = Printf("Flash model : %s (%s)\r\n", part.c_str(), MakerName(c.FlashTypeWord));
    t.ChannelEdit = Printf("Channel number : %d      Total bank : %d", c.ChannelCount, c.BankCount);
    const char* ecc = c.EccMode < kEccRows ? SsdInfoString(kEccRow + c.EccMode) : "?";
    t.CapacityEdit = Printf("Capacity : %4.1f GBytes     ECC mode : %s\r\n", capacityMB * 0.0009765625, ecc);
    const char* current = c.DrvCurrent < kCurrentRows ? SsdInfoString(kCurrentRow + c.DrvCurrent) : "?";
    t.DriverEdit = Printf("IO drive current : %s\r\n", current);
    t.ResPerEdit = Printf("Defect block percentage : %4.1f%%, Reserved block percentage : %4.1f%%\r\n",
                          c.DefPercentage * 0.1, c.ResPercentage * 0.1);
    // Read thresholds first (BCH 16, 24, 40), then the copy thresholds.
    const std::size_t pair = c.EccMode == 1 ? 0 : c.EccMode == 2 ? 1 : 2;
    t.EccReadEdit = Printf("ECC read error threshold : %d bit(s)\r\n", c.BchThresholds[pair]);
    t.EccCopyEdit = Printf("ECC error copy threshold : %d bit(s)\r\n", c.BchThresholds[pair + 3]);
    t.WearLevelingEdit = Printf("Wearleveling frequency : %d\r\n", c.WearLevelFrequency);
    t.BankMapEdit = "Bank map : ";
    for (std::size_t b = 0; b < c.BankCount && b < g.BankMap.size(); ++b) AppendPrintf(t.BankMapEdit, "%02d ", g.BankMap[b]);
    t.FwEdit = FirmwareHeaderText(info.SystemHeaderCopy);
    t.SupportEdit1 = "Support : " + Mark(c.Options[kOptScramble], "(V)Scramble\r\n", "(X)Scramble\r\n");
    t.SupportEdit2 = Mark(c.Options[kOptRemap], "               (V)Remap  ", "               (X)Remap  ") +
                     Mark(c.FwFlagsA & 1, "(V)Trim  ", "(X)Trim  ") +
                     Mark(c.Options[kOptNoDeviceSleep], "(V)NoDeviceSleep  ", "(X)NoDeviceSleep  ");
    if (HeaderModelIs(info, "818")) t.SupportEdit2 += Mark(c.FwFlagsA >> 6 & 1, "(V)LBA48 ", "(X)LBA48 ");
    t.FlashInfoEdit = Printf("                  Flash Info (0x%.4X)\n", c.FlashTypeWord);
    t.FlashTypeEdit = Printf("Flash type : %s\n", SsdInfoString(kCellTypeRow + (c.FlashTypeWord >> 11 & 1)));
    t.BlockCeEdit = BlockCeText(c);
    t.PageBlockEdit = Printf("Pages/Block = %3d         Bytes/Page = %d\n", g.PagesPerBlock, g.SectorsPerPage * 512);
    t.CeEdit = Printf("# of CE : %d       # of Die : %d \n", c.CeCount, g.DiesPerCe);
    for (std::size_t i = 0; i < c.SyncTiming.size(); ++i)
        t.SSDInfoMemo.push_back(Printf("TMC%d = %d (0x%X)", static_cast<int>(i), c.SyncTiming[i], c.SyncTiming[i]));
    for (std::size_t i = 0; i < c.AsyncTiming.size(); ++i)
        t.SSDInfoMemo.push_back(
            Printf("AsynTMC%d = %d (0x%X)", static_cast<int>(i), c.AsyncTiming[i], c.AsyncTiming[i]));
    t.SSDInfoMemo.push_back(Printf("DriverSetting = %d", c.DriverSetting));
    return t;
}

SsdInfoTexts ShowSSDInfo(int slot, const FlashConfig& config, const SystemInfo& info) {
    return ShowSSDInfo(config, info, GetCapacityMB(slot));
}

}  // namespace qx::utility
