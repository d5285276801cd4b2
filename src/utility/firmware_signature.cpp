#include "utility/firmware_signature.h"

#include <array>
#include <cstdint>

#include "platform/clock.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx::utility {
namespace {

constexpr std::size_t kRotationRateLow = 434;   // IDENTIFY word 217
constexpr std::uint8_t kNonRotating = 1;
constexpr std::uint8_t kReplyLba = 0xFF;
constexpr std::array<std::uint8_t, 4> kSignature = {0xE5, 0x51, 0x58, 0x00};

}  // namespace

bool WaitFirmwareSignature(int slot) {
    std::array<std::uint8_t, 512> identify{};
    IdentifyDevice(slot, identify.data(), 1);
    if (identify[kRotationRateLow] != kNonRotating) return false;
    for (int round = 0; round < kSignatureRounds; ++round) {
        SetVendorFeature(slot, true);
        std::array<std::uint8_t, 512> reply{};
        const bool read = VA_ReadVendorReply(slot, reply.data(), 1, false, kReplyLba);
        if (read && std::equal(kSignature.begin(), kSignature.end(), reply.begin())) return true;
        if (!read && round > 0) break;
        platform::SleepMs(kSignaturePauseMs);
    }
    return false;
}

}  // namespace qx::utility
