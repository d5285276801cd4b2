#include "qxlib/programs/sys_bin_header.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

#include "qxlib/programs/bin_file_header.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/base/hex_text.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/base/settings_fixed_text.h"

namespace qx {
namespace {

constexpr std::size_t kHeaderBuiltUpTo = kSysBinGeometryAt + kSysBinGeometrySize;
constexpr std::size_t kSysBinMarkAt = 0x30D;
constexpr std::size_t kSysBinWord76At = 0x0E4;   // low byte: SATA speed support
constexpr std::size_t kSysBinWord93HighAt = 0x107;
constexpr std::uint8_t kUdma5Bit = 0x20;
constexpr std::size_t kSerialChars = 20;
constexpr std::size_t kFwRevisionChars = 8;
constexpr std::size_t kModelChars = 40;
constexpr std::size_t kWwnWithOuiChars = 9;
constexpr std::uint32_t kMaxReserveDivisor = 1u << 16;
constexpr std::uint16_t kLargeReserve = 68;   // per mille: the shift keeps 16 blocks of reserve room

std::uint8_t Log2(std::uint32_t x) { return LowestSetBitIndex(x); }

// Read-error and ECC-copy thresholds of an ECC mode.
std::pair<std::uint8_t, std::uint8_t> Thresholds(const FlashConfig& c) {
    switch (c.EccMode) {
        case 1: return {c.BchThresholds[0], c.BchThresholds[3]};
        case 2: return {c.BchThresholds[1], c.BchThresholds[4]};
        case 3: return {c.BchThresholds[2], c.BchThresholds[5]};
        default: return {0, 0};
    }
}

std::uint8_t FlashClassBit(const FlashConfig& c) {
    switch (FlashClass(c)) {
        case 0:
        case 4: return 0x01;
        case 1: return 0x02;
        case 2: return 0x04;
        case 3: return c.FlashModeFlag ? 0x04 : 0x02;
        default: return 0;
    }
}

// An ATA string: blanks, then the characters with each pair swapped.
void PutAtaText(std::span<std::uint8_t> page, std::size_t at, std::size_t width, const char* text, std::size_t field) {
    std::fill_n(page.begin() + static_cast<std::ptrdiff_t>(at), width, std::uint8_t{' '});
    const std::size_t n = MinLenOfString(text, std::min(width, field));
    for (std::size_t i = 0; i < n; ++i) page[at + (i ^ 1u)] = static_cast<std::uint8_t>(text[i]);
}

std::uint8_t Digit(std::string_view text, std::size_t i) {
    return i < text.size() ? static_cast<std::uint8_t>(HexCharToValue(text[i]) & 0xF) : 0;
}

std::uint16_t Word(std::initializer_list<std::uint8_t> nibbles) {
    std::uint16_t w = 0;
    for (std::uint8_t n : nibbles) w = static_cast<std::uint16_t>(w << 4 | n);
    return w;
}

}  // namespace

bool IsSysBinHeaderPage(std::span<const std::uint8_t> page) {
    return page.size() > kSysBinMarkAt && std::memcmp(&page[kSysBinHeaderAt], "QXSS", 4) == 0 &&
           page[kSysBinMarkAt] == 'S';
}

bool CarriesUsbIdentityBlock(std::span<const std::uint8_t> image) { return !IsSysBinHeaderPage(image); }

bool BuildSysBinHeader(int slot, const FlashConfig& config, const GlobalParameter& settings,
                       std::span<std::uint8_t> page) {
    if (page.size() < kHeaderBuiltUpTo) return false;
    std::span<std::uint8_t, kGdpParamBlockSize> record = page.subspan<kSysBinRecordAt, kGdpParamBlockSize>();
    BuildGdpParamBlock(slot, config, settings, record);
    record[7] = config.SizeCodeEx;
    std::tie(record[0x20], record[0x21]) = Thresholds(config);
    record[0x22] = config.WearLevelFrequency;
    record[0x23] = config.SecurityCounter;
    record[0x24] = config.SecurityOptions;
    const auto& bankMap = config.FlashGeometry.BankMap;
    std::copy(bankMap.begin(), bankMap.end(), page.begin() + kSysBinBankMapAt);
    return true;
}

std::uint8_t SysBinReserveShift(const FlashConfig& config, std::span<const std::uint8_t> geometry,
                                bool largeCapacity) {
    const std::uint32_t ces = 1u << (geometry[1] & 31u);
    const std::uint32_t base = largeCapacity ? 8192 : 4096;
    const std::uint64_t units = std::uint64_t{config.ChannelCount} * ces;
    const int t = units ? Log2(static_cast<std::uint32_t>(base / units)) : 0;
    // The smallest power of two d from 2 with 1/d below the reserve ratio.
    std::uint32_t d = 2;
    while (std::uint64_t{d} * config.ResPercentage <= 1000 && d < kMaxReserveDivisor) d *= 2;
    const int blocksLog = geometry[4];
    int shift = std::min(t, blocksLog - Log2(d));
    if (config.ResPercentage >= kLargeReserve) shift = std::min(shift, blocksLog - 4);
    return static_cast<std::uint8_t>(std::max(shift, 0));
}

bool BuildSysBinGeometry(int slot, const FlashConfig& config, const BinFileList& binFiles, bool largeCapacity,
                         std::span<std::uint8_t> page) {
    if (page.size() < kHeaderBuiltUpTo) return false;
    const DeviceSlot& s = SlotOf(slot);
    const FlashGeometry& geo = config.FlashGeometry;
    std::span<std::uint8_t, kSysBinGeometrySize> g = page.subspan<kSysBinGeometryAt, kSysBinGeometrySize>();
    const bool twoPlanes = config.OnePlane == 0;
    const std::uint32_t blocks =
        geo.DiesPerCe ? (twoPlanes ? geo.BlocksPerCe / 2u : geo.BlocksPerCe) / geo.DiesPerCe : 0;

    g[0x00] = Log2(config.ChannelCount);
    g[0x01] = static_cast<std::uint8_t>(Log2(config.BankCount) + (geo.DiesPerCe > 1 ? 1 : 0));
    g[0x02] = twoPlanes ? 1 : 0;
    g[0x03] = Log2(geo.PagesPerBlock);
    g[0x04] = Log2(blocks);
    g[0x05] = Log2(geo.SectorsPerPage);
    g[0x06] = SysBinReserveShift(config, g, largeCapacity);
    g[0x07] = 8;
    g[0x08] = s.LedInterleave;
    g[0x09] = config.DieOffset != 0 ? 1 : 0;
    g[0x0A] = Log2(config.BankCount);
    g[0x0B] = g[0x01] + g[0x05] >= 7 ? 2 : 1;
    std::copy(config.AsyncTiming.begin(), config.AsyncTiming.end(), g.begin() + 0x10);
    g[0x17] = config.FwFlagsA;
    std::copy(config.SyncTiming.begin(), config.SyncTiming.end(), g.begin() + 0x18);
    g[0x1F] = static_cast<std::uint8_t>(g[0x1F] | FlashClassBit(config));
    for (std::size_t i = 0; i < 4; ++i) {
        g[0x20 + i] = static_cast<std::uint8_t>(s.RemapRowMarks[i]);
        g[0x34 + i] = static_cast<std::uint8_t>(s.RemapRowMarks[4 + i]);
    }
    put_le16(&g[0x24], config.ResPercentage);
    put_le16(&g[0x26], binFiles.Placements[0].StartPage);
    put_le16(&g[0x28], config.ExtraBlocks);
    put_le16(&g[0x2A], config.DieOffset);
    put_le16(&g[0x2C], s.LaterBadBlockFirst);
    put_le16(&g[0x2E], s.LaterBadBlockOther);
    const unsigned flashClass = FlashClass(config);
    put_le16(&g[0x30], flashClass == 0 || flashClass == 4 ? 512 : 800);
    g[0x32] = config.DriverSetting;
    g[0x33] = config.RovidaSSD;

    // Whole rows only, and only the rows the slot holds and the page has room for.
    const RemapShape shape = CurrentRemapShape();
    const std::size_t rowBytes = std::size_t{shape.Planes} * shape.Columns * 2;
    for (std::size_t r = 0; rowBytes != 0 && r < shape.Rows; ++r) {
        const std::size_t from = r * rowBytes;
        if (from + rowBytes > s.RemapRows.size() || kSysBinRemapRowsAt + from + rowBytes > page.size()) break;
        std::copy_n(s.RemapRows.begin() + static_cast<std::ptrdiff_t>(from), rowBytes,
                    page.begin() + static_cast<std::ptrdiff_t>(kSysBinRemapRowsAt + from));
    }
    return true;
}

void WwnWords(std::string_view wwn, std::string_view oui, std::uint16_t (&words)[4]) {
    if (wwn.size() == kWwnWithOuiChars) {
        const auto o = [&](std::size_t i) { return Digit(oui, i); };
        const auto u = [&](std::size_t i) { return Digit(wwn, i); };
        words[0] = Word({5, o(0), o(1), o(2)});
        words[1] = Word({o(3), o(4), o(5), u(0)});
        words[2] = Word({u(1), u(2), u(3), u(4)});
        words[3] = Word({u(5), u(6), u(7), u(8)});
        return;
    }
    for (std::size_t w = 0; w < 4; ++w)
        words[w] = Word({Digit(wwn, 4 * w), Digit(wwn, 4 * w + 1), Digit(wwn, 4 * w + 2), Digit(wwn, 4 * w + 3)});
}

bool BuildSysBinIdentity(int slot, const FlashConfig& config, const GlobalParameter& settings,
                         std::span<std::uint8_t> page, std::string_view serialNumber, std::string_view wwn) {
    if (page.size() < kHeaderBuiltUpTo) return false;
    const DeviceSlot& s = SlotOf(slot);
    PutAtaText(page, kSysBinSerialAt, kSerialChars, serialNumber.data(), serialNumber.size());
    PutAtaText(page, kSysBinFwRevisionAt, kFwRevisionChars, config.FirmwareVer, sizeof config.FirmwareVer);
    PutAtaText(page, kSysBinModelAt, kModelChars, config.ModelNum, sizeof config.ModelNum);

    std::uint16_t words[4];
    WwnWords(wwn, FixedTextView(config.OUI), words);
    for (std::size_t w = 0; w < 4; ++w) put_le16(&page[kSysBinWwnAt + 2 * w], words[w]);

    for (std::size_t w = 0; w < config.IdentifyOverrides.size(); ++w) {
        const auto& entry = config.IdentifyOverrides[w];
        if (entry[0] != 'Z') continue;
        const std::string_view digits = FixedTextView(std::span<const char>(entry).subspan(1));
        put_le16(&page[kSysBinIdentifyAt + 2 * w], Word({Digit(digits, 0), Digit(digits, 1), Digit(digits, 2),
                                                          Digit(digits, 3)}));
    }

    if (config.IDE_UDMA5) page[kSysBinWord93HighAt] = kUdma5Bit;
    std::uint8_t speed = s.SataSpeedBits;
    if (const unsigned n = std::min<unsigned>(settings.LimitSATASpeed, 7); n > 0)
        speed = static_cast<std::uint8_t>((speed & 0xF0u) | ((1u << (n + 1)) - 2u));
    page[kSysBinWord76At] = speed;
    return true;
}

}  // namespace qx
