// Firmware sub-opcodes that only exist through the SATA tunnel: the SPI flash
// read (0x0B), the SMART counter reset (0x05; on the USB path 0x05 reads the
// SMART page) and the DRAM layout (0x20).
#include "sim/vendor/vendor_utility.h"

#include <algorithm>
#include <vector>

#include "sim/model/drive_model.h"
#include "sim/vendor/vendor_engine.h"

namespace qx::sim {
namespace {

using platform::Direction;

bool ZeroFrom(const VendorCall& call, std::size_t first, std::size_t end) {
    return std::all_of(call.block.begin() + static_cast<std::ptrdiff_t>(first),
                       call.block.begin() + static_cast<std::ptrdiff_t>(end), [](std::uint8_t b) { return b == 0; });
}

//  3-6 offset   7-10 length   11 zero; the firmware and the GDP program
//  (which reads the firmware's SPI copies of its logs) both answer it.
bool ReadSpiData(DriveModel& m, VendorCall& call) {
    const std::uint32_t offset = call.Be32(3);
    const std::uint32_t length = call.Be32(7);
    if (length > call.data.size() || !ZeroFrom(call, 11, 12)) return false;
    std::fill(call.data.begin(), call.data.end(), std::uint8_t{0});
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint64_t at = std::uint64_t{offset} + i;
        if (m.spiFlash.empty())
            call.data[i] = SpiFlashByte(static_cast<std::uint32_t>(at));
        else
            call.data[i] = at < m.spiFlash.size() ? m.spiFlash[at] : 0xFF;
    }
    return true;
}

//  3 selector   4-7 value   8-11 zero; the firmware reads the operands from
//  the head of the data sector, which must repeat the block.
bool ResetSmartCounter(DriveModel& m, VendorCall& call) {
    static constexpr std::uint8_t kAttributeOf[] = {0, kPowerCycleAttribute, kPowerLossAttribute, kLifetimeAttribute};
    const std::uint8_t selector = call.U8(3);
    if (selector == 0 || selector > 3 || !ZeroFrom(call, 8, 12) || call.data.size() < 12 ||
        !std::equal(call.data.begin(), call.data.begin() + 12, call.block.begin()))
        return false;
    const std::uint8_t id = kAttributeOf[selector];
    auto it = std::find_if(m.smart.begin(), m.smart.end(), [id](const SmartAttribute& a) { return a.id == id; });
    if (it == m.smart.end()) it = m.smart.insert(m.smart.end(), SmartAttribute{id, 100, 0, 0});
    it->raw = call.Be32(4);
    return true;
}

bool GetDramLayoutInfo(DriveModel& m, VendorCall& call) {
    if (!ZeroFrom(call, 3, 16)) return false;
    std::vector<std::uint8_t> reply(4, 0);   // the word not used
    for (const std::uint32_t w : m.cfg.dramLayout)
        for (int i = 0; i < 4; ++i) reply.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
    PutReply(call, reply);
    return true;
}

constexpr VendorEntry kEntries[] = {
    {0x0B, Direction::In, kInFirmware | kInProgram, ProgramKind::None, ReadSpiData},
    {0x05, Direction::Out, kInFirmware, ProgramKind::None, ResetSmartCounter},
    {0x20, Direction::In, kInFirmware, ProgramKind::None, GetDramLayoutInfo},
};

}  // namespace

std::uint8_t SpiFlashByte(std::uint32_t address) {
    return static_cast<std::uint8_t>(address ^ (address >> 8) ^ (address >> 16) ^ 0x5A);
}

std::span<const VendorEntry> SataOnlyVendorEntries() { return kEntries; }

}  // namespace qx::sim
