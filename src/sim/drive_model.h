// Everything a simulated drive keeps: configuration, controller state, user
// sectors, logs, registers and the vendor engine's working state. The front
// ends and engines are free functions over it; SimDrive guards it with a lock.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "sim/fault_set.h"
#include "sim/registers.h"
#include "sim/sim_drive.h"
#include "sim/user_sectors.h"

namespace qx::sim {

struct SmartAttribute {
    std::uint8_t id = 0;
    std::uint8_t value = 100;
    std::uint8_t threshold = 0;
    std::uint64_t raw = 0;    // 48 bits used
};

// A vendor command whose command sector came through the SATA tunnel and
// whose data phase is still to come.
struct PendingVendor {
    std::uint8_t sub = 0;
    std::array<std::uint8_t, 20> block{};
    platform::Direction dir = platform::Direction::None;
};

class DriveModel {
public:
    explicit DriveModel(const DriveConfig& config);

    DriveConfig cfg;
    ControllerState state;
    bool vendorMode;
    bool present = true;              // false: gone from the host (USB boot)
    FaultSet faults;

    // ATA side.
    UserSectors sectors;
    std::uint64_t maxLba;             // last accessible LBA (SET MAX ADDRESS)
    bool afterReadNativeMax = false;  // SET MAX is valid only right after it
    bool smartEnabled = true;
    bool standby = false;
    std::map<std::uint32_t, Sector> logPages;   // (log address << 16 | page)
    std::vector<SmartAttribute> smart;          // attribute table of the SMART pages

    // Vendor engine.
    std::optional<PendingVendor> pendingVendor;
    std::uint8_t lastVendorSub = 0;
    bool lastVendorOk = true;
    std::uint8_t programStatus = 0;   // what the status read answers
    ControllerRegisters registers;
    int bridgeCommands = 0;           // FF 04 32 received by a bridge

    std::uint64_t AccessibleSectors() const { return maxLba + 1; }
    // Every controller state change drops the vendor command mode.
    void ChangeState(ControllerState s);
    // Moves time-driven work (a firmware boot) up to now.
    void Tick(std::uint64_t nowMs);
};

}  // namespace qx::sim
