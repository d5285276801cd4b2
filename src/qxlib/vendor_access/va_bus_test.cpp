#include "qxlib/vendor_access/va_bus_test.h"

#include <algorithm>

#include "qxlib/base/byte_order.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/vendor_builders.h"

namespace qx {
namespace {

constexpr int kBusTestSectors = static_cast<int>(kBusTestBufferSize / 512);
constexpr std::size_t kWords = kBusTestBufferSize / 2;
constexpr int kRounds = 10;

std::uint16_t PatternWord(std::uint16_t base, std::size_t i) { return static_cast<std::uint16_t>(base + i); }

}  // namespace

bool VC_TST_WriteBuffer(int slot, std::span<std::uint8_t> buffer, std::uint8_t space, std::uint16_t base) {
    if (buffer.size() < kBusTestBufferSize) return false;
    for (std::size_t i = 0; i < kWords; ++i) put_le16(&buffer[2 * i], PatternWord(base, i));
    if (VC_WriteMemBuffer(slot, space, kBusTestAddress, buffer.data(), kBusTestSectors) != 1) {
        DebugPrint("FAILED(VC_TST_WriteBuffer)\r\n");
        return false;
    }
    return true;
}

bool VC_TST_CheckBuffer(int slot, std::span<std::uint8_t> buffer, std::uint8_t space, std::uint16_t base) {
    if (buffer.size() < kBusTestBufferSize) return false;
    std::fill_n(buffer.begin(), kBusTestBufferSize, std::uint8_t{0});
    if (VC_ReadMemBuffer(slot, space, kBusTestAddress, buffer.data(), kBusTestSectors) != 1) return false;
    for (std::size_t i = 0; i < kWords; ++i) {
        if (get_le16(&buffer[2 * i]) != PatternWord(base, i)) return false;
    }
    return true;
}

bool VA_BusInterfaceTest(int slot, std::span<std::uint8_t> buffer, std::uint8_t space) {
    for (int round = 0; round < kRounds; ++round) {
        const auto base = static_cast<std::uint16_t>(0x1000 + 11 * round);
        if (!VC_TST_WriteBuffer(slot, buffer, space, base) || !VC_TST_CheckBuffer(slot, buffer, space, base)) {
            return false;
        }
    }
    return true;
}

}  // namespace qx
