#include "sim/gadget/ffs_descriptors.h"

#include <linux/usb/functionfs.h>

#include <string_view>

namespace qx::sim {

namespace {

class Blob {
public:
    Blob& U8(std::uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    Blob& Le16(std::uint16_t v) { return U8(static_cast<std::uint8_t>(v)).U8(static_cast<std::uint8_t>(v >> 8)); }
    Blob& Le32(std::uint32_t v) { return Le16(static_cast<std::uint16_t>(v)).Le16(static_cast<std::uint16_t>(v >> 16)); }
    // The total length sits in the header's second word.
    std::vector<std::uint8_t> Done() {
        const auto n = static_cast<std::uint32_t>(bytes_.size());
        for (std::size_t i = 0; i < 4; ++i) bytes_[4 + i] = static_cast<std::uint8_t>(n >> (8 * i));
        return std::move(bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

constexpr std::uint8_t kClassMassStorage = 0x08, kSubclassScsi = 0x06, kProtocolBot = 0x50;
constexpr std::uint8_t kTypeInterface = 0x04, kTypeEndpoint = 0x05, kTypeSsCompanion = 0x30;
constexpr std::uint8_t kBulk = 0x02;

//  0: length 9  1: INTERFACE  2: number 0  3: alternate 0  4: 2 endpoints
//  5: class 08  6: subclass 06  7: protocol 50  8: string 1
void Interface(Blob& b) {
    b.U8(9).U8(kTypeInterface).U8(0).U8(0).U8(2).U8(kClassMassStorage).U8(kSubclassScsi).U8(kProtocolBot).U8(1);
}

//  0: length 7  1: ENDPOINT  2: address  3: bulk  4: max packet (LE)  6: interval 0
void Endpoint(Blob& b, std::uint8_t address, std::uint16_t maxPacket) {
    b.U8(7).U8(kTypeEndpoint).U8(address).U8(kBulk).Le16(maxPacket).U8(0);
}

void SsCompanion(Blob& b) { b.U8(6).U8(kTypeSsCompanion).U8(0).U8(0).Le16(0); }

void SpeedSet(Blob& b, std::uint16_t maxPacket, bool superSpeed) {
    Interface(b);
    Endpoint(b, kBotInEndpoint, maxPacket);
    if (superSpeed) SsCompanion(b);
    Endpoint(b, kBotOutEndpoint, maxPacket);
    if (superSpeed) SsCompanion(b);
}

constexpr std::string_view kInterfaceString = "Bulk-Only Mass Storage";

}  // namespace

std::vector<std::uint8_t> BotFunctionDescriptors() {
    Blob b;
    b.Le32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2).Le32(0);
    b.Le32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC | FUNCTIONFS_HAS_SS_DESC);
    b.Le32(3).Le32(3).Le32(5);   // descriptors per speed
    SpeedSet(b, 64, false);
    SpeedSet(b, 512, false);
    SpeedSet(b, 1024, true);
    return b.Done();
}

std::vector<std::uint8_t> BotFunctionStrings() {
    Blob b;
    b.Le32(FUNCTIONFS_STRINGS_MAGIC).Le32(0).Le32(1).Le32(1);   // one string, one language
    b.Le16(0x0409);
    for (const char c : kInterfaceString) b.U8(static_cast<std::uint8_t>(c));
    b.U8(0);
    return b.Done();
}

}  // namespace qx::sim
