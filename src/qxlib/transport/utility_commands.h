// Commands only the drive information utility sends: the SMART thresholds
// and three firmware vendor commands. Results: 1 ok, 2 failed; no trace line.
#pragma once

#include <cstdint>

namespace qx {

// SMART READ THRESHOLDS (feature D1h); SATA path only: on a USB-path slot
// nothing is sent and the answer is 2.
int ATA_SmartReadThresholds(int slot, std::uint8_t* buffer, int count);

// The vendor commands exist on the SATA path only. On the USB path the block
// goes out all the same with its first three bytes 0 (no vendor command),
// and the result is whatever the device answers.

// Reads length bytes of the firmware's SPI flash from offset.
int VC_ReadSpiData(int slot, std::uint8_t* buffer, std::uint32_t offset, std::uint32_t length, int count);

// Sets a SMART counter: selector 1 power-cycle count, 2 power-loss count,
// 3 lifetime stamp. The 12 block bytes also head the outgoing data.
inline constexpr std::uint8_t kSmartCounterPowerCycles = 1;
inline constexpr std::uint8_t kSmartCounterPowerLosses = 2;
inline constexpr std::uint8_t kSmartCounterLifetime = 3;
int VC_ResetSmartCounter(int slot, std::uint8_t selector, std::uint32_t value, std::uint8_t* buffer, int count);

// The firmware's DRAM layout (where its logs lie), at the start of the reply.
int VC_GetDramLayoutInfo(int slot, std::uint8_t* buffer, int count);

}  // namespace qx
