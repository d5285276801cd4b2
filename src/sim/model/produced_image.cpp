#include "sim/model/produced_image.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "sim/model/drive_model.h"
#include "sim/model/code_block_tables.h"
#include "sim/model/identify_data.h"
#include "sim/model/sim_firmware_image.h"

namespace qx::sim {
namespace {

constexpr std::size_t kIdentifyAt = 0x04C;
constexpr std::size_t kHeaderTagAt = 0x300;
constexpr std::size_t kHeaderMarkAt = 0x30D;

void PutText(std::vector<std::uint8_t>& image, std::size_t at, const std::string& text, std::size_t room) {
    std::copy_n(text.begin(), std::min(text.size(), room), image.begin() + static_cast<std::ptrdiff_t>(at));
}

void Put16(std::span<std::uint8_t> image, std::size_t at, unsigned v) {
    image[at] = static_cast<std::uint8_t>(v);
    image[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// log2(value) - bias when value is that power of two, else 0.
unsigned Code(unsigned value, unsigned bias) {
    unsigned e = 0;
    while ((1u << e) < value) ++e;
    return (1u << e) == value && e >= bias ? e - bias : 0;
}

// The maker nibble of the flash type word from the first flash ID byte.
unsigned MakerOf(std::uint8_t idByte) {
    constexpr std::uint8_t kMakers[] = {0x2C, 0xEC, 0x98, 0xAD, 0x89, 0x45};
    for (unsigned i = 0; i < std::size(kMakers); ++i)
        if (kMakers[i] == idByte) return i;
    return 0;
}

// Parameter area fields (both copies).
constexpr std::size_t kTypeWordAt = 0x500, kInterfaceAt = 0x502, kChannelsAt = 0x503, kBanksAt = 0x504,
                      kEccAt = 0x505, kDriveCurrentAt = 0x506, kSizeCodeAt = 0x507, kResLowAt = 0x508,
                      kInterfaceFlagsAt = 0x509, kCesAt = 0x50B;
// Information page only.
constexpr std::size_t kPartNumberAt = 0x260, kPartNumberBytes = 32, kResHighAt = 0x51A, kDefPercentageAt = 0x520;
// Memory image only.
constexpr std::size_t kThresholdsAt = 0x520, kWearLevelAt = 0x522, kBankMapAt = 0x528, kAsyncAt = 0x540,
                      kFwFlagsAAt = 0x547, kSyncAt = 0x548, kLaterBadAt = 0x55C;

// What the station's usual settings leave: BCH 40, 4 mA, 6.8 % reserved and
// 4.8 % defect blocks, scrambling, remapping and trim on.
constexpr std::uint8_t kToggleInterface = 0x01, kModeFlag = 0x20, kScrambleOn = 0x10, kRemapOn = 0x20, kTrimOn = 0x01;
constexpr std::uint8_t kEccBch40 = 3, kDriveCurrent4mA = 1;
constexpr unsigned kReservePerMille = 68, kDefectPerMille = 48;
constexpr std::uint8_t kReadThreshold = 34, kCopyThreshold = 27, kWearLevelFrequency = 128;

}  // namespace

void PutProducedArea(const DriveConfig& c, bool infoPage, std::span<std::uint8_t> image) {
    if (image.size() < kProducedAreaEnd) return;
    const unsigned maker = c.flashId.empty() ? 0 : MakerOf(c.flashId[0]);
    const unsigned blocksCode = c.blocksPerCe == 1024 ? 4 : Code(c.blocksPerCe, 11);
    Put16(image, kTypeWordAt,
          maker << 12 | blocksCode << 6 | Code(c.pagesPerBlock, 6) << 3 | Code(c.sectorsPerPage, 2));
    image[kInterfaceAt] = kToggleInterface | kModeFlag;
    image[kChannelsAt] = c.channels;
    image[kBanksAt] = c.ces;
    image[kEccAt] = kEccBch40;
    image[kDriveCurrentAt] = kDriveCurrent4mA;
    image[kSizeCodeAt] = static_cast<std::uint8_t>(16 | (Code(c.blocksPerCe, 10) & 3) << 2 | (Code(c.pagesPerBlock, 6) & 3));
    image[kResLowAt] = static_cast<std::uint8_t>(kReservePerMille);
    image[kInterfaceFlagsAt] = kScrambleOn | kRemapOn;
    image[kCesAt] = c.ces;
    for (std::size_t i = 0; i < 4 && i < c.codeBlocks.size(); ++i) Put16(image, kProducedCodeBlocksAt + 2 * i, c.codeBlocks[i]);
    if (infoPage) {
        std::copy_n(c.partNumber.begin(), std::min<std::size_t>(c.partNumber.size(), kPartNumberBytes),
                    image.begin() + kPartNumberAt);
        image[kResHighAt] = static_cast<std::uint8_t>(kReservePerMille >> 8);
        image[kDefPercentageAt] = static_cast<std::uint8_t>(kDefectPerMille);
        return;
    }
    image[kThresholdsAt] = kReadThreshold;
    image[kThresholdsAt + 1] = kCopyThreshold;
    image[kWearLevelAt] = kWearLevelFrequency;
    for (std::uint8_t b = 0; b < 8; ++b) image[kBankMapAt + b] = b < c.ces ? b : 0;
    constexpr std::uint8_t kTimings[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    std::copy(std::begin(kTimings), std::end(kTimings), image.begin() + kAsyncAt);
    std::copy(std::begin(kTimings), std::end(kTimings), image.begin() + kSyncAt);
    image[kFwFlagsAAt] = kTrimOn;
    Put16(image, kLaterBadAt, kLaterBadFirstBlock);
    Put16(image, kLaterBadAt + 2, kLaterBadOtherBlock);
}

std::vector<std::uint8_t> ProducedSystemImage(const DriveModel& m) {
    if (m.cfg.systemModel.empty()) return {};
    std::vector<std::uint8_t> image(kSystemImageSize, 0);
    // The identity the firmware answers IDENTIFY with, as the station patched it.
    DriveConfig plain = m.cfg;
    plain.systemModel.clear();
    plain.state = ControllerState::Firmware;
    const DriveModel firmware(plain);
    const Sector identify = BuildIdentify(firmware);
    std::copy(identify.begin(), identify.end(), image.begin() + kIdentifyAt);
    std::memcpy(&image[kHeaderTagAt], "QXSS", 4);
    image[kHeaderMarkAt] = 'S';
    PutText(image, kProducedVersionAt, m.cfg.systemVersion, 6);
    PutText(image, kProducedModelAt, m.cfg.systemModel, 4);
    PutText(image, kProducedVariantAt, m.cfg.systemVariant, 2);
    PutProducedArea(m.cfg, false, image);
    return image;
}

}  // namespace qx::sim
