#include "platform/sat_ata.h"

#include <algorithm>

namespace qx::platform {
namespace {

constexpr std::uint8_t kAtaPassThrough16 = 0x85;
// SAT protocol field values.
constexpr std::uint8_t kProtNonData = 3, kProtPioIn = 4, kProtPioOut = 5, kProtDma = 6;
// Byte 2: CK_COND, T_DIR (from device), BYT_BLOK, T_LENGTH = count field.
constexpr std::uint8_t kCkCond = 0x20, kTDirIn = 0x08, kBytBlok = 0x04, kTLenCount = 0x02;
constexpr std::uint8_t kAtaReturnDescriptor = 0x09;
constexpr std::uint8_t kSenseValid = 0x80;
// The EXTEND byte of the fixed format: EXTEND, COUNT UPPER NONZERO, LBA UPPER NONZERO.
constexpr std::uint8_t kFixedExtend = 0x80, kFixedUpperNonzero = 0x60;
constexpr std::uint8_t kKeyRecovered = 0x01;
constexpr std::uint8_t kStatusDone = 0x50;   // DRDY | DSC

bool Descriptor(std::uint8_t code) { return code == 0x72 || code == 0x73; }
bool Fixed(std::uint8_t code) { return code == 0x70 || code == 0x71; }

std::optional<AtaSenseReturn> FromDescriptors(std::span<const std::uint8_t> s) {
    const std::size_t end = std::min<std::size_t>(s.size(), 8u + s[7]);
    for (std::size_t i = 8; i + 1 < end; i += 2u + s[i + 1]) {
        if (s[i] != kAtaReturnDescriptor || i + 14 > end) continue;
        //  0: 09  1: 0C  2: EXTEND  3: error  4/5: count  6/7: LBA low  8/9: LBA mid
        //  10/11: LBA high (high-order byte first)  12: device  13: status
        const auto d = s.subspan(i, 14);
        AtaSenseReturn r;
        r.current = {d[3], d[5], d[7], d[9], d[11], d[12], d[13], 0};
        if (d[2] & 1) {
            r.ext48 = true;
            r.previous = {0, d[4], d[6], d[8], d[10], 0, 0, 0};
        }
        return r;
    }
    return std::nullopt;
}

// Fixed format: where the four registers, the EXTEND byte and the three LBA
// bytes sit.
struct FixedLayout {
    std::size_t registers;   // error, status, device, count
    std::size_t extend;
    std::size_t lba;         // low, mid, high
};
constexpr FixedLayout kSatFixed{3, 8, 9};
constexpr FixedLayout kOldLibataFixed{8, 16, 17};

std::optional<AtaSenseReturn> FromFixed(std::span<const std::uint8_t> s) {
    const bool valid = (s[0] & kSenseValid) != 0;
    const FixedLayout& at = valid ? kSatFixed : kOldLibataFixed;
    if (s.size() < at.registers + 4) return std::nullopt;
    const auto byte = [&s](std::size_t i) -> std::uint8_t { return i < s.size() ? s[i] : 0; };
    AtaSenseReturn r;
    r.current[kTfError] = byte(at.registers);
    r.current[kTfStatus] = byte(at.registers + 1);
    r.current[kTfDevice] = byte(at.registers + 2);
    r.current[kTfCount] = byte(at.registers + 3);
    // A drive's status always holds a bit; zeros there are the empty field
    // of a command refused before it reached one.
    if (!valid && r.current[kTfStatus] == 0) return std::nullopt;
    r.current[kTfLbaLow] = byte(at.lba);
    r.current[kTfLbaMid] = byte(at.lba + 1);
    r.current[kTfLbaHigh] = byte(at.lba + 2);
    const std::uint8_t extend = byte(at.extend);
    r.upperLost = (extend & kFixedExtend) && (extend & kFixedUpperNonzero);
    return r;
}

}  // namespace

std::uint8_t SenseKey(std::span<const std::uint8_t> s) {
    if (s.size() < 3) return 0;
    const std::uint8_t code = s[0] & 0x7F;
    if (Descriptor(code)) return s[1] & 0x0F;
    if (Fixed(code)) return s[2] & 0x0F;
    return 0;
}

std::optional<AtaSenseReturn> DecodeAtaSense(std::span<const std::uint8_t> s) {
    if (s.size() < 8) return std::nullopt;
    const std::uint8_t code = s[0] & 0x7F;
    if (Descriptor(code)) return FromDescriptors(s);
    if (Fixed(code)) return FromFixed(s);
    return std::nullopt;
}

std::array<std::uint8_t, 16> BuildAtaPassThrough16(const AtaCommand& cmd) {
    const TaskFile& c = cmd.current;
    const TaskFile& p = cmd.previous;
    const bool data = cmd.dir != Direction::None;
    std::uint8_t protocol = kProtNonData;
    if (data) protocol = cmd.dma ? kProtDma : (cmd.dir == Direction::In ? kProtPioIn : kProtPioOut);

    std::array<std::uint8_t, 16> b{};
    b[ 0] = kAtaPassThrough16;
    b[ 1] = static_cast<std::uint8_t>(protocol << 1 | (cmd.ext48 ? 1 : 0));
    b[ 2] = data ? static_cast<std::uint8_t>(kBytBlok | kTLenCount | (cmd.dir == Direction::In ? kTDirIn : 0))
                 : kCkCond;
    b[ 3] = cmd.ext48 ? p[kTfFeatures] : 0;
    b[ 4] = c[kTfFeatures];
    b[ 5] = cmd.ext48 ? p[kTfCount] : 0;
    b[ 6] = c[kTfCount];
    b[ 7] = cmd.ext48 ? p[kTfLbaLow] : 0;
    b[ 8] = c[kTfLbaLow];
    b[ 9] = cmd.ext48 ? p[kTfLbaMid] : 0;
    b[10] = c[kTfLbaMid];
    b[11] = cmd.ext48 ? p[kTfLbaHigh] : 0;
    b[12] = c[kTfLbaHigh];
    b[13] = c[kTfDevice];
    b[14] = c[kTfCommand];
    b[15] = 0;
    return b;
}

AtaResult AtaResultFromScsi(const AtaCommand& cmd, const ScsiResult& answer) {
    AtaResult r;
    r.ok = answer.ok;
    r.error = answer.error;
    if (!answer.ok) return r;
    const std::span<const std::uint8_t> sense(answer.sense.data(), answer.senseLength);
    const bool check = answer.status == kScsiCheckCondition;
    const bool sayFailed = (check && SenseKey(sense) > kKeyRecovered) || (!check && answer.status != kScsiGood);

    bool failed;
    const auto ret = check ? DecodeAtaSense(sense) : std::nullopt;
    if (ret && !(ret->current[kTfStatus] & kAtaStatusBsy)) {
        r.current = ret->current;
        r.previous = ret->previous;
        r.registers = true;
        r.upperLost = ret->upperLost;
        failed = (ret->current[kTfStatus] & (kAtaStatusErr | kAtaStatusDf)) != 0 ||
                 (cmd.dir != Direction::None && sayFailed);
    } else {
        r.current[kTfStatus] = kStatusDone;
        failed = sayFailed;
    }
    if (failed) r.current[kTfStatus] |= kAtaStatusErr;
    return r;
}

}  // namespace qx::platform
