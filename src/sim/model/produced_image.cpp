#include "sim/model/produced_image.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "sim/model/drive_model.h"
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

}  // namespace

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
    for (std::size_t i = 0; i < 4 && i < m.cfg.codeBlocks.size(); ++i) {
        image[kProducedCodeBlocksAt + 2 * i] = static_cast<std::uint8_t>(m.cfg.codeBlocks[i]);
        image[kProducedCodeBlocksAt + 2 * i + 1] = static_cast<std::uint8_t>(m.cfg.codeBlocks[i] >> 8);
    }
    return image;
}

}  // namespace qx::sim
