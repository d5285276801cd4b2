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

namespace {

struct SenseCode {
    std::uint8_t key, asc, ascq;
};

SenseCode CodeOf(const AtaOutcome& ata) {
    if (!ata.Failed()) return {kKeyRecovered, 0x00, 0x1D};
    const std::uint8_t err = ata.current[kTfError];
    if (err & kErrIdnf) return {kKeyIllegalRequest, kAscLbaOutOfRange, 0x00};
    if (err & kErrUnc) return {kKeyMedium, 0x11, 0x04};
    return {kKeyAborted, 0x00, 0x00};
}

// The fixed format's EXTEND byte: EXTEND, COUNT UPPER NONZERO, LBA UPPER NONZERO.
std::uint8_t ExtendFlags(const AtaOutcome& ata, bool ext48) {
    if (!ext48) return 0;
    const TaskFile& p = ata.previous;
    std::uint8_t f = 0x80;
    if (p[kTfCount]) f |= 0x40;
    if (p[kTfLbaLow] || p[kTfLbaMid] || p[kTfLbaHigh]) f |= 0x20;
    return f;
}

void Descriptor(ScsiResult& r, const AtaOutcome& ata, bool ext48, SenseCode code) {
    auto& s = r.sense;
    const TaskFile& c = ata.current;
    const TaskFile& p = ata.previous;
    //  0: 72  1: key  2: ASC  3: ASCQ  7: additional length 14
    //  8: descriptor 09, length 0C, 10: EXTEND, 11: error, 12..19: count and LBA
    //     (high half first), 20: device, 21: status
    s[ 0] = 0x72;
    s[ 1] = code.key;
    s[ 2] = code.asc;
    s[ 3] = code.ascq;
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
}

// Where the fixed format puts the registers. The SAT layout:
//  0: F0 (70, VALID)  2: key  3: error  4: status  5: device  6: count
//  7: additional length 0A  8: EXTEND flags  9..11: LBA low, mid, high
//  12/13: ASC/ASCQ
// libata before Linux 6.10:
//  0: 70 (VALID clear)  2: key  7: 0A  8: error  9: status  10: device
//  11: count  12/13: ASC/ASCQ  16: EXTEND flags  17..19: LBA low, mid, high;
//  the kernel hands back the whole buffer the caller offered
struct FixedLayout {
    std::uint8_t code;
    std::size_t registers, extend, lba;
    std::uint8_t length;
};
constexpr FixedLayout kSatFixed{0xF0, 3, 8, 9, 18};
constexpr FixedLayout kLibataFixed{0x70, 8, 16, 17, 32};

void Fixed(ScsiResult& r, const AtaOutcome& ata, bool ext48, SenseCode code, const FixedLayout& at) {
    auto& s = r.sense;
    const TaskFile& c = ata.current;
    s[0] = at.code;
    s[2] = code.key;
    s[7] = 0x0A;
    s[12] = code.asc;
    s[13] = code.ascq;
    s[at.registers] = c[kTfError];
    s[at.registers + 1] = c[kTfStatus];
    s[at.registers + 2] = c[kTfDevice];
    s[at.registers + 3] = c[kTfCount];
    s[at.extend] = ExtendFlags(ata, ext48);
    s[at.lba] = c[kTfLbaLow];
    s[at.lba + 1] = c[kTfLbaMid];
    s[at.lba + 2] = c[kTfLbaHigh];
    r.senseLength = at.length;
}

}  // namespace

ScsiResult ScsiAtaReturn(const AtaOutcome& ata, bool ext48, SenseFormat format) {
    ScsiResult r;
    r.ok = true;
    r.status = kScsiCheckCondition;
    const SenseCode code = CodeOf(ata);
    // libata answered a command that went well in descriptor format whatever
    // D_SENSE said.
    if (format == SenseFormat::Descriptor || (format == SenseFormat::FixedLibata && !ata.Failed()))
        Descriptor(r, ata, ext48, code);
    else
        Fixed(r, ata, ext48, code, format == SenseFormat::Fixed ? kSatFixed : kLibataFixed);
    return r;
}

ScsiResult ScsiSyscallFailed(int error) {
    ScsiResult r;
    r.error = error;
    return r;
}

}  // namespace qx::sim
