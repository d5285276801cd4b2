#include "sim/model/rdt_log_layout.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "sim/model/drive_model.h"

namespace qx::sim {
namespace {

constexpr std::size_t kHeaderAt = 796;
constexpr std::size_t kResultAt = 6;
constexpr std::uint8_t kEndMark = 0xAA;
constexpr std::size_t kDieRecord = 32;
constexpr std::size_t kErrorRecord = 16;

void Put16(std::vector<std::uint8_t>& page, std::size_t at, std::uint16_t v) {
    page[at] = static_cast<std::uint8_t>(v);
    page[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Pages first..first+count-1 of the block take the bytes, zero after them.
void ProgramPages(DriveModel& m, std::uint16_t block, std::uint16_t first, std::uint16_t count,
                  const std::vector<std::uint8_t>& bytes) {
    const std::size_t pageBytes = m.nand.PageBytes();
    for (std::uint16_t j = 0; j < count; ++j) {
        const std::uint32_t page = std::uint32_t{first} + j;
        if (page >= m.cfg.pagesPerBlock) return;
        std::vector<std::uint8_t> data(pageBytes, 0);
        const std::size_t from = std::size_t{j} * pageBytes;
        if (from < bytes.size())
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), std::min(pageBytes, bytes.size() - from),
                        data.begin());
        m.nand.Program({0, 0, block, static_cast<std::uint16_t>(page)}, data);
    }
}

std::vector<std::uint8_t> WithEnd(std::vector<std::uint8_t> records, std::size_t recordBytes, bool mark) {
    if (mark) records.insert(records.end(), recordBytes, kEndMark);
    return records;
}

}  // namespace

void LayOutRdtLog(DriveModel& m) {
    const DriveConfig& c = m.cfg;
    if (c.rdtBlock == 0 || c.rdtPages.size() < 6 || c.pagesPerBlock < 2) return;
    const std::uint16_t summaryPage = c.rdtPages[0], diePage = c.rdtPages[1];
    const std::uint16_t factoryFirst = c.rdtPages[2], factoryCount = c.rdtPages[3];
    const std::uint16_t errorFirst = c.rdtPages[4], errorCount = c.rdtPages[5];
    const std::size_t pageBytes = m.nand.PageBytes();
    if (pageBytes < kHeaderAt + 40) return;

    // The firmware writes its log into a freshly erased block.
    m.nand.Erase(0, 0, c.rdtBlock);
    std::vector<std::uint8_t> first(pageBytes, 0);
    std::memcpy(first.data(), "RDTM", 4);
    // The result check reads the drive result from page 0 as well.
    first[kResultAt] = c.rdtSummary.size() > kResultAt ? c.rdtSummary[kResultAt] : 0;
    Put16(first, kHeaderAt + 0, errorFirst);
    Put16(first, kHeaderAt + 2, errorCount);
    Put16(first, kHeaderAt + 4, factoryFirst);
    Put16(first, kHeaderAt + 6, factoryCount);
    Put16(first, kHeaderAt + 12, summaryPage);
    Put16(first, kHeaderAt + 16, diePage);
    m.nand.Program({0, 0, c.rdtBlock, 0}, first);

    ProgramPages(m, c.rdtBlock, summaryPage, 1, c.rdtSummary);
    ProgramPages(m, c.rdtBlock, diePage, 1, WithEnd(c.rdtDieInfo, kDieRecord, c.rdtEndMarkers));
    ProgramPages(m, c.rdtBlock, factoryFirst, factoryCount, c.rdtFactory);
    ProgramPages(m, c.rdtBlock, errorFirst, errorCount, WithEnd(c.rdtErrors, kErrorRecord, c.rdtEndMarkers));

    std::vector<std::uint8_t> last(pageBytes, 0);
    std::memcpy(last.data(), "RDTM", 4);
    m.nand.Program({0, 0, c.rdtBlock, static_cast<std::uint16_t>(c.pagesPerBlock - 1)}, last);
}

}  // namespace qx::sim
