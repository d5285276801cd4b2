// Controller memories: code RAM (space 3 with the address flag 0x40000000),
// the running firmware's system image (space 3 below the flag), the bus-test
// buffers of spaces 0 and 1, and the DRAM diagnostic.
#include <algorithm>

#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

constexpr std::uint8_t kCodeSpace = 3;
constexpr std::uint32_t kCodeRamFlag = 0x40000000;
constexpr std::size_t kSystemImageBytes = 64 * 1024;
constexpr std::uint32_t kBusTestAddress = 0xB0084000;
constexpr std::size_t kBusTestBytes = 32 * 1024;
constexpr std::uint8_t kDramFailedBoth = 27;

bool Fits(std::uint64_t offset, std::size_t length, std::size_t size) { return offset + length <= size; }

bool ReadMemory(DriveModel& m, VendorCall& call) {
    const std::uint32_t address = call.Be32(4);
    if (call.U8(3) != kCodeSpace) return false;
    if (address & kCodeRamFlag) {
        const std::uint32_t offset = address & ~kCodeRamFlag;
        if (m.state == ControllerState::Firmware || !Fits(offset, call.data.size(), kCodeRamBytes)) return false;
        m.codeRam.resize(kCodeRamBytes);
        std::copy_n(m.codeRam.begin() + offset, call.data.size(), call.data.begin());
        return true;
    }
    if (m.state != ControllerState::Firmware) return false;
    std::fill(call.data.begin(), call.data.end(), std::uint8_t{0});
    if (address >= kFirmwareDramBase) {
        const std::uint32_t at = address - kFirmwareDramBase;
        if (!Fits(at, call.data.size(), kFirmwareDramBytes)) return false;
        if (at < m.firmwareDram.size())
            std::copy_n(m.firmwareDram.begin() + at, std::min(call.data.size(), m.firmwareDram.size() - at),
                        call.data.begin());
        return true;
    }
    if (!Fits(address, call.data.size(), kSystemImageBytes)) return false;
    std::fill(call.data.begin(), call.data.end(), std::uint8_t{0});
    if (address < m.systemImage.size())
        std::copy_n(m.systemImage.begin() + address, std::min(call.data.size(), m.systemImage.size() - address),
                    call.data.begin());
    return true;
}

bool WriteMemory(DriveModel& m, VendorCall& call) {
    const std::uint32_t address = call.Be32(4);
    const std::uint32_t offset = address & ~kCodeRamFlag;
    if (call.U8(3) != kCodeSpace || !(address & kCodeRamFlag) || !Fits(offset, call.data.size(), kCodeRamBytes))
        return false;
    m.codeRam.resize(kCodeRamBytes);
    std::copy(call.data.begin(), call.data.end(), m.codeRam.begin() + offset);
    return true;
}

// The bus-test window of space 0 or 1; nullptr when the call is outside it.
std::vector<std::uint8_t>* BusWindow(DriveModel& m, const VendorCall& call) {
    const std::uint8_t space = call.U8(3);
    const std::uint32_t address = call.Be32(4);
    if (space > 1 || address < kBusTestAddress || !Fits(address - kBusTestAddress, call.data.size(), kBusTestBytes))
        return nullptr;
    auto& buffer = m.busBuffers[space];
    buffer.resize(kBusTestBytes);
    return &buffer;
}

bool ReadBusBuffer(DriveModel& m, VendorCall& call) {
    auto* buffer = BusWindow(m, call);
    if (!buffer) return false;
    const std::size_t at = call.Be32(4) - kBusTestAddress;
    std::copy_n(buffer->begin() + static_cast<std::ptrdiff_t>(at), call.data.size(), call.data.begin());
    // Stuck data lines read as 1 in every 16-bit word.
    for (std::size_t i = 0; i + 1 < call.data.size(); i += 2) {
        call.data[i] |= static_cast<std::uint8_t>(m.cfg.busStuckBits);
        call.data[i + 1] |= static_cast<std::uint8_t>(m.cfg.busStuckBits >> 8);
    }
    return true;
}

bool WriteBusBuffer(DriveModel& m, VendorCall& call) {
    auto* buffer = BusWindow(m, call);
    if (!buffer) return false;
    std::copy(call.data.begin(), call.data.end(), buffer->begin() + static_cast<std::ptrdiff_t>(call.Be32(4) - kBusTestAddress));
    return true;
}

// Tests DRAM from start for length bytes with the pattern sector; the result
// comes as the final status of the run.
bool DramDiagnostic(DriveModel& m, VendorCall& call) {
    const std::uint64_t start = call.Be32(4);
    const std::uint64_t length = call.Be32(8);
    if (call.U8(3) != 0 || length == 0) return false;
    const std::uint8_t status = start + length <= m.cfg.dramBytes ? m.cfg.dramStatus : kDramFailedBoth;
    m.StartRun(0x25, 0, status);
    return true;
}

constexpr std::uint8_t kLoaderSide = kInDownloadReady | kInProgram;

constexpr VendorEntry kEntries[] = {
    {0x86, Direction::In, kLoaderSide | kInFirmware, ProgramKind::None, ReadMemory},
    {0x87, Direction::Out, kInDownloadReady, ProgramKind::None, WriteMemory},
    {0x23, Direction::In, kInProgram, ProgramKind::Test, ReadBusBuffer},
    {0x24, Direction::Out, kInProgram, ProgramKind::Test, WriteBusBuffer},
    {0x25, Direction::Out, kInProgram, ProgramKind::Test, DramDiagnostic},
};

}  // namespace

std::span<const VendorEntry> MemoryVendorEntries() { return kEntries; }

}  // namespace qx::sim
