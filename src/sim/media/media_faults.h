// Worn or broken flash behind the user sectors: ranges whose reads fail as
// uncorrectable, ranges whose writes fail, and cells with stuck bits that
// read back differently from what was written. Both front ends consult it
// on every user-sector transfer.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qx::sim {

enum class MediaFaultKind : std::uint8_t {
    ReadFails,    // uncorrectable read (ATA UNC / MEDIUM ERROR)
    WriteFails,   // the write is refused (ATA ABRT / MEDIUM ERROR)
    StuckBits,    // reads return the byte at byteOffset of each sector with bits set
};

struct MediaFault {
    MediaFaultKind kind = MediaFaultKind::ReadFails;
    std::uint64_t firstLba = 0;
    std::uint64_t count = 1;
    std::uint16_t byteOffset = 0;   // StuckBits: byte within the sector (0..511)
    std::uint8_t bits = 0x01;       // StuckBits: bits that read as 1
};

class MediaFaults {
public:
    void Add(const MediaFault& f) { faults_.push_back(f); }
    void Clear() { faults_.clear(); }
    // True when a transfer of count sectors from lba touches a failing range.
    bool Fails(MediaFaultKind kind, std::uint64_t lba, std::uint64_t count) const;
    // Applies the stuck bits to sectors read from lba.
    void Corrupt(std::uint64_t lba, std::span<std::uint8_t> data) const;

private:
    std::vector<MediaFault> faults_;
};

}  // namespace qx::sim
