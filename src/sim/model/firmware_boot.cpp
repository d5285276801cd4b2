#include "sim/model/firmware_boot.h"

#include "sim/model/code_blocks.h"
#include "sim/model/drive_model.h"
#include "sim/model/sim_firmware_image.h"

namespace qx::sim {

void StartFirmwareBoot(DriveModel& m, std::uint8_t mode, std::uint64_t nowMs) {
    m.ChangeState(ControllerState::Loader);
    m.bootWillSucceed = !m.cfg.neverBoots && FirmwareBootable(m, mode);
    m.bootDoneAtMs = nowMs + m.cfg.bootDelayMs;
    if (m.cfg.frontEnd == FrontEnd::NativeUsb) m.present = false;
}

void AdvanceBoot(DriveModel& m, std::uint64_t nowMs) {
    if (!m.bootDoneAtMs || nowMs < *m.bootDoneAtMs) return;
    m.bootDoneAtMs.reset();
    m.present = true;
    m.ChangeState(m.bootWillSucceed ? ControllerState::Firmware : ControllerState::Loader);
    if (m.bootWillSucceed) LoadSystemImage(m);
}

}  // namespace qx::sim
