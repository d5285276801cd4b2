// SCSI commands both front ends answer the same way.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/device_io.h"

namespace qx::sim {

inline constexpr std::uint8_t kScsiTestUnitReady = 0x00, kScsiInquiry = 0x12, kScsiReadCapacity10 = 0x25,
                              kScsiRead10 = 0x28, kScsiWrite10 = 0x2A, kScsiVendor = 0xFF;

struct InquiryIdentity {
    std::string_view vendor;     // 8 characters, blank padded
    std::string_view product;    // 16
    std::string_view revision;   // 4
    std::string_view chipTag;    // bytes 36..39
};

platform::ScsiResult AnswerInquiry(const platform::ScsiCommand& cmd, const InquiryIdentity& id);
// READ CAPACITY(10): the last LBA, or 0xFFFFFFFF when it does not fit.
platform::ScsiResult AnswerReadCapacity(const platform::ScsiCommand& cmd, std::uint64_t sectors);

struct Block10 {
    std::uint32_t lba = 0;
    std::uint32_t count = 0;
};
// READ(10)/WRITE(10) fields; false when the data length disagrees with the
// count or the direction is wrong.
bool ParseBlock10(const platform::ScsiCommand& cmd, platform::Direction dir, Block10& out);

}  // namespace qx::sim
