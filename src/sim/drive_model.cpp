#include "sim/drive_model.h"

namespace qx::sim {

DriveModel::DriveModel(const DriveConfig& config)
    : cfg(config),
      state(config.state),
      vendorMode(config.vendorMode),
      maxLba(config.capacitySectors ? config.capacitySectors - 1 : 0),
      smart{{0x09, 100, 0, 120}, {0x0C, 100, 0, 35}, {0xAD, 100, 10, 4}, {0xC2, 65, 0, 35}},
      registers(config.straps) {}

void DriveModel::ChangeState(ControllerState s) {
    state = s;
    vendorMode = false;
    pendingVendor.reset();
}

void DriveModel::Tick(std::uint64_t) {}

}  // namespace qx::sim
