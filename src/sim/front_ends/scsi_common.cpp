#include "sim/front_ends/scsi_common.h"

#include <algorithm>
#include <array>

#include "sim/front_ends/scsi_reply.h"
#include "sim/media/user_sectors.h"

namespace qx::sim {

using namespace platform;

namespace {

constexpr std::size_t kInquiryLength = 96;

void PutText(std::array<std::uint8_t, kInquiryLength>& d, std::size_t at, std::size_t width,
             std::string_view text, char pad) {
    for (std::size_t i = 0; i < width; ++i)
        d[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : pad);
}

std::uint32_t TransferLength(const ScsiCommand& cmd, std::size_t available) {
    return static_cast<std::uint32_t>(std::min(available, cmd.data.size()));
}

}  // namespace

ScsiResult AnswerInquiry(const ScsiCommand& cmd, const InquiryIdentity& id) {
    if (cmd.cdb.size() < 6 || (cmd.cdb[1] & 0x01) != 0 || cmd.dir != Direction::In)
        return ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    std::array<std::uint8_t, kInquiryLength> d{};
    d[0] = 0x00;                                   // direct-access block device
    d[1] = 0x80;                                   // removable
    d[2] = 0x06;
    d[3] = 0x02;
    d[4] = kInquiryLength - 5;
    PutText(d, 8, 8, id.vendor, ' ');
    PutText(d, 16, 16, id.product, ' ');
    PutText(d, 32, 4, id.revision, ' ');
    PutText(d, 36, 4, id.chipTag, '\0');
    const std::size_t alloc = static_cast<std::size_t>(cmd.cdb[3] << 8 | cmd.cdb[4]);
    const std::uint32_t n = TransferLength(cmd, std::min(alloc, kInquiryLength));
    std::copy_n(d.begin(), n, cmd.data.begin());
    return ScsiGood(n);
}

ScsiResult AnswerReadCapacity(const ScsiCommand& cmd, std::uint64_t sectors) {
    if (cmd.dir != Direction::In || cmd.data.size() < 8) return ScsiCheck(kKeyIllegalRequest, kAscInvalidField);
    const std::uint64_t last = sectors ? sectors - 1 : 0;
    const auto reported = static_cast<std::uint32_t>(std::min<std::uint64_t>(last, 0xFFFFFFFF));
    std::fill(cmd.data.begin(), cmd.data.end(), std::uint8_t{0});
    for (int i = 0; i < 4; ++i) cmd.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(reported >> (24 - 8 * i));
    cmd.data[6] = kSectorSize >> 8;                // block length 512, big-endian at 4..7
    return ScsiGood(8);
}

bool ParseBlock10(const ScsiCommand& cmd, Direction dir, Block10& out) {
    if (cmd.cdb.size() < 10) return false;
    const auto& c = cmd.cdb;
    out.lba = static_cast<std::uint32_t>(c[2]) << 24 | static_cast<std::uint32_t>(c[3]) << 16 |
              static_cast<std::uint32_t>(c[4]) << 8 | c[5];
    out.count = static_cast<std::uint32_t>(c[7] << 8 | c[8]);
    if (out.count == 0) return cmd.data.empty();
    return cmd.dir == dir && cmd.data.size() == out.count * kSectorSize;
}

}  // namespace qx::sim
