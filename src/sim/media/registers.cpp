#include "sim/media/registers.h"

#include "sim/config/drive_config.h"

namespace qx::sim {
namespace {

std::uint32_t StrapBits(GpioStraps s) {
    constexpr std::uint32_t kBit15 = 1u << 15, kBit16 = 1u << 16;
    switch (s) {
        case GpioStraps::FullBank: return kBit16;
        case GpioStraps::SingleBank: return kBit15 | kBit16;
        case GpioStraps::Broken: return 0;
    }
    return 0;
}

std::uint8_t StrapByte(std::uint32_t straps, std::uint32_t index) {
    return static_cast<std::uint8_t>(straps >> (8 * index));
}

}  // namespace

ControllerRegisters::ControllerRegisters(GpioStraps straps) : straps_(StrapBits(straps)) {
    // Power-on latch content is the opposite of the straps.
    for (std::uint32_t i = 0; i < 4; ++i)
        values_[kGpioData + i] = static_cast<std::uint8_t>(~StrapByte(straps_, i));
}

std::uint8_t ControllerRegisters::Read(std::uint32_t address) const {
    const auto it = values_.find(address);
    return it == values_.end() ? 0 : it->second;
}

void ControllerRegisters::Write(std::uint32_t address, std::uint8_t value) {
    if (address >= kGpioStrobe && address < kGpioStrobe + 4) {
        const std::uint32_t index = address - kGpioStrobe;
        const std::uint8_t falling = static_cast<std::uint8_t>(Read(address) & ~value);
        const std::uint8_t strap = StrapByte(straps_, index);
        std::uint8_t& latch = values_[kGpioData + index];
        latch = static_cast<std::uint8_t>((latch & ~falling) | (strap & falling));
    }
    values_[address] = value;
}

}  // namespace qx::sim
