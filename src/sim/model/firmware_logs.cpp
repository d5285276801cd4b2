#include "sim/model/firmware_logs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "sim/model/drive_model.h"

namespace qx::sim {
namespace {

constexpr std::uint8_t kLineEnd = 0xEA;
constexpr char kSpiTag[] = "QX849V00-001";
constexpr std::uint32_t kSpiErrorLogAt = 0x200;

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The ring as the firmware writes it, cut at its size.
std::vector<std::uint8_t> Ring(const std::string& text, std::size_t size) {
    std::vector<std::uint8_t> ring;
    unsigned line = 0;
    for (const char c : text) {
        if (c != '\n') {
            ring.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        ++line;
        ring.insert(ring.end(), {kLineEnd, static_cast<std::uint8_t>(line), static_cast<std::uint8_t>(line >> 8), 0, 0});
    }
    if (ring.size() > size) ring.resize(size);
    return ring;
}

}  // namespace

void LayOutFirmwareLogs(DriveModel& m) {
    if (m.cfg.uartLog.empty()) return;
    // Places from the DRAM layout reply: error log, then UART ring; a layout
    // outside the DRAM window gets no logs (its reads fail, as the
    // firmware's would).
    const auto& layout = m.cfg.dramLayout;
    const std::uint32_t errorAt = layout[4], errorBytes = layout[5], uartAt = layout[6], uartBytes = layout[7];
    const auto inWindow = [](std::uint64_t at, std::uint64_t bytes) {
        return at >= kFirmwareDramBase && at + bytes <= kFirmwareDramBase + kFirmwareDramBytes;
    };
    if (errorBytes < 32 || uartBytes == 0 || !inWindow(errorAt, errorBytes) || !inWindow(uartAt, uartBytes)) return;
    const std::vector<std::uint8_t> ring = Ring(m.cfg.uartLog, uartBytes);
    std::vector<std::uint8_t> errorLog(errorBytes, 0);
    std::memcpy(errorLog.data(), "ErLog01", 7);
    Put32(errorLog, 16, static_cast<std::uint32_t>(ring.size() % uartBytes));

    m.firmwareDram.resize(std::max<std::size_t>(m.firmwareDram.size(), uartAt + uartBytes - kFirmwareDramBase), 0);
    std::copy(errorLog.begin(), errorLog.end(), m.firmwareDram.begin() + (errorAt - kFirmwareDramBase));
    std::copy(ring.begin(), ring.end(), m.firmwareDram.begin() + (uartAt - kFirmwareDramBase));
    if (!m.cfg.spiLog) return;
    const std::uint32_t spiUartAt = kSpiErrorLogAt + errorBytes;
    m.spiFlash.assign(spiUartAt + uartBytes, 0);
    std::memcpy(m.spiFlash.data(), kSpiTag, sizeof kSpiTag - 1);
    Put32(m.spiFlash, 20, kSpiErrorLogAt);
    Put32(m.spiFlash, 24, errorBytes);
    Put32(m.spiFlash, 28, spiUartAt);
    Put32(m.spiFlash, 32, uartBytes);
    std::copy(errorLog.begin(), errorLog.end(), m.spiFlash.begin() + kSpiErrorLogAt);
    std::copy(ring.begin(), ring.end(), m.spiFlash.begin() + spiUartAt);
}

}  // namespace qx::sim
