#include "sim/vendor/vendor_engine.h"

#include <algorithm>

#include "sim/model/drive_model.h"

namespace qx::sim {

std::uint16_t VendorCall::Be16(std::size_t i) const {
    return static_cast<std::uint16_t>(block[i] << 8 | block[i + 1]);
}

std::uint32_t VendorCall::Be32(std::size_t i) const {
    return static_cast<std::uint32_t>(block[i]) << 24 | static_cast<std::uint32_t>(block[i + 1]) << 16 |
           static_cast<std::uint32_t>(block[i + 2]) << 8 | block[i + 3];
}

std::uint8_t StateBit(ControllerState s) {
    switch (s) {
        case ControllerState::Loader: return kInLoader;
        case ControllerState::DownloadReady: return kInDownloadReady;
        case ControllerState::ProgramRunning: return kInProgram;
        case ControllerState::Firmware: return kInFirmware;
    }
    return 0;
}

const VendorEntry* FindVendorEntry(const DriveModel& m, std::uint8_t sub, bool sataPath) {
    using Table = std::span<const VendorEntry> (*)();
    static constexpr Table kTables[] = {
        SataOnlyVendorEntries,
        StatusVendorEntries,    ModeVendorEntries,      MemoryVendorEntries,
        RegisterVendorEntries,  FlashInfoVendorEntries, FlashPageVendorEntries,
        FlashDiagVendorEntries, KeptDataVendorEntries,  FirmwareVendorEntries,
    };
    const std::uint8_t bit = StateBit(m.state);
    for (Table table : kTables) {
        if (table == SataOnlyVendorEntries && !sataPath) continue;
        for (const VendorEntry& e : table()) {
            if (e.sub != sub || (e.states & bit) == 0) continue;
            if (m.state == ControllerState::ProgramRunning && e.program != ProgramKind::None && e.program != m.program)
                continue;
            return &e;
        }
    }
    return nullptr;
}

bool RunVendor(DriveModel& m, const VendorEntry& entry, VendorCall& call) {
    m.lastVendorSub = call.sub;
    m.lastVendorOk = entry.run(m, call);
    return m.lastVendorOk;
}

void PutReply(VendorCall& call, std::span<const std::uint8_t> bytes) {
    std::fill(call.data.begin(), call.data.end(), std::uint8_t{0});
    std::copy_n(bytes.begin(), std::min(bytes.size(), call.data.size()), call.data.begin());
}

void PutReplyValue(VendorCall& call, std::uint8_t value) {
    std::fill(call.data.begin(), call.data.end(), std::uint8_t{0});
    if (call.data.size() < 2) return;
    if (call.sataPath) {
        call.data[0] = 0xE5;
        call.data[1] = value;
    } else {
        call.data[0] = value;
    }
}

}  // namespace qx::sim
