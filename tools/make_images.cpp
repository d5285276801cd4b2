// Writes the synthetic controller images the station loads into drives and
// the simulated drives accept: the diagnostic program "GDP.bin", the test
// program "satatest.bin", and the system firmware under every name the
// station can ask for with the parts of the flash part list ("SYS_####.bin")
// and under its default name "SYS_S.bin".
//
// The images carry only what the station and the drives read of them: the
// kind tag at 768, versions, controller family and model, variant,
// information text, the header page of the system firmware with its IDENTIFY
// template, and the checksum rule (the byte before the last is 0xA5, all
// other bytes add up to 0). The rest is filler that looks like code.
//
// Usage: make_images <output folder> <flash part list file>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_geometry.h"
#include "qxlib/settings/flash_name_code.h"
#include "station/flash_part_list.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A branch to the reset handler: what the loader checks at the start of code.
constexpr std::uint8_t kCodeStart[] = {0x18, 0xF0, 0x9F, 0xE5};

constexpr std::size_t kDiagnosticSize = 40 * 1024;
constexpr std::size_t kTestSize = 24 * 1024;
constexpr std::size_t kFirmwareSize = 32 * 1024;
constexpr std::size_t kParamAreaAt = 0x500;      // patched by the station, blank in the file
constexpr std::size_t kParamAreaEnd = 0x578;
constexpr std::size_t kIdentifyAt = 0x04C;       // IDENTIFY word w at 0x04C + 2w
constexpr std::size_t kHeaderAt = 0x300;
constexpr std::size_t kDriveFieldsAt = 0x500;    // header record, bank map, geometry: per drive
constexpr std::size_t kRemapRowsEnd = 0x8A0 + 384;

// Deterministic bytes that look like code.
Bytes Filler(std::size_t size, std::uint32_t seed) {
    Bytes b(size);
    for (auto& v : b) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<std::uint8_t>(seed >> 24);
    }
    std::memcpy(b.data(), kCodeStart, sizeof kCodeStart);
    return b;
}

void PutText(Bytes& b, std::size_t at, std::string_view text) { std::memcpy(&b[at], text.data(), text.size()); }

void PutWord(Bytes& b, int w, std::uint16_t v) {
    const std::size_t at = kIdentifyAt + 2 * static_cast<std::size_t>(w);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// An ATA string: two characters a word, the first in the high byte.
void PutAtaString(Bytes& b, int firstWord, int words, std::string_view text) {
    for (int i = 0; i < words; ++i) {
        const auto at = static_cast<std::size_t>(2 * i);
        const char hi = at < text.size() ? text[at] : ' ';
        const char lo = at + 1 < text.size() ? text[at + 1] : ' ';
        PutWord(b, firstWord + i, static_cast<std::uint16_t>(static_cast<std::uint8_t>(hi) << 8 | static_cast<std::uint8_t>(lo)));
    }
}

// The byte at size - 2 is 0xA5; the last byte makes all the others add up to 0.
void SealChecksum(Bytes& b) {
    b[b.size() - 2] = 0xA5;
    b.back() = 0;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (i != b.size() - 2) sum = static_cast<std::uint8_t>(sum + b[i]);
    b.back() = static_cast<std::uint8_t>(0x100 - sum);
}

// version: six digits; number: the controller family (last two digits of
// the model) and two more.
Bytes Program(std::string_view tag, std::string_view version, std::string_view number, std::size_t size,
              std::uint32_t seed) {
    Bytes b = Filler(size, seed);
    PutText(b, 768, tag);
    PutText(b, 772, version);
    PutText(b, 800, number);
    std::fill(b.begin() + kParamAreaAt, b.begin() + kParamAreaEnd, std::uint8_t{0});
    SealChecksum(b);
    return b;
}

// The defaults a drive answers IDENTIFY with until the station writes its
// identity: a SATA solid-state drive with 48-bit addressing, NCQ, TRIM and a
// world wide name. Capacity words are the running firmware's to fill.
void PutIdentifyTemplate(Bytes& b) {
    std::fill(b.begin() + kIdentifyAt, b.begin() + kIdentifyAt + 512, std::uint8_t{0});
    PutWord(b, 0, 0x0040);
    PutWord(b, 1, 16383);
    PutWord(b, 3, 16);
    PutWord(b, 6, 63);
    PutAtaString(b, 10, 10, "QX0000000000");
    PutAtaString(b, 23, 4, "QXS10301");
    PutAtaString(b, 27, 20, "Quorlix QXF84X SATA SSD");
    PutWord(b, 47, 0x8010);
    PutWord(b, 49, 0x2F00);
    PutWord(b, 53, 0x0007);
    PutWord(b, 59, 0x0110);
    PutWord(b, 63, 0x0007);
    PutWord(b, 64, 0x0003);
    for (int w = 65; w <= 68; ++w) PutWord(b, w, 120);
    PutWord(b, 75, 31);
    PutWord(b, 76, 0x070E);
    PutWord(b, 78, 0x0048);
    PutWord(b, 80, 0x01F0);
    PutWord(b, 82, 0x746B);
    PutWord(b, 83, 0x7D09);
    PutWord(b, 84, 0x6163);
    PutWord(b, 85, 0x7469);
    PutWord(b, 86, 0xBC01);
    PutWord(b, 87, 0x6163);
    PutWord(b, 88, 0x407F);
    PutWord(b, 106, 0x4000);
    PutWord(b, 108, 0x5000);
    PutWord(b, 169, 0x0001);
    PutWord(b, 217, 0x0001);
}

// The system firmware: its header page first (IDENTIFY template, firmware
// header "QXSS" with version, model 849 variant 43 and information text,
// blank drive fields), then code.
Bytes Firmware() {
    Bytes b = Filler(kFirmwareSize, 0x5153);
    PutIdentifyTemplate(b);
    std::fill(b.begin() + kHeaderAt, b.begin() + kHeaderAt + 64, std::uint8_t{0});
    PutText(b, kHeaderAt, "QXSS");
    PutText(b, 0x306, "103001");
    b[0x30D] = 'S';
    PutText(b, 0x324, std::string_view("849\0", 4));
    PutText(b, 0x329, "43");
    PutText(b, 0x330, "QXSD");
    std::fill(b.begin() + kDriveFieldsAt, b.begin() + kRemapRowsEnd, std::uint8_t{0});
    SealChecksum(b);
    return b;
}

// Every name the station builds for the listed parts with any channel and
// bank layout.
std::set<std::string> FirmwareNames(const qx::FlashPartList& list) {
    std::set<std::string> names{"SYS_S.bin"};
    for (const qx::FlashPartRecord& part : list.FlashPartTable) {
        for (const qx::FlashChannelBankRow& row : qx::FlashChannelBankTable()) {
            qx::FlashConfig config{};
            config.FlashTypeWord = static_cast<std::uint16_t>(part.FlashTypeWord);
            config.HalfPages = part.HalfPages;
            config.FlashModeFlag = static_cast<std::uint8_t>(part.FlashModeFlag);
            config.DieOffset = part.DieOffset;
            config.FlashInterface = part.FlashInterface;
            config.OnePlane = static_cast<std::uint8_t>(part.OnePlane);
            config.ChannelCount = row.Channels;
            config.BankCount = row.Banks;
            qx::DecodeFlashGeometry(config, config.FlashGeometry);
            char name[] = "SYS_####.bin";
            qx::BuildFlashNameCode(config, name);
            names.insert(name);
        }
    }
    return names;
}

bool Write(const std::filesystem::path& path, const Bytes& b) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_images <output folder> <flash part list file>\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const std::filesystem::path partList = argv[2];
    qx::FlashPartList list;
    if (!qx::LoadFlashPartList(partList.parent_path(), partList.filename().string(), list)) {
        std::fprintf(stderr, "make_images: cannot read the flash part list %s\n", partList.c_str());
        return 1;
    }
    std::filesystem::create_directories(out);
    bool ok = Write(out / "GDP.bin", Program("GDP_", "103001", "4901", kDiagnosticSize, 0x4744)) &&
              Write(out / "satatest.bin", Program("TST_", "101002", "4902", kTestSize, 0x5453));
    const Bytes firmware = Firmware();
    const std::set<std::string> names = FirmwareNames(list);
    for (const std::string& name : names) ok = ok && Write(out / name, firmware);
    if (!ok) {
        std::fprintf(stderr, "make_images: cannot write into %s\n", out.c_str());
        return 1;
    }
    std::printf("make_images: 2 programs and %zu firmware files in %s\n", names.size(), out.c_str());
    return 0;
}
