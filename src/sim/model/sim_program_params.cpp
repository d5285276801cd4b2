#include "sim/model/sim_program_params.h"

#include <algorithm>
#include <array>

#include "sim/model/drive_model.h"
#include "sim/model/program_outcomes.h"

namespace qx::sim {
namespace {

//  0x500 parameter block: 0 type word, 3 channels, 4 chip enables in use,
//        16 the four code blocks
//  0x530 24 sector offsets: byte i = sectors per page x 2 x i
//  0x548 map table: 0 table memory size, 8 first bin page
constexpr std::size_t kBlockAt = 0x500;
constexpr std::size_t kOffsetsAt = 0x530;
constexpr std::size_t kMapTableAt = 0x548;
constexpr std::size_t kAreaEnd = 0x578;

constexpr std::array<unsigned, 8> kSectorsPerPage = {4, 8, 16, 32, 0, 0, 0, 0};
constexpr std::array<unsigned, 8> kPagesPerBlock = {64, 128, 256, 512, 0, 0, 0, 0};
constexpr std::array<unsigned, 8> kBlocksPerCe = {2048, 4096, 8192, 16384, 1024, 0, 0, 0};

constexpr std::uint8_t kBuildTableFailed = 6;   // scan record type

unsigned Le16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
unsigned Le32(const std::vector<std::uint8_t>& b, std::size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

// Blocks 0 are what a station sends before it has asked for the code
// blocks. A drive whose own list is not whole (fewer than four) cannot tell
// right from wrong; the station then falls back to blocks it chose itself.
bool CodeBlocksFit(const DriveModel& m, const std::vector<std::uint8_t>& ram) {
    std::vector<std::uint16_t> sent(4);
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint16_t>(Le16(ram, kBlockAt + 16 + 2 * i));
    if (std::all_of(sent.begin(), sent.end(), [](std::uint16_t b) { return b == 0; })) return true;
    std::vector<std::uint16_t> own = m.cfg.codeBlocks;
    if (own.size() != sent.size()) return true;
    std::sort(own.begin(), own.end());
    std::sort(sent.begin(), sent.end());
    return own == sent;
}

std::uint8_t FailureStatus(std::uint8_t action) {
    switch (action) {
        case 3: return kPreFormatFailed;
        case 4: return kRebuildFailed;
        default: return kEraseFailed;
    }
}

}  // namespace

std::string ProgramParamsMismatch(const DriveModel& m) {
    const std::vector<std::uint8_t>& ram = m.codeRam;
    if (ram.size() < kAreaEnd) return {};
    const DriveConfig& c = m.cfg;
    const unsigned type = Le16(ram, kBlockAt);
    const unsigned sectors = kSectorsPerPage[type & 7u];
    if (sectors != c.sectorsPerPage) return "page size";
    if (kPagesPerBlock[(type >> 3) & 7u] != c.pagesPerBlock) return "pages per block";
    if (kBlocksPerCe[(type >> 6) & 7u] != c.blocksPerCe) return "blocks per chip enable";
    if (ram[kBlockAt + 3] != c.channels) return "channels";
    if (ram[kBlockAt + 4] == 0 || ram[kBlockAt + 4] > c.ces) return "chip enables";
    if (!CodeBlocksFit(m, ram)) return "code blocks";
    for (unsigned i = 0; i < 24; ++i)
        if (ram[kOffsetsAt + i] != static_cast<std::uint8_t>(sectors * 2 * i)) return "sector offsets";
    const unsigned tableMemory = Le32(ram, kMapTableAt);
    const unsigned pageSet = sectors * 1024u * c.channels;
    if (tableMemory == 0 || tableMemory % pageSet != 0) return "table memory";
    if (Le16(ram, kMapTableAt + 8) >= c.pagesPerBlock) return "first bin page";
    return {};
}

std::optional<std::uint8_t> ParamsFailureStatus(DriveModel& m, std::uint8_t action) {
    if (ProgramParamsMismatch(m).empty()) return std::nullopt;
    m.errorInfo.assign(17, 0);
    m.errorInfo[0] = 1;
    m.errorInfo[1] = kBuildTableFailed;
    return FailureStatus(action);
}

}  // namespace qx::sim
