#include "qxlib/error_items/test_result_decode.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>

#include "qxlib/base/byte_order.h"
#include "qxlib/settings/flash_config.h"

namespace qx {
namespace {

constexpr std::size_t kCounterCount = 32;
constexpr std::size_t kLineSize = 512;
constexpr std::size_t kFlashRecordSize = 4;
constexpr std::size_t kFlashRecordsAt = 4;
constexpr std::size_t kScanRecordSize = 16;
constexpr std::size_t kScanWideRecordSize = 17;   // types 0x80 and 0x82 are one byte longer
constexpr std::size_t kScanCountsEnd = 19;        // type 0x81 reads bytes 17 and 18

__attribute__((format(printf, 2, 3))) void AppendLine(std::string& report, const char* format, ...) {
    char line[kLineSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    report += line;
}

// Bad units by index channel + bank x channels.
class BadUnitCounters {
public:
    explicit BadUnitCounters(std::uint8_t channels) : channels_(channels) {}

    void Add(std::uint8_t channel, std::uint8_t bank, std::uint32_t amount) {
        if (channels_ == 0) return;
        const std::size_t index = channel + std::size_t{bank} * channels_;
        if (index < kCounterCount) counts_[index] += amount;
    }

    // Heading before the first bad unit, then one line each; the outputs
    // learn each unit as it is listed.
    template <class Line>
    void AppendSummary(std::string& report, int* outBadCount, int* outBadIndex, Line line) const {
        bool first = true;
        for (std::size_t i = 0; i < kCounterCount; ++i) {
            if (counts_[i] == 0) continue;
            if (first) report += "\r\nBad CH/CE:\r\n";
            first = false;
            if (outBadCount) {
                if (outBadIndex) *outBadIndex = static_cast<int>(i);
                ++*outBadCount;
            }
            line(static_cast<int>(i % channels_), static_cast<int>(i / channels_), counts_[i]);
        }
    }

private:
    std::uint8_t channels_;
    std::array<std::uint32_t, kCounterCount> counts_{};
};

struct FlashFinding {
    const char* line;   // channel and bank follow as arguments
    int item;
};

// By sub-code 1..11; sub-code 10 concerns the controller's memory, not a CE.
constexpr std::array<FlashFinding, 12> kFlashFindings = {{
    {nullptr, 0},
    {"Flash RESET fail. Ch#%2.2X, Bank#%2.2X\r\n", 55},
    {"ReadFlashID fail. Ch#%2.2X, Bank#%2.2X\r\n", 56},
    {"2nd ReadFlashID fail. Ch#%2.2X, Bank#%2.2X\r\n", 57},
    {"Flash Erase fail. Ch#%2.2X, Bank#%2.2X\r\n", 58},
    {"Flash Prog fail when turn on ECC. Ch#%2.2X, Bank#%2.2X\r\n", 59},
    {"Flash Prog fail when turn off ECC. Ch#%2.2X, Bank#%2.2X\r\n", 60},
    {"Flash ECC fail. Ch#%2.2X, Bank#%2.2X\r\n", 61},
    {"Flash SpareBytes fail. Ch#%2.2X, Bank#%2.2X\r\n", 62},
    {"Flash 2nd Erase fail. Ch#%2.2X, Bank#%2.2X\r\n", 63},
    {"Test SRAM Memory Fail\r\n", 64},
    {"ECC Test fail. Ch#%2.2X, Bank#%2.2X\r\n", 65},
}};
constexpr std::uint8_t kSramSubCode = 10;

constexpr std::array<const char*, 3> kPageKinds = {"Code Page", "Def Page", "Remap Page"};

const char* PageKindText(std::uint16_t kind) { return kind < kPageKinds.size() ? kPageKinds[kind] : ""; }

// One scan record after the other; Decode answers how far the walk moves
// on, 0 when the record does not lie wholly in the buffer.
struct ScanWalk {
    const FlashConfig& config;
    std::string& report;
    BadUnitCounters& counters;
    int* outItem;
    bool firstOverRatio = true;

    void SetItem(int item) const {
        if (outItem) *outItem = item;
    }

    std::size_t Decode(std::span<const std::uint8_t> rest) {
        if (rest.size() < kScanRecordSize) return 0;
        const std::uint8_t* r = rest.data();
        const std::uint8_t type = r[0], channel = r[1], bank = r[2], die = r[3];
        const std::uint16_t value = get_le16(r + 4);
        switch (type) {
            case 1:
            case 2:
                AppendLine(report, "%s %s. Ch#%2.2X\r\n", PageKindText(value),
                           type == 1 ? "Does Not Exist" : "Is ECC Fail", channel);
                SetItem(type == 1 ? 47 : 48);
                break;
            case 3: {
                if (firstOverRatio) report += "Number of bad block is over defect ratio:\r\n";
                firstOverRatio = false;
                const std::uint16_t perPlane = config.FlashGeometry.BlocksPerPlane;
                const unsigned ratio = perPlane ? value * 1000u / perPlane : 0;
                AppendLine(report,
                           "Ch#%2.2X, Bank#%2.2X, Die#%2.2X, BadBlockNum: %d, BadBlockNumRatio(1/1000): %d\r\n",
                           channel, bank, die, value, ratio);
                counters.Add(channel, bank, value);
                SetItem(49);
                break;
            }
            case 4:
                report += "Number of free block is too large.\r\n";
                SetItem(50);
                break;
            case 5:
                AppendLine(report, "Total bad block number (%d) is over (MaxFreeBlcokNum-25)\r\n", value);
                SetItem(51);
                break;
            case 6:
                report += "Build Table Fail.\r\n";
                SetItem(52);
                break;
            case 7: AppendLine(report, "Ch#%2.2X, Bank#%2.2X, BlockNo#%4.4X\r\n", channel, bank, value); break;
            case 8:
                AppendLine(report, "Ch#%2.2X, Bank#%2.2X, BlockNo#%4.4X, Page#%2.2X, ErrorCode=%d\r\n", channel, bank,
                           value, get_le16(r + 6), r[8]);
                break;
            case 9:
                AppendLine(report, "Ch#%2.2X Try Remap Fail\r\n", channel);
                SetItem(53);
                break;
            case 0x80:
                AppendLine(report, "Flash Setting - Ch:%2.2X , Bank:%2.2X\r\n", config.ChannelCount,
                           config.BankCount);
                return kScanWideRecordSize;
            case 0x81:
                // The scanned counts stand just past this record's 16 bytes.
                if (rest.size() < kScanCountsEnd) return 0;
                AppendLine(report, "Scan Result -  Ch:%2.2X , Bank:%2.2X\r\n", r[17], r[18]);
                break;
            case 0x82: {
                const auto& id = config.FlashId;
                AppendLine(report, "Flash Setting - ID: %2.2X %2.2X %2.2X %2.2X %2.2X\r\n", id[0], id[1], id[2],
                           id[3], id[4]);
                return kScanWideRecordSize;
            }
            case 0x83:
                AppendLine(report, "Scan Result -  ID: %2.2X %2.2X %2.2X %2.2X %2.2X (Ch#%2.2X, Bank#%2.2X)\r\n",
                           r[10], r[11], r[12], r[13], r[14], channel, bank);
                break;
            default: break;
        }
        return kScanRecordSize;
    }
};

}  // namespace

void DecodeFlashTestResult(std::span<const std::uint8_t> resultData, const FlashConfig& config,
                           std::string& reportText, int* outItem, int* outBadCount, int* outBadIndex) {
    BadUnitCounters counters(config.ChannelCount);
    bool first = true;
    for (std::size_t at = kFlashRecordsAt; at + kFlashRecordSize <= resultData.size(); at += kFlashRecordSize) {
        const std::uint8_t channel = resultData[at];
        const std::uint8_t bank = resultData[at + 1];
        const std::uint8_t sub = resultData[at + 2];
        if (channel == 0xFF || bank == 0xFF || sub == 0xFF) break;
        if (first) reportText += "Flash Interface Test Fail\r\n";
        first = false;
        if (sub < kFlashFindings.size() && kFlashFindings[sub].line) {
            if (sub == kSramSubCode)
                reportText += kFlashFindings[sub].line;
            else
                AppendLine(reportText, kFlashFindings[sub].line, channel, bank);
            if (outItem) *outItem = kFlashFindings[sub].item;
        }
        if (sub != kSramSubCode) counters.Add(channel, bank, 1);
    }
    counters.AppendSummary(reportText, outBadCount, outBadIndex, [&](int ch, int bk, std::uint32_t) {
        AppendLine(reportText, "CH#%d, BK#%d\r\n", ch, bk);
    });
}

void DecodeScanResult(std::uint8_t recordCount, std::span<const std::uint8_t> records, const FlashConfig& config,
                      std::string& reportText, int* outItem, int* outBadCount, int* outBadIndex) {
    BadUnitCounters counters(config.ChannelCount);
    ScanWalk walk{config, reportText, counters, outItem};
    std::size_t at = 0;
    for (unsigned n = 0; n < recordCount; ++n) {
        const std::size_t step = walk.Decode(records.subspan(std::min(at, records.size())));
        if (step == 0) break;
        at += step;
    }
    counters.AppendSummary(reportText, outBadCount, outBadIndex, [&](int ch, int ce, std::uint32_t count) {
        AppendLine(reportText, "Ch#%d, CE#%d, BadBlockNum: %d\r\n", ch, ce, static_cast<int>(count));
    });
}

}  // namespace qx
