#include "station/results/error_dump.h"

#include <algorithm>
#include <cstdio>

#include "qxlib/error_items/item_numbers.h"
#include "qxlib/error_items/test_result_decode.h"
#include "qxlib/settings/flash_config.h"

namespace qx::station {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kHexLineBytes = 8;
constexpr std::size_t kDownloadHead = 2;   // kind byte, channel byte

struct CompareKind {
    std::uint8_t kind;
    const char* table;
};
constexpr CompareKind kCompareKinds[] = {
    {0xD0, "defect"}, {0xD1, "early"}, {0xD2, "remap"}, {0xD3, "smart"},
};

// The download's compare failure: which table, then the page data in hex
// lines of eight bytes. The dump stops at the end of the kept detail; a
// last line with fewer than eight bytes shows just those.
std::string DownloadReport(std::span<const std::uint8_t> detail, const FlashConfig& config) {
    std::string text;
    if (detail.size() < kDownloadHead) return text;
    char line[96];
    for (const CompareKind& k : kCompareKinds) {
        if (detail[0] == k.kind) {
            std::snprintf(line, sizeof line, "ch %d %s table compare fail\r\n", detail[1], k.table);
            text += line;
        }
    }
    const std::span<const std::uint8_t> data = detail.subspan(kDownloadHead);
    const std::size_t pageBytes = std::size_t{config.FlashGeometry.SectorsPerPage} * kSector;
    const std::size_t end = std::min(pageBytes, data.size());
    for (std::size_t o = 0; o < end; o += kHexLineBytes) {
        std::snprintf(line, sizeof line, "%04X :", static_cast<unsigned>(o));
        text += line;
        const std::size_t last = std::min(o + kHexLineBytes, end);
        for (std::size_t i = o; i < last; ++i) {
            std::snprintf(line, sizeof line, i == o ? " %02X" : ", %02X", data[i]);
            text += line;
        }
        text += "\r\n";
    }
    const std::size_t raw = std::min(kSector, detail.size());
    text.append(reinterpret_cast<const char*>(detail.data()), raw);
    return text;
}

}  // namespace

bool HasErrorDump(int errorCode) {
    return errorCode == item::kFlashInterfaceTest || errorCode == item::kPreformat || errorCode == item::kDownload;
}

std::string BuildErrorDump(int errorCode, std::span<const std::uint8_t> detail, const FlashConfig& config,
                           PortRecord& record) {
    std::string text;
    if (errorCode == item::kFlashInterfaceTest || errorCode == item::kPreformat) {
        record.BadUnitCount = 0;
        record.BadUnitIndex = 0;
    }
    if (errorCode == item::kPreformat && !detail.empty()) {
        DecodeScanResult(detail[0], detail.subspan(1), config, text, &record.DisplayCode, &record.BadUnitCount,
                         &record.BadUnitIndex);
    } else if (errorCode == item::kFlashInterfaceTest) {
        DecodeFlashTestResult(detail, config, text, &record.DisplayCode, &record.BadUnitCount, &record.BadUnitIndex);
    } else if (errorCode == item::kDownload) {
        text = DownloadReport(detail, config);
    }
    return text;
}

}  // namespace qx::station
