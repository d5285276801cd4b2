#include "sim/model/drive_model.h"

#include "sim/model/code_block_tables.h"
#include "sim/model/code_blocks.h"
#include "sim/model/firmware_boot.h"
#include "sim/model/firmware_logs.h"
#include "sim/model/produced_image.h"
#include "sim/model/sim_firmware_image.h"
#include "sim/model/rdt_log_layout.h"

namespace qx::sim {

DriveModel::DriveModel(const DriveConfig& config)
    : cfg(config),
      state(config.state),
      vendorMode(config.vendorMode),
      maxLba(config.capacitySectors ? config.capacitySectors - 1 : 0),
      smart{{0x09, 100, 0, 120}, {0x0C, 100, 0, 35}, {0xAD, 100, 10, 4}, {0xC2, 65, 0, 35}},
      registers(config.straps),
      program(config.state == ControllerState::ProgramRunning ? config.program : ProgramKind::None),
      nand(static_cast<std::size_t>(config.sectorsPerPage) * kSectorSize) {
    // A drive described as produced carries the tables a pre-format leaves
    // (normal-mode pages, remap on) beside its information page and code,
    // written as the program would from its parameter area.
    if (!cfg.systemModel.empty()) {
        codeRam.assign(kProducedAreaEnd, 0);
        PutProducedArea(cfg, true, codeRam);
        WriteCodeBlockTables(*this);
        codeRam.clear();
    }
    InstallCodeBlocks(*this);
    // ... and runs its firmware from the start.
    if (state == ControllerState::Firmware && !cfg.systemModel.empty()) LoadSystemImage(*this);
    LayOutRdtLog(*this);
    LayOutFirmwareLogs(*this);
    if (!cfg.smartAttributes.empty()) {
        smart.clear();
        for (const auto& [id, value, threshold, raw] : cfg.smartAttributes)
            smart.push_back({static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(value),
                             static_cast<std::uint8_t>(threshold), raw & 0xFFFF'FFFF'FFFFull});
    }
}

void DriveModel::ChangeState(ControllerState s) {
    state = s;
    vendorMode = false;
    pendingVendor.reset();
    run.reset();
    if (s != ControllerState::ProgramRunning) program = ProgramKind::None;
}

void DriveModel::StartRun(std::uint8_t action, std::uint8_t flags, std::uint8_t finalStatus) {
    // An erase (action 1) is over by the first status read: the station reads
    // it once, without waiting while busy. Only a hung program (busy for
    // ever) answers busy to it; the other actions take their busy polls.
    constexpr std::uint8_t kEraseAction = 1;
    const int polls = action == kEraseAction && cfg.busyPolls > 0 ? 0 : cfg.busyPolls;
    run = ProgramRun{action, flags, polls, finalStatus};
    actions.push_back(*run);
    programStatus = kBusy;
}

void DriveModel::Tick(std::uint64_t nowMs) { AdvanceBoot(*this, nowMs); }

}  // namespace qx::sim
