#include "sim/ata/vendor_tunnel.h"

#include <algorithm>
#include <cstring>

#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

constexpr std::uint8_t kBlockMarker = 0xFF;
constexpr std::uint8_t kSataPathByte = 0xE5;

// Firmware signature of the reply sector.
constexpr std::uint8_t kFirmwareReply[] = {0xE5, 0x51, 0x58};

void FillReplySector(const DriveModel& m, std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (m.state == ControllerState::Firmware && !m.cfg.bootsWithoutSignature) {
        std::memcpy(out.data(), kFirmwareReply, sizeof kFirmwareReply);
        return;
    }
    out[0] = kSataPathByte;
    out[1] = m.lastVendorSub;
    out[2] = m.lastVendorOk ? 0 : 1;
}

// The command sector: the vendor block, then zeros. A command without a
// data phase runs now; the others wait for their data phase.
bool AcceptCommandSector(DriveModel& m, std::span<const std::uint8_t> sector) {
    m.pendingVendor.reset();
    if (sector[0] != kBlockMarker || sector[1] != kSataPathByte) return false;
    VendorCall call;
    call.sub = sector[2];
    call.sataPath = true;
    std::copy_n(sector.begin(), call.block.size(), call.block.begin());
    const VendorEntry* entry = FindVendorEntry(m, call.sub, true);
    if (entry == nullptr) {
        m.lastVendorSub = call.sub;
        m.lastVendorOk = false;
        return false;
    }
    if (entry->dir == Direction::None) return RunVendor(m, *entry, call);
    m.pendingVendor = PendingVendor{call.sub, call.block, entry->dir};
    return true;
}

bool RunDataPhase(DriveModel& m, std::uint8_t sub, Direction dir, std::span<std::uint8_t> data) {
    const std::optional<PendingVendor> pending = m.pendingVendor;
    m.pendingVendor.reset();
    if (!pending || pending->sub != sub || pending->dir != dir) return false;
    const VendorEntry* entry = FindVendorEntry(m, sub, true);
    if (entry == nullptr) return false;
    VendorCall call;
    call.sub = sub;
    call.block = pending->block;
    call.sataPath = true;
    call.data = data;
    return RunVendor(m, *entry, call);
}

}  // namespace

bool IsTunnelCommand(std::uint8_t command) {
    switch (command) {
        case 0xC4: case 0xC5: case 0x8A: case 0x8F: case 0x86: case 0x88: return true;
        default: return false;
    }
}

bool IsTunnelRead(std::uint8_t command) { return command == 0xC4 || command == 0x8A || command == 0x86; }

bool IsTunnelTransfer(const DriveModel& m, const AtaRequest& r) {
    if (!m.vendorMode || !IsTunnelCommand(r.Command()) || r.ext48) return false;
    return (r.Lba() & ~0xFFull) == kTunnelLbaBase;
}

std::optional<std::uint8_t> TunnelSub(const DriveModel& m, const AtaRequest& r) {
    if (!IsTunnelTransfer(m, r)) return std::nullopt;
    const auto low = static_cast<std::uint8_t>(r.Lba());
    if (low != kTunnelCommandLow) return low;
    if (IsTunnelRead(r.Command()) || r.data.size() < 3) return std::nullopt;
    return r.data[2];
}

AtaOutcome RunTunnel(DriveModel& m, AtaRequest& r) {
    const bool read = IsTunnelRead(r.Command());
    const auto low = static_cast<std::uint8_t>(r.Lba());
    if (r.dir != (read ? Direction::In : Direction::Out) || r.data.size() != r.SectorCount() * kSectorSize)
        return AtaError(kErrAbrt);
    if (low == kTunnelCommandLow) {
        if (r.SectorCount() != 1) return AtaError(kErrAbrt);
        if (read) {
            FillReplySector(m, r.data);
            return AtaGood();
        }
        return AcceptCommandSector(m, r.data) ? AtaGood() : AtaError(kErrAbrt);
    }
    return RunDataPhase(m, low, r.dir, r.data) ? AtaGood() : AtaError(kErrAbrt);
}

}  // namespace qx::sim
