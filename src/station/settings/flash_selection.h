// The flash page's texts and arithmetic: finding a part by name, the vendor
// and part items, the status line, the detail lines, the capacities and the
// IDEMA capacity to reserved-ratio conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "qxlib/settings/flash_part_record.h"

namespace qx {
struct FlashConfig;
struct FlashPartList;
}  // namespace qx

namespace qx::station {

// Index of the first record whose PartName equals name exactly; 0 when none.
int FindFlashPartIndex(std::span<const FlashPartRecord> table, std::string_view name);
// Index of the first entry equal to value; 0 when none.
int FindValueIndex(std::span<const int> list, int value);

// The vendor whose parts hold table index part: the last vendor whose parts
// start at or before it; -1 when the list has no vendors.
int VendorOfPart(const FlashPartList& list, int part);
// Table index of item item of vendor vendor's part list; nullopt when either
// is not inside the list.
std::optional<int> PartOfItem(const FlashPartList& list, int vendor, int item);

// "PartName  /  PartNumber (nCE)"
std::string FlashPartItemText(const FlashPartRecord& part);
// "Flash: name(0x%04X), Channel: c, Bank: b"
std::string FlashStatusText(const FlashPartRecord& part, int channel, int bank);
// The four lines of the detail memo, decoded from the type word in config.
std::vector<std::string> FlashDetailLines(const FlashConfig& config);

struct CapacityView {
    std::string DecimalText;   // "%4.2f" of decimal gigabytes
    std::string BinaryText;    // "%4.2f" of binary gigabytes
    double BinaryGB = 0;
    bool SlcHint = false;      // low-page mode halved both
};
// From the drive capacity in sectors; in low-page mode both values are halved
// and cut to whole gigabytes.
CapacityView CalcCapacityView(std::uint64_t sectors, bool lowPage);
// "%4.2f" with a decimal dot whatever the locale.
std::string FormatFixed2(double value);

// The largest IDEMA capacity (GB) the configured flash can hold, counting
// the pages that low-page mode leaves.
int IdemaLargestValue(const FlashConfig& config, bool lowPage);

struct IdemaOutcome {
    std::optional<std::uint16_t> Ratio;   // set when the value was accepted
    std::string Message;                  // shown when not
};
inline constexpr std::uint16_t kDefaultResPercentage = 68;
// The IDEMA edit's text to a reserved-block ratio in 1/1000. Throws
// InvalidInteger when the text is not a number.
IdemaOutcome CalcIdemaRatio(std::string_view text, const FlashConfig& config, bool lowPage);

}  // namespace qx::station
