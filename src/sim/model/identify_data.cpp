#include "sim/model/identify_data.h"

#include <algorithm>

#include "sim/model/drive_model.h"
#include "sim/model/sim_firmware_image.h"

namespace qx::sim {
namespace {

void PutWord(Sector& s, int word, std::uint16_t v) {
    s[static_cast<std::size_t>(word) * 2] = static_cast<std::uint8_t>(v);
    s[static_cast<std::size_t>(word) * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Word 255: signature 0xA5 and a checksum byte that makes all 512 bytes sum to 0.
void SealIdentify(Sector& s) {
    s[510] = 0xA5;
    unsigned sum = 0;
    for (std::size_t i = 0; i < 511; ++i) sum += s[i];
    s[511] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

// SMART pages end with a checksum byte over the first 511.
void SealSmart(Sector& s) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < 511; ++i) sum += s[i];
    s[511] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

// Both SMART pages: revision 0x0010, then one 12-byte entry per attribute
// from byte 2 (30 entries fit), a checksum in byte 511.
template <typename Fill>
Sector SmartPage(const DriveModel& m, Fill fill) {
    Sector s{};
    PutWord(s, 0, 0x0010);
    std::size_t at = 2;
    for (const SmartAttribute& a : m.smart) {
        if (at + 12 > 362) break;
        s[at] = a.id;
        fill(&s[at], a);
        at += 12;
    }
    return s;
}

}  // namespace

void PutAtaString(Sector& s, int firstWord, int words, std::string_view text) {
    for (int i = 0; i < words * 2; ++i) {
        const char c = static_cast<std::size_t>(i) < text.size() ? text[static_cast<std::size_t>(i)] : ' ';
        // Character 2k is the high byte of word k: byte 2k+1 in little-endian order.
        s[static_cast<std::size_t>(firstWord * 2 + (i ^ 1))] = static_cast<std::uint8_t>(c);
    }
}

std::string GetAtaString(const Sector& s, int firstWord, int words) {
    std::string text;
    for (int i = 0; i < words * 2; ++i) text += static_cast<char>(s[static_cast<std::size_t>(firstWord * 2 + (i ^ 1))]);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

Sector BuildIdentify(const DriveModel& m) {
    Sector s{};
    const bool loader = m.state != ControllerState::Firmware;
    if (!loader)
        if (auto patched = IdentifyFromSystemImage(m)) return *patched;
    const std::uint64_t cap = m.AccessibleSectors();
    PutWord(s, 0, 0x0040);                         // fixed device
    PutWord(s, 1, 16383);
    PutWord(s, 3, 16);
    PutWord(s, 6, 63);
    PutAtaString(s, 10, 10, m.cfg.serial);
    PutAtaString(s, 23, 4, loader ? "LOADER" : m.cfg.firmwareRevision);
    PutAtaString(s, 27, 20, loader ? m.cfg.loaderModel : m.cfg.model);
    PutWord(s, 47, 0x8010);                        // READ/WRITE MULTIPLE up to 16 sectors
    PutWord(s, 49, 0x0F00);                        // LBA and DMA
    PutWord(s, 53, 0x0007);
    const auto cap28 = static_cast<std::uint32_t>(std::min<std::uint64_t>(cap, 0x0FFFFFFF));
    PutWord(s, 60, static_cast<std::uint16_t>(cap28));
    PutWord(s, 61, static_cast<std::uint16_t>(cap28 >> 16));
    PutWord(s, 63, 0x0407);
    PutWord(s, 64, 0x0003);
    PutWord(s, 76, static_cast<std::uint16_t>(loader ? 0x0E : m.cfg.sataSpeedBits));
    PutWord(s, 80, 0x01F0);                        // ATA8-ACS and earlier
    PutWord(s, 82, 0x7469);                        // SMART, write cache, look-ahead, NOP
    PutWord(s, 83, 0x7501);                        // 48-bit, HPA, flush cache ext
    PutWord(s, 84, 0x4163);
    PutWord(s, 85, 0x7469);
    PutWord(s, 86, 0xB501);
    PutWord(s, 87, 0x4163);
    PutWord(s, 88, 0x407F);                        // UDMA 0..6 supported, 6 selected
    for (int w = 0; w < 4; ++w) PutWord(s, 100 + w, static_cast<std::uint16_t>(cap >> (16 * w)));
    PutWord(s, 106, 0x4000);
    PutWord(s, 217, m.cfg.rotationRate);           // 1: non-rotating medium
    SealIdentify(s);
    return s;
}

Sector BuildSmartData(const DriveModel& m) {
    Sector s = SmartPage(m, [](std::uint8_t* e, const SmartAttribute& a) {
        e[1] = 0x03;   // flags
        e[3] = a.value;
        e[4] = a.value;
        for (std::size_t i = 0; i < 6; ++i) e[5 + i] = static_cast<std::uint8_t>(a.raw >> (8 * i));
    });
    s[362] = 0x82;   // off-line data collection completed
    s[367] = 0x01;   // off-line capability
    PutWord(s, 184, 0x0003);   // bytes 368-369: SMART capability
    SealSmart(s);
    return s;
}

Sector BuildSmartThresholds(const DriveModel& m) {
    Sector s = SmartPage(m, [](std::uint8_t* e, const SmartAttribute& a) { e[1] = a.threshold; });
    SealSmart(s);
    return s;
}

}  // namespace qx::sim
