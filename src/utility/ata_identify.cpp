#include "utility/ata_identify.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/device_io.h"
#include "utility/device_entry.h"

namespace qx::utility {
namespace {

constexpr std::uint8_t kIdentifyDevice = 0xEC;
constexpr std::uint8_t kSmartReturnStatus = 0xDA;
constexpr std::uint8_t kDriveHead = 0xA0;
constexpr std::uint8_t kStatusError = 0x01;
constexpr std::size_t kDataBytes = 512;

}  // namespace

int SmartIoctlCommand(const char* path, std::uint8_t driveNumber, RegisterBlock& registers, std::uint8_t* data,
                      bool receive) {
    (void)driveNumber;
    if (path == nullptr || *path == '\0') return -1;
    platform::OpenResult opened = platform::Devices().Open(path, platform::ShareMode::Shared);
    if (!opened.handle) return -1;

    std::array<std::uint8_t, kDataBytes> in{};
    platform::AtaCommand cmd;
    std::copy(std::begin(registers), std::end(registers), cmd.current.begin());
    cmd.current[platform::kTfDevice] = kDriveHead;
    cmd.current[platform::kTfReserved] = 0;
    if (receive) {
        cmd.dir = platform::Direction::In;
        cmd.data = in;
    }
    const platform::AtaResult r = opened.handle->Ata(cmd);
    if (!r.ok || (r.current[platform::kTfStatus] & kStatusError) != 0) return -1;
    if (receive && data != nullptr) std::copy(in.begin(), in.end(), data);
    if (!receive && registers[0] == kSmartReturnStatus)
        std::copy(r.current.begin(), r.current.end(), std::begin(registers));
    return 0;
}

int GetDeviceIdentify(const char* path, std::uint8_t driveNumber, int busType, std::uint8_t* buffer, int length) {
    if (buffer == nullptr || length <= 0) return 0;
    std::memset(buffer, 0, static_cast<std::size_t>(length));
    if (busType != kBusIdeSata && busType != kBusScsi) return 0;
    if (static_cast<std::size_t>(length) < kDataBytes) return 0;
    RegisterBlock registers = {0, 1, 0, 0, 0, kDriveHead, kIdentifyDevice, 0};
    if (SmartIoctlCommand(path, driveNumber, registers, buffer, true) != 0) return 0;
    FixAtaString(buffer + kModelAt, kModelLength);
    FixAtaString(buffer + kFirmwareAt, kFirmwareLength);
    FixAtaString(buffer + kSerialAt, kSerialLength);
    return 1;
}

void FixAtaString(std::uint8_t* buffer, std::size_t length) {
    for (std::size_t i = 0; i + 1 < length; i += 2) std::swap(buffer[i], buffer[i + 1]);
    std::size_t lead = 0;
    while (lead < length && buffer[lead] == ' ') ++lead;
    if (lead > 0) {
        std::memmove(buffer, buffer + lead, length - lead);
        std::memset(buffer + length - lead, 0, lead);
    }
    for (std::size_t i = length; i > 0 && (buffer[i - 1] == ' ' || buffer[i - 1] == 0); --i) buffer[i - 1] = 0;
}

}  // namespace qx::utility
