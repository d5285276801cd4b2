#include "station/settings/flash_selection.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_geometry.h"
#include "station/flash_part_list.h"
#include "station/settings/integer_text.h"

namespace qx::station {
namespace {

// IDEMA LBA1-03: user sectors of a capacity in decimal gigabytes.
constexpr std::int64_t kIdemaSectorsPerGB = 1953504;
constexpr std::int64_t kIdemaSectorsBase = 21168;
constexpr int kRatioLimit = 1000;

unsigned TypeBits(const FlashConfig& config, int shift, unsigned mask) {
    return (static_cast<unsigned>(config.FlashTypeWord) >> shift) & mask;
}

std::string LargestValueMessage(int largest) {
    return "Please input a correct IDEMA capacity(less than or equal to " + std::to_string(largest) + ")";
}

}  // namespace

int FindFlashPartIndex(std::span<const FlashPartRecord> table, std::string_view name) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (FixedTextView(table[i].PartName) == name) return static_cast<int>(i);
    return 0;
}

int FindValueIndex(std::span<const int> list, int value) {
    const auto it = std::find(list.begin(), list.end(), value);
    return it == list.end() ? 0 : static_cast<int>(it - list.begin());
}

int VendorOfPart(const FlashPartList& list, int part) {
    int j = 0;
    while (j < list.VendorCount() && list.FlashVendorStart[static_cast<std::size_t>(j)] <= part) ++j;
    return j - 1;
}

std::optional<int> PartOfItem(const FlashPartList& list, int vendor, int item) {
    if (vendor < 0 || vendor >= list.VendorCount() || item < 0) return std::nullopt;
    const int first = list.FlashVendorStart[static_cast<std::size_t>(vendor)];
    const int end = list.FlashVendorStart[static_cast<std::size_t>(vendor) + 1];
    if (first + item >= end) return std::nullopt;
    return first + item;
}

std::string FlashPartItemText(const FlashPartRecord& part) {
    return std::string(FixedTextView(part.PartName)) + "  /  " + std::string(FixedTextView(part.PartNumber)) + " (" +
           std::to_string(part.CeCount) + "CE)";
}

std::string FlashStatusText(const FlashPartRecord& part, int channel, int bank) {
    char word[16];
    std::snprintf(word, sizeof word, "0x%04X", part.FlashTypeWord);
    return "Flash: " + std::string(FixedTextView(part.PartName)) + "(" + word + ")" +
           ", Channel: " + std::to_string(channel) + ", Bank: " + std::to_string(bank);
}

std::vector<std::string> FlashDetailLines(const FlashConfig& config) {
    const bool mlc = TypeBits(config, 11, 1) != 0;
    const unsigned dies = DiesPerCeOfCode(TypeBits(config, 9, 3));
    const unsigned blocks = BlocksPerCeOfCode(TypeBits(config, 6, 7));
    const unsigned pages = PagesPerBlockOfCode(TypeBits(config, 3, 7));
    const unsigned pageBytes = SectorsPerPageOfCode(TypeBits(config, 0, 7)) * 512u;
    return {
        std::string(mlc ? "Type: MLC," : "Type: SLC,") + " Die: " + std::to_string(dies),
        "TotalBlock: " + std::to_string(blocks) + ", BlockPage: " + std::to_string(pages),
        "PerPageSize: " + std::to_string(pageBytes) + " DieOffset: " + std::to_string(config.DieOffset),
        "FlashInterface: " + std::to_string(config.FlashInterface),
    };
}

std::string FormatFixed2(double value) {
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    std::string result = ec == std::errc{} ? std::string(text, end) : std::string("0.00");
    if (result.size() < 4) result.insert(0, 4 - result.size(), ' ');
    return result;
}

CapacityView CalcCapacityView(std::uint64_t sectors, bool lowPage) {
    const double bytes = static_cast<double>(sectors) * 512.0;
    double decimalGB = bytes / 1e9;
    double binaryGB = bytes / 1073741824.0;
    if (lowPage) {
        decimalGB = static_cast<double>(static_cast<std::uint64_t>(decimalGB / 2));
        binaryGB = static_cast<double>(static_cast<std::uint64_t>(binaryGB / 2));
    }
    return {FormatFixed2(decimalGB), FormatFixed2(binaryGB), binaryGB, lowPage};
}

int IdemaLargestValue(const FlashConfig& config, bool lowPage) {
    const FlashGeometry& g = config.FlashGeometry;
    const std::int64_t pages = lowPage ? g.PagesPerBlock / 2 : g.PagesPerBlock;
    const std::int64_t largest = std::int64_t{config.ChannelCount} * config.BankCount * (g.BlocksPerCe / 1024) *
                                 pages * (std::int64_t{g.SectorsPerPage} * 512 / 1024) / 1024;
    return static_cast<std::uint16_t>(largest);
}

IdemaOutcome CalcIdemaRatio(std::string_view text, const FlashConfig& config, bool lowPage) {
    if (text.empty()) return {std::nullopt, "Please input a IDEMA capacity"};
    const std::int64_t value = StrToInt(text);
    if (value == 0) return {std::nullopt, "Please input a correct IDEMA capacity(not equal to 0)"};
    const int largest = IdemaLargestValue(config, lowPage);
    if (value > largest) return {std::nullopt, LargestValueMessage(largest)};

    const FlashGeometry& g = config.FlashGeometry;
    const std::int64_t userSectors = kIdemaSectorsPerGB * value + kIdemaSectorsBase;
    const std::int64_t pages = lowPage ? g.PagesPerBlock / 2 : g.PagesPerBlock;
    const std::int64_t rawSectors =
        std::int64_t{config.ChannelCount} * config.BankCount * pages * g.SectorsPerPage * g.BlocksPerCe;
    if (rawSectors <= 0) return {std::nullopt, LargestValueMessage(largest)};
    const double percent = 100.0 - 100.0 * static_cast<double>(userSectors) / static_cast<double>(rawSectors);
    const double ratio = percent * 10.0;
    // A negative value or one past the whole flash is no ratio the firmware
    // can take; it is refused like a capacity above the largest.
    if (!(ratio >= 0.0 && ratio <= kRatioLimit)) return {std::nullopt, LargestValueMessage(largest)};
    return {static_cast<std::uint16_t>(ratio), {}};
}

}  // namespace qx::station
