#include "sim/model/program_outcomes.h"

#include <algorithm>
#include <array>

#include "sim/model/drive_model.h"

namespace qx::sim {
namespace {

constexpr std::uint8_t kEraseFlag = 0x01;
constexpr std::size_t kDefPercentageAt = 0x520;   // parameter area: defect ratio in 1/1000

// Scan record types the station decodes.
constexpr std::uint8_t kOverDefectRatio = 3;
constexpr std::uint8_t kEraseFailBlock = 7;

using Record = std::array<std::uint8_t, 16>;

Record MakeRecord(std::uint8_t type, std::uint8_t channel, std::uint8_t ce, std::uint32_t value) {
    Record r{};
    r[0] = type;
    r[1] = channel;
    r[2] = ce;
    r[4] = static_cast<std::uint8_t>(value);
    r[5] = static_cast<std::uint8_t>(value >> 8);
    return r;
}

void PutErrorInfo(DriveModel& m, const std::vector<Record>& records) {
    m.errorInfo.assign(1, static_cast<std::uint8_t>(records.size()));
    for (const Record& r : records) m.errorInfo.insert(m.errorInfo.end(), r.begin(), r.end());
}

bool Failing(const DriveModel& m, std::uint8_t channel, std::uint8_t ce) {
    return m.cfg.failingCes.contains(static_cast<std::uint16_t>(channel << 8 | ce));
}

// The first block outside the code blocks: where an erase pass meets a failing CE first.
std::uint16_t FirstUserBlock(const DriveModel& m) {
    std::uint16_t b = 0;
    while (std::find(m.cfg.codeBlocks.begin(), m.cfg.codeBlocks.end(), b) != m.cfg.codeBlocks.end()) ++b;
    return b;
}

std::vector<Record> EraseFailures(const DriveModel& m) {
    std::vector<Record> out;
    for (std::uint8_t c = 0; c < m.cfg.channels; ++c)
        for (std::uint8_t e = 0; e < m.cfg.ces; ++e)
            if (Failing(m, c, e)) out.push_back(MakeRecord(kEraseFailBlock, c, e, FirstUserBlock(m)));
    return out;
}

// Chip enables whose bad blocks exceed the defect ratio of the parameter area.
std::vector<Record> OverDefectRatio(const DriveModel& m) {
    const std::uint32_t ratio = m.codeRam.size() > kDefPercentageAt ? m.codeRam[kDefPercentageAt] : 0;
    std::vector<Record> out;
    for (std::uint8_t c = 0; c < m.cfg.channels; ++c)
        for (std::uint8_t e = 0; e < m.cfg.ces; ++e) {
            const std::uint32_t bad = BadBlocksOf(m, c, e);
            if (std::uint64_t{bad} * 1000 > std::uint64_t{ratio} * m.cfg.blocksPerCe)
                out.push_back(MakeRecord(kOverDefectRatio, c, e, bad));
        }
    return out;
}

std::uint8_t SuccessStatus(std::uint8_t action) {
    switch (action) {
        case 3: return 0x0A;
        case 4: return 0x12;
        default: return 0x0E;
    }
}

}  // namespace

std::uint32_t BadBlocksOf(const DriveModel& m, std::uint8_t channel, std::uint8_t ce) {
    if (Failing(m, channel, ce)) return m.cfg.blocksPerCe;
    return static_cast<std::uint32_t>(
        std::count_if(m.cfg.badBlocks.begin(), m.cfg.badBlocks.end(), [&](std::uint16_t b) { return b < m.cfg.blocksPerCe; }));
}

std::uint8_t ActionOutcome(DriveModel& m, std::uint8_t action, std::uint8_t flags) {
    std::vector<Record> findings;
    std::uint8_t failed = 0;
    if (action == 1 && (flags & kEraseFlag)) {
        findings = EraseFailures(m);
        failed = kEraseFailed;
    } else if (action == 3) {
        findings = OverDefectRatio(m);
        failed = kPreFormatFailed;
    } else if (action == 4) {
        findings = OverDefectRatio(m);
        failed = kRebuildFailed;
    }
    if (findings.empty()) return SuccessStatus(action);
    PutErrorInfo(m, findings);
    return failed;
}

}  // namespace qx::sim
