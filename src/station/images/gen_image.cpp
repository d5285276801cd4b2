#include "station/images/gen_image.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "qxlib/base/byte_order.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/transport/pass_through.h"
#include "station/images/ghost_image.h"
#include "station/images/used_space.h"

namespace qx::station {
namespace {

constexpr const char* kFailText = "Dump Image Fail";
constexpr std::uint32_t kBootSectorAlt = 63;

// Used space of the reference volume: what the mounted file system says;
// an unmounted FAT32 volume counts its clusters in use, since "nothing
// used" would capture the FAT area alone and miss the files.
std::uint64_t ReferenceUsedMB(const char* diskPath, std::span<const std::uint8_t> bootSector, std::uint32_t bootLba) {
    std::string node;
    if (FindDriveLetterOfDisk(diskPath, &node) && platform::DeviceNodes().Usage(node)) return GetUsedSpaceMB(node);
    if (const auto fat = ParseFat32BootSector(bootSector))
        if (const auto used = Fat32UsedBytes(diskPath, bootLba, *fat)) return (*used >> 20) + 1;
    return GetUsedSpaceMB({});
}

}  // namespace

std::uint32_t CaptureSizeMB(const char* diskPath, std::span<const std::uint8_t> bootSector, std::uint32_t bootLba,
                            std::uint64_t* usedMB) {
    const bool exfat = std::memcmp(&bootSector[3], "EXFAT", 5) == 0;
    // FAT32 keeps its FAT size in 32 bits; a FAT above 65,535 sectors read
    // as 16 bits would leave data out of the capture.
    const std::uint32_t fatSectors = exfat ? get_le16(&bootSector[88]) : get_le32(&bootSector[36]);
    *usedMB = ReferenceUsedMB(diskPath, bootSector, bootLba);
    return static_cast<std::uint32_t>(((std::uint64_t{fatSectors} * 2 + 95) >> 11) + *usedMB);
}

void GenImage(ui::Prompter& prompter, std::span<const PortRecord> ports, const std::string& programFolder) {
    const std::string suggested = (std::filesystem::path(programFolder) / "QXSSD.img").string();
    const auto chosen = prompter.Input({"Image Path", "Please Input Path of Dump Image", suggested, false});
    if (!chosen) {
        prompter.Message(kFailText);
        return;
    }
    for (const PortRecord& rec : ports) {
        if (rec.Present != 1) continue;
        const char* path = rec.DiskPath;
        std::vector<std::uint8_t> buffer(kImageChunkBytes, 0);
        std::uint32_t bootLba = 0;
        bool ok = ReadSectorsSCSI(path, buffer.data(), 0, kImageChunkBytes) == 1;
        if (buffer[0] != 0xEB) {
            bootLba = kBootSectorAlt;
            ok = ReadSectorsSCSI(path, buffer.data(), bootLba, kImageChunkBytes) == 1;
        }
        if (!ok) {
            prompter.Message(kFailText);
            return;
        }
        std::uint64_t usedMB = 0;
        const std::uint32_t sizeMB = CaptureSizeMB(path, buffer, bootLba, &usedMB);
        // A failed capture leaves a partial file that must not pass for an image.
        if (!ReadGhostImg(path, chosen->c_str(), sizeMB)) {
            prompter.Message(kFailText);
            return;
        }
        prompter.Message("Dump " + std::to_string(usedMB) + "MB image to " + *chosen + " successfully");
        return;
    }
}

}  // namespace qx::station
