#include "station/port_info/failure_text.h"

#include <algorithm>

#include "qxlib/base/byte_order.h"
#include "qxlib/error_items/error_items.h"
#include "qxlib/error_items/test_result_decode.h"
#include "qxlib/rw/rw_error_record.h"
#include "qxlib/settings/flash_config.h"
#include "station/port_info/printf_text.h"

namespace qx::station {
namespace {

constexpr std::uint8_t kLaterBadKind = 0xBB;
constexpr std::size_t kDumpFrom = 2;
constexpr std::size_t kDumpLine = 8;

std::uint8_t Byte(std::span<const std::uint8_t> d, std::size_t at) { return at < d.size() ? d[at] : 0; }

std::uint32_t Le32(std::span<const std::uint8_t> d, std::size_t at) {
    return at + 4 <= d.size() ? get_le32(&d[at]) : 0;
}

void TableCheckEntries(std::span<const std::uint8_t> detail, const FlashConfig& config, std::vector<std::string>& out) {
    const std::uint8_t kind = Byte(detail, 0);
    switch (kind) {
    case 1:
    case 2:
    case 3:
    case 6:
        out.emplace_back("Table compare fail");
        out.push_back(PrintfText("Page #%d is error", kind));
        break;
    case kLaterBadKind:
        // Totals 0..4 from byte 1; total 0 is not shown.
        out.emplace_back("The Later Bad Counts are too large");
        out.push_back(PrintfText("Read fail count is (%u)\n", Le32(detail, 1 + 4 * 4)));
        out.push_back(PrintfText("Program fail count is (%u)\n", Le32(detail, 1 + 4 * 2)));
        out.push_back(PrintfText("Erase fail count is (%u)\n", Le32(detail, 1 + 4 * 1)));
        out.push_back(PrintfText("Uncorrectable ECC fail count is (%u)\n", Le32(detail, 1 + 4 * 3)));
        break;
    case 208: out.push_back(PrintfText("ch %d defect table compare fail", Byte(detail, 1))); break;
    case 209: out.push_back(PrintfText("ch %d early table compare fail", Byte(detail, 1))); break;
    case 210: out.push_back(PrintfText("ch %d remap table compare fail", Byte(detail, 1))); break;
    case 211: out.push_back(PrintfText("ch %d smart table compare fail", Byte(detail, 1))); break;
    default: break;
    }
    // One page of the data concerned, never past the end of the buffer.
    const std::size_t page = static_cast<std::size_t>(config.FlashGeometry.SectorsPerPage) * 512;
    const std::size_t end = detail.size() > kDumpFrom ? std::min(detail.size(), kDumpFrom + page) : kDumpFrom;
    for (std::size_t at = kDumpFrom; at < end; at += kDumpLine) {
        std::string line = PrintfText("%04X : ", static_cast<unsigned>(at - kDumpFrom));
        const std::size_t n = std::min(kDumpLine, end - at);
        for (std::size_t i = 0; i < n; ++i) line += PrintfText(i + 1 < n ? "%02X, " : "%02X", detail[at + i]);
        out.push_back(line + "\n");
    }
}

void TransferEntries(int code, std::span<const std::uint8_t> detail, std::vector<std::string>& out) {
    out.emplace_back(ErrorItemFailText(code));
    const RWErrorRecord r = GetRWErrorRecord(detail);
    // LBAs are unsigned: a drive past 2^31 sectors shows its real address.
    switch (r.Kind) {
    case kRWWriteFailed: out.push_back(PrintfText("Write fail on LBA(%u)", r.Lba)); break;
    case kRWReadFailed: out.push_back(PrintfText("Read fail on LBA(%u)", r.Lba)); break;
    case kRWCompareFailed:
        out.push_back(PrintfText("Comapre fail on LBA(%u), offset(%u)(WORD)", r.Lba, r.WordIndex));
        out.push_back(PrintfText("expected(0x%X)", r.Expected));
        out.push_back(PrintfText("received(0x%X)", r.Actual));
        break;
    default: break;
    }
}

}  // namespace

bool DecodesDetail(int code) {
    switch (code) {
    case 1: case 4: case 7: case 8: case 10: case 11: case 24: case 25: case 27: case 32: case 41: case 44:
        return true;
    default: return false;
    }
}

std::vector<std::string> FailureEntries(int code, std::span<const std::uint8_t> detail, const FlashConfig& config) {
    std::vector<std::string> out;
    if (!DecodesDetail(code)) {
        out.emplace_back(ErrorItemFailText(code));
        return out;
    }
    std::string text;
    switch (code) {
    case 1:
    case 7:
    case 41:
        DecodeScanResult(Byte(detail, 0), detail.empty() ? detail : detail.subspan(1), config, text);
        out.push_back(text.empty() ? std::string(ErrorItemFailText(code)) : text);
        break;
    case 4:
        DecodeFlashTestResult(detail, config, text);
        out.push_back(text.empty() ? std::string(ErrorItemFailText(code)) : text);
        break;
    case 8:
    case 11:
    case 44: TableCheckEntries(detail, config, out); break;
    default: TransferEntries(code, detail, out); break;
    }
    return out;
}

}  // namespace qx::station
