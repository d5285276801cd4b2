#include "sim/model/sim_firmware_image.h"

#include <algorithm>
#include <cstring>

#include "sim/model/code_blocks.h"
#include "sim/model/drive_model.h"
#include "sim/model/produced_image.h"

namespace qx::sim {
namespace {

constexpr std::size_t kFirstBinStartAt = 0x238;   // information page: first bin file's start page
constexpr std::size_t kHeaderTagAt = 0x300;
constexpr std::size_t kHeaderMarkAt = 0x30D;
constexpr std::size_t kIdentifyAt = 0x04C;

void PutWord(Sector& s, int word, std::uint16_t v) {
    s[static_cast<std::size_t>(word) * 2] = static_cast<std::uint8_t>(v);
    s[static_cast<std::size_t>(word) * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

void LoadSystemImage(DriveModel& m) {
    m.systemImage = ProducedSystemImage(m);
    const auto info = FindInfoPage(m);
    if (!info) return;
    std::vector<std::uint8_t> page(m.nand.PageBytes());
    m.nand.Read({0, 0, info->block, kInfoPageIndex}, page);
    const auto start = static_cast<std::uint16_t>(page[kFirstBinStartAt] | page[kFirstBinStartAt + 1] << 8);
    m.nand.Read({0, 0, info->block, start}, page);
    if (page.size() <= kHeaderMarkAt || std::memcmp(&page[kHeaderTagAt], "QXSS", 4) != 0 ||
        page[kHeaderMarkAt] != 'S')
        return;   // a produced drive keeps its described header
    m.systemImage.assign(kSystemImageSize, 0);
    std::copy_n(page.begin(), std::min(page.size(), kSystemImageSize), m.systemImage.begin());
}

std::optional<Sector> IdentifyFromSystemImage(const DriveModel& m) {
    if (m.systemImage.size() < kIdentifyAt + kSectorSize) return std::nullopt;
    Sector s{};
    std::copy_n(m.systemImage.begin() + kIdentifyAt, kSectorSize, s.begin());
    // The firmware knows its capacity; the template does not.
    const std::uint64_t cap = m.AccessibleSectors();
    const auto cap28 = static_cast<std::uint32_t>(std::min<std::uint64_t>(cap, 0x0FFFFFFF));
    PutWord(s, 60, static_cast<std::uint16_t>(cap28));
    PutWord(s, 61, static_cast<std::uint16_t>(cap28 >> 16));
    for (int w = 0; w < 4; ++w) PutWord(s, 100 + w, static_cast<std::uint16_t>(cap >> (16 * w)));
    // Word 255: signature 0xA5 and a checksum that makes the 512 bytes sum to 0.
    s[510] = 0xA5;
    unsigned sum = 0;
    for (std::size_t i = 0; i < 511; ++i) sum += s[i];
    s[511] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    return s;
}

}  // namespace qx::sim
