#include "sim/model/code_blocks.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "sim/model/code_block_tables.h"
#include "sim/model/drive_model.h"
#include "sim/model/produced_image.h"

namespace qx::sim {
namespace {

constexpr std::string_view kHeaders[] = {"LDBK BLOCKS V50", "LDBK BLOCKS V40"};
constexpr std::uint16_t kPagesPerBinFile = 16;

void Put16(std::vector<std::uint8_t>& p, std::size_t at, std::uint16_t v) {
    p[at] = static_cast<std::uint8_t>(v);
    p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutText(std::vector<std::uint8_t>& p, std::size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), p.begin() + static_cast<std::ptrdiff_t>(at));
}

//  0x000 header text   0x010 family text   0x018 channel   0x019 sectors per page
//  0x01A pages per block   0x01C ECC mode   0x01D code block (channel 0)
//  0x020 code blocks (block, flags 7)   0x200 config text   0x210 sequence
//  0x214..0x21F table positions   0x230 bin count   0x234 first, 0x236 last bin page
//  0x238 bin placements (start page, page count)
std::vector<std::uint8_t> InfoPage(const DriveModel& m, std::uint16_t block, std::uint8_t channel) {
    const DriveConfig& c = m.cfg;
    std::vector<std::uint8_t> p(m.nand.PageBytes(), 0);
    PutText(p, 0x000, c.infoHeader.substr(0, 15));
    PutText(p, 0x010, "84X V2 ");
    p[0x018] = channel;
    p[0x019] = c.sectorsPerPage;
    Put16(p, 0x01A, c.pagesPerBlock);
    p[0x01C] = 3;
    p[0x01D] = channel == 0 ? static_cast<std::uint8_t>(block) : 0;
    for (std::size_t i = 0; i < c.codeBlocks.size() && i < 4; ++i) {
        Put16(p, 0x020 + 4 * i, c.codeBlocks[i]);
        Put16(p, 0x022 + 4 * i, 7);
    }
    PutText(p, 0x200, "LDBK CONFIG V50");
    Put16(p, kSequenceAt, c.infoSequence);
    Put16(p, 0x214, 0x230);
    Put16(p, 0x218, 0x280);
    Put16(p, 0x21C, 0x2E0);
    p[kBinTableAt] = c.binFiles;
    Put16(p, 0x234, kCodePageIndex);
    Put16(p, 0x236, static_cast<std::uint16_t>(kCodePageIndex + kPagesPerBinFile * c.binFiles - 1));
    for (std::uint16_t i = 0; i < c.binFiles && i < 10; ++i) {
        Put16(p, 0x238 + 4u * i, static_cast<std::uint16_t>(kCodePageIndex + kPagesPerBinFile * i));
        Put16(p, 0x23A + 4u * i, kPagesPerBinFile);
    }
    // A produced drive's pages carry the parameter area of the program that
    // wrote them, as the station's download leaves it.
    if (!c.systemModel.empty()) PutProducedArea(c, true, p);
    return p;
}

std::vector<std::uint8_t> FirstCodePage(const DriveModel& m) {
    std::vector<std::uint8_t> p(m.nand.PageBytes(), 0);
    std::copy(std::begin(kCodeTag), std::end(kCodeTag), p.begin());
    if (p.size() > kScanBlockByte) p[kScanBlockByte] = m.cfg.badScanBlock ? 1 : 0;
    return p;
}

}  // namespace

void InstallCodeBlocks(DriveModel& m) {
    if (m.cfg.binFiles == 0) return;
    for (const std::uint16_t block : m.cfg.codeBlocks)
        for (std::uint8_t ch = 0; ch < m.cfg.channels; ++ch) {
            m.nand.Program({ch, 0, block, kInfoPageIndex}, InfoPage(m, block, ch));
            m.nand.Program({ch, 0, block, kCodePageIndex}, FirstCodePage(m));
        }
}

std::optional<InfoPageFound> FindInfoPage(const DriveModel& m) {
    std::vector<std::uint8_t> page(m.nand.PageBytes());
    for (const std::uint16_t block : m.cfg.codeBlocks) {
        m.nand.Read({0, 0, block, kInfoPageIndex}, page);
        const bool header = std::any_of(std::begin(kHeaders), std::end(kHeaders), [&](std::string_view h) {
            return std::memcmp(page.data(), h.data(), h.size()) == 0 && page[h.size()] == 0;
        });
        if (header)
            return InfoPageFound{block, page[kBinTableAt],
                                 static_cast<std::uint16_t>(page[kSequenceAt] | page[kSequenceAt + 1] << 8)};
    }
    return std::nullopt;
}

bool FirmwareBootable(const DriveModel& m, std::uint8_t mode) {
    return std::any_of(m.cfg.codeBlocks.begin(), m.cfg.codeBlocks.end(),
                       [&](std::uint16_t block) { return CodeBlockBootable(m, block, mode); });
}

}  // namespace qx::sim
