#include "qxlib/programs/program_boot.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "qxlib/settings/flash_config.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/program_header.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kUdmaChunk = 64 * 1024;
constexpr std::size_t kPioChunk = 32 * 1024;
constexpr std::uint8_t kDownloadMode = 10;

// Names the per-download dumps; shared by all slots, wrapping at 256.
std::atomic<std::uint8_t> g_downloadCounter{0};

bool ReadImage(const std::string& path, std::vector<std::uint8_t>& image) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fread(image.data(), 1, image.size(), f);
    std::fclose(f);
    return true;
}

bool IsParameterImage(const std::vector<std::uint8_t>& image) {
    const std::uint8_t* tag = image.data() + kKindTagAt;
    return std::memcmp(tag, kDiagnosticTag, 4) == 0 || std::memcmp(tag, kTestTag, 4) == 0;
}

// Written whatever the dump switch says: engineers ask for it by its own setting.
void WriteModifiedImage(const std::vector<std::uint8_t>& image) {
    if (std::FILE* f = std::fopen("M_GDP.raw", "wb")) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
}

bool Boot(int slot, const FlashConfig& config, const GlobalParameter& settings, std::span<std::uint8_t> imageCopy,
          const std::string& path, std::uint32_t address) {
    return VA_EnableVendorCmd(slot, kDownloadMode) &&
           DownloadProgramImage(slot, config, settings, imageCopy, path, address) && VA_JumpToPRAM(slot);
}

bool BootWithFlags(int slot, const FlashConfig& config, const GlobalParameter& settings,
                   std::span<std::uint8_t> imageCopy, std::uint8_t* bootFlags, const std::string& path,
                   std::uint32_t address) {
    if (bootFlags) *bootFlags = 0;
    if (!Boot(slot, config, settings, imageCopy, path, address)) return false;
    if (bootFlags && config.HalfPages) *bootFlags = kBootFlagHalfPages;
    return true;
}

}  // namespace

bool DownloadProgramImage(int slot, const FlashConfig& config, const GlobalParameter& settings,
                          std::span<std::uint8_t> imageCopy, const std::string& path, std::uint32_t address) {
    std::vector<std::uint8_t> image(kProgramImageSize, kProgramImageFill);
    if (!ReadImage(path, image)) return false;
    if (IsParameterImage(image)) {
        PatchGdpParamArea(slot, config, settings, image);
        PatchMapTableBlock(slot, config, image, kMapTableVersion);
        std::copy_n(image.begin(), std::min(image.size(), imageCopy.size()), imageCopy.begin());
    }
    const std::size_t chunk = TransferModeOf(slot) == 2 ? kUdmaChunk : kPioChunk;
    const int sectors = static_cast<int>((chunk + kSector - 1) / kSector);
    for (std::size_t offset = 0; offset < image.size(); offset += chunk) {
        const auto at = static_cast<std::uint32_t>(address + offset);
        if (!VA_WriteCodeToMem(slot, image.data() + offset, sectors, at)) return false;
        VA_ReadCodeFromMem(slot, image.data() + offset, sectors, at);
    }
    char name[32];
    std::snprintf(name, sizeof name, "11_WCM_%2.2d.raw", g_downloadCounter.fetch_add(1));
    WriteDebugDump(slot, name, imageCopy.data(), std::min(imageCopy.size(), kProgramImageSize));
    WriteDebugDump(slot, "11_WCM.raw", image.data(), image.size());
    if (settings.EnBuildModifiedGDP) WriteModifiedImage(image);
    return true;
}

bool BootGdpProgram(int slot, const FlashConfig& config, const GlobalParameter& settings,
                    std::span<std::uint8_t> imageCopy, std::uint8_t* bootFlags, std::uint32_t address) {
    return BootWithFlags(slot, config, settings, imageCopy, bootFlags, GdpImagePath(), address);
}

bool BootOldGdpProgram(int slot, const FlashConfig& config, const GlobalParameter& settings,
                       std::span<std::uint8_t> imageCopy, std::uint8_t* bootFlags, std::uint32_t address) {
    return BootWithFlags(slot, config, settings, imageCopy, bootFlags, kOldGdpImageName, address);
}

bool BootTestProgram(int slot, const FlashConfig& config, const GlobalParameter& settings,
                     std::span<std::uint8_t> imageCopy, std::uint32_t address) {
    return Boot(slot, config, settings, imageCopy, TestImagePath(), address);
}

}  // namespace qx
