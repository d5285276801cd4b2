// What a failed sector transfer or read-back comparison leaves at the start
// of the caller's buffer: five little-endian 32-bit words. A failed transfer
// writes only the first two (the sector commands do that themselves).
#pragma once

#include <cstdint>
#include <span>

#include "qxlib/base/byte_order.h"

namespace qx {

struct RWErrorRecord {
    std::uint32_t Kind = 0;        // 1 write failed, 2 read failed, 3 a word read back differs
    std::uint32_t Lba = 0;         // the transfer's LBA; kind 3: see the block operations
    std::uint32_t Expected = 0;    // kind 3: the word that should have been read
    std::uint32_t Actual = 0;      // kind 3: the word that was read
    std::uint32_t WordIndex = 0;   // kind 3: first differing word within the block
};
static_assert(sizeof(RWErrorRecord) == 20);

inline constexpr std::uint32_t kRWWriteFailed = 1;
inline constexpr std::uint32_t kRWReadFailed = 2;
inline constexpr std::uint32_t kRWCompareFailed = 3;
inline constexpr std::size_t kRWErrorRecordBytes = sizeof(RWErrorRecord);

// Both false/empty when the buffer cannot hold a record.
inline bool PutRWErrorRecord(std::span<std::uint8_t> buffer, const RWErrorRecord& r) {
    if (buffer.size() < kRWErrorRecordBytes) return false;
    put_le32(&buffer[0], r.Kind);
    put_le32(&buffer[4], r.Lba);
    put_le32(&buffer[8], r.Expected);
    put_le32(&buffer[12], r.Actual);
    put_le32(&buffer[16], r.WordIndex);
    return true;
}

inline RWErrorRecord GetRWErrorRecord(std::span<const std::uint8_t> buffer) {
    if (buffer.size() < kRWErrorRecordBytes) return {};
    return {get_le32(&buffer[0]), get_le32(&buffer[4]), get_le32(&buffer[8]), get_le32(&buffer[12]),
            get_le32(&buffer[16])};
}

}  // namespace qx
