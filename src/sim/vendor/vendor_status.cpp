// Program actions and their status: the loader and the programs in code RAM
// answer the status read (0x00); the diagnostic program runs actions 1..4
// and keeps error information (0x06).
#include <algorithm>

#include "sim/model/code_block_tables.h"
#include "sim/model/drive_model.h"
#include "sim/model/program_outcomes.h"
#include "sim/model/sim_program_params.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

constexpr std::uint8_t kEraseFlag = 0x01;
constexpr std::uint8_t kEraseDone = 0x0E;
constexpr std::uint8_t kPreFormatDone = 0x0A;

bool GetStatus(DriveModel& m, VendorCall& call) {
    if (m.run) {
        if (m.run->pollsLeft != 0) {
            if (m.run->pollsLeft > 0) --m.run->pollsLeft;
            m.programStatus = kBusy;
        } else {
            m.programStatus = m.run->finalStatus;
            m.run.reset();
        }
    }
    PutReplyValue(call, m.programStatus);
    return true;
}

// Erasing leaves the code blocks alone: the firmware download rewrites them.
void EraseUserBlocks(DriveModel& m) {
    std::vector<std::uint64_t> blocks;
    for (const auto& [key, page] : m.nand.Pages()) {
        const NandAddress a = NandAddress::FromKey(key);
        if (std::find(m.cfg.codeBlocks.begin(), m.cfg.codeBlocks.end(), a.block) == m.cfg.codeBlocks.end())
            blocks.push_back(NandAddress{a.channel, a.ce, a.block, 0}.Key());
    }
    for (const std::uint64_t key : blocks) {
        const NandAddress a = NandAddress::FromKey(key);
        m.nand.Erase(a.channel, a.ce, a.block);
    }
}

bool ExecAction(DriveModel& m, VendorCall& call) {
    const std::uint8_t flags = call.U8(3);
    if (const auto failed = ParamsFailureStatus(m, call.sub)) {
        m.StartRun(call.sub, flags, *failed);
        return true;
    }
    if (call.sub == 1 && (flags & kEraseFlag)) EraseUserBlocks(m);
    const std::uint8_t status = m.cfg.actionStatus ? m.cfg.actionStatus : ActionOutcome(m, call.sub, flags);
    // Before a firmware download or a defect-table write: blank code blocks.
    if (call.sub == 1 && (flags & kDownloadPrepareFlag) && status == kEraseDone) EraseCodeBlocks(m);
    if (call.sub == 3 && status == kPreFormatDone) WriteCodeBlockTables(m);
    m.StartRun(call.sub, flags, status);
    return true;
}

bool ReadErrorInfo(DriveModel& m, VendorCall& call) {
    PutReply(call, m.errorInfo);
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x00, Direction::In, kBeforeFirmware, ProgramKind::None, GetStatus},
    {0x01, Direction::None, kInProgram, ProgramKind::Diagnostic, ExecAction},
    {0x02, Direction::None, kInProgram, ProgramKind::Diagnostic, ExecAction},
    {0x03, Direction::None, kInProgram, ProgramKind::Diagnostic, ExecAction},
    {0x04, Direction::None, kInProgram, ProgramKind::Diagnostic, ExecAction},
    {0x06, Direction::In, kInProgram, ProgramKind::Diagnostic, ReadErrorInfo},
};

}  // namespace

std::span<const VendorEntry> StatusVendorEntries() { return kEntries; }

}  // namespace qx::sim
