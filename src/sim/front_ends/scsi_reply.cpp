#include "sim/front_ends/scsi_reply.h"

#include <algorithm>

namespace qx::sim {

using namespace platform;

ScsiResult ScsiGood(std::uint32_t transferred) {
    ScsiResult r;
    r.ok = true;
    r.transferred = transferred;
    return r;
}

ScsiResult ScsiCheck(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    ScsiResult r;
    r.ok = true;
    r.status = kScsiCheckCondition;
    // Fixed format: response code, key at 2, additional length 10, ASC/ASCQ at 12/13.
    r.sense[0] = 0x70;
    r.sense[2] = key;
    r.sense[7] = 10;
    r.sense[12] = asc;
    r.sense[13] = ascq;
    r.senseLength = 18;
    return r;
}

ScsiResult ScsiAtaReturn(const AtaOutcome& ata, bool ext48, std::uint8_t key) {
    ScsiResult r;
    r.ok = true;
    r.status = kScsiCheckCondition;
    auto& s = r.sense;
    const TaskFile& c = ata.current;
    const TaskFile& p = ata.previous;
    //  0: 72  1: key  2: ASC 00  3: ASCQ 1D (ATA pass-through information available)
    //  7: additional length 14
    //  8: descriptor 09, length 0C, 10: EXTEND, 11: error, 12..19: count and LBA
    //     (high half first), 20: device, 21: status
    s[ 0] = 0x72;
    s[ 1] = key;
    s[ 2] = 0x00;
    s[ 3] = 0x1D;
    s[ 7] = 14;
    s[ 8] = 0x09;
    s[ 9] = 0x0C;
    s[10] = ext48 ? 1 : 0;
    s[11] = c[kTfError];
    s[12] = ext48 ? p[kTfCount] : 0;
    s[13] = c[kTfCount];
    s[14] = ext48 ? p[kTfLbaLow] : 0;
    s[15] = c[kTfLbaLow];
    s[16] = ext48 ? p[kTfLbaMid] : 0;
    s[17] = c[kTfLbaMid];
    s[18] = ext48 ? p[kTfLbaHigh] : 0;
    s[19] = c[kTfLbaHigh];
    s[20] = c[kTfDevice];
    s[21] = c[kTfStatus];
    r.senseLength = 22;
    return r;
}

ScsiResult ScsiSyscallFailed(int error) {
    ScsiResult r;
    r.error = error;
    return r;
}

}  // namespace qx::sim
