#include "sim/ata/sat.h"

namespace qx::sim {

using namespace platform;

namespace {

enum Protocol : std::uint8_t {
    kNonData = 3, kPioIn = 4, kPioOut = 5, kDma = 6, kUdmaIn = 10, kUdmaOut = 11,
};

}  // namespace

std::optional<SatBlock> DecodeSat(std::span<const std::uint8_t> cdb) {
    SatBlock s;
    if (cdb.size() >= 12 && cdb[0] == kSat12) {
        //  1: protocol << 1   2: CK_COND 0x20, T_DIR 0x08   3..9: features, count,
        //  LBA low, mid, high, device, command
        auto& c = s.ata.current;
        c[kTfFeatures] = cdb[3];
        c[kTfCount] = cdb[4];
        c[kTfLbaLow] = cdb[5];
        c[kTfLbaMid] = cdb[6];
        c[kTfLbaHigh] = cdb[7];
        c[kTfDevice] = cdb[8];
        c[kTfCommand] = cdb[9];
    } else if (cdb.size() >= 16 && cdb[0] == kSat16) {
        //  1: protocol << 1 | EXTEND   3..12: features, count, LBA low, mid,
        //  high as (high half, low half) pairs   13: device   14: command
        auto& c = s.ata.current;
        auto& p = s.ata.previous;
        s.ata.ext48 = (cdb[1] & 1) != 0;
        p[kTfFeatures] = cdb[3];
        c[kTfFeatures] = cdb[4];
        p[kTfCount] = cdb[5];
        c[kTfCount] = cdb[6];
        p[kTfLbaLow] = cdb[7];
        c[kTfLbaLow] = cdb[8];
        p[kTfLbaMid] = cdb[9];
        c[kTfLbaMid] = cdb[10];
        p[kTfLbaHigh] = cdb[11];
        c[kTfLbaHigh] = cdb[12];
        c[kTfDevice] = cdb[13];
        c[kTfCommand] = cdb[14];
        if (!s.ata.ext48) p = {};
    } else {
        return std::nullopt;
    }
    s.protocol = static_cast<std::uint8_t>((cdb[1] >> 1) & 0x0F);
    s.ckCond = (cdb[2] & 0x20) != 0;
    s.tDirIn = (cdb[2] & 0x08) != 0;
    return s;
}

bool AttachSatData(SatBlock& sat, const ScsiCommand& cmd) {
    Direction want = Direction::None;
    switch (sat.protocol) {
        case kNonData: want = Direction::None; break;
        case kPioIn: case kUdmaIn: want = Direction::In; break;
        case kPioOut: case kUdmaOut: want = Direction::Out; break;
        case kDma: want = sat.tDirIn ? Direction::In : Direction::Out; break;
        default: return false;
    }
    const Direction got = cmd.data.empty() ? Direction::None : cmd.dir;
    if (want != got) return false;
    if (want != Direction::None && sat.tDirIn != (want == Direction::In)) return false;
    sat.ata.dir = want;
    sat.ata.dma = sat.protocol == kDma || sat.protocol == kUdmaIn || sat.protocol == kUdmaOut;
    if (want != Direction::None) sat.ata.data = cmd.data;
    return true;
}

}  // namespace qx::sim
