#include "station/engineering/flash_page_reads.h"

#include <cstdio>
#include <span>

#include "qxlib/programs/program_boot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/vendor_access/va_flash_pages.h"
#include "station/engineering/hex_dump.h"
#include "ui/prompter.h"

namespace qx::station {

namespace {

constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kCustomBufferBytes = 128 * 1024;
constexpr char kSeparator[] = "-------------------------------------------------------------";

// Page 0 and pages 8 to 59 of a block hold code-block data written in the
// plain read mode; the rest follow the table pages' option bytes.
std::uint8_t QxSsdModeByte(const FlashConfig& c, unsigned page) {
    if (page == 0 || (page >= 8 && page <= 59)) return 1;
    return static_cast<std::uint8_t>(c.Options[13] * 2 + c.Options[4]);
}

// Parity bytes per 1 KB of a raw page, by ECC mode.
constexpr std::array<unsigned, 4> kParityPerKb{14, 28, 42, 70};

void ReadQxSsdPages(int slot, const FlashConfig& c, const FlashReadRequest& r, ChannelDumps& dumps,
                    ui::Prompter& prompter) {
    const std::size_t pageBytes = c.FlashGeometry.SectorsPerPage * kSectorBytes;
    std::vector<std::uint8_t> buffer(kMaxViewerChannels * pageBytes);
    std::uint32_t offset = 0;
    for (unsigned i = 0; i < r.PageCount; ++i) {
        const unsigned page = r.Page + i;
        std::fill(buffer.begin(), buffer.end(), 0);
        if (!VA_ReadFlashPages(slot, c, c.ChannelCount, r.Bank, r.Block, static_cast<std::uint16_t>(page), c.EccMode,
                               QxSsdModeByte(c, page), buffer, c.FlashGeometry.SectorsPerPage, false)) {
            prompter.Message("Read Page fail!");
            return;
        }
        for (int ch = 0; ch < c.ChannelCount; ++ch)
            AddHexDumpLines(dumps[static_cast<std::size_t>(ch)], buffer.data() + static_cast<std::size_t>(ch) * pageBytes,
                            pageBytes, offset);
        offset += static_cast<std::uint32_t>(pageBytes);
    }
}

void ReadCustomPages(int slot, const FlashConfig& c, const FlashReadRequest& r, ChannelDumps& dumps) {
    const std::size_t pageBytes = (c.FlashGeometry.SectorsPerPage / 2u) * (1028u + kParityPerKb[c.EccMode]);
    const std::size_t sectors = (pageBytes + kSectorBytes - 1) / kSectorBytes;
    std::vector<std::uint8_t> buffer(std::max(kCustomBufferBytes, sectors * kSectorBytes));
    std::uint32_t offset = 0;
    for (unsigned i = 0; i < r.PageCount; ++i) {
        const auto page = static_cast<std::uint16_t>(r.Page + i);
        for (int ch = 0; ch < c.ChannelCount; ++ch) {
            std::fill(buffer.begin(), buffer.end(), 0);
            if (!VA_GDP_ReadPages(slot, static_cast<std::uint8_t>(ch), r.Bank, r.Block, page, c.EccMode, 0,
                                  buffer.data(), static_cast<int>(sectors), c.FlashGeometry.SectorsPerPage))
                continue;
            auto& lines = dumps[static_cast<std::size_t>(ch)];
            lines.emplace_back(kSeparator);
            AddHexDumpLines(lines, buffer.data(), sectors * kSectorBytes, offset);
        }
        offset += static_cast<std::uint32_t>(sectors * kSectorBytes);
    }
}

}  // namespace

std::optional<ChannelDumps> ReadFlashPageDumps(int slot, const FlashConfig& config, const GlobalParameter& settings,
                                               const FlashReadRequest& request, ui::Prompter& prompter) {
    // Eight channel slices and four parity sizes are all the viewer knows.
    if (config.ChannelCount > kMaxViewerChannels ||
        (request.Mode == PageReadMode::Custom && config.EccMode >= kParityPerKb.size())) {
        prompter.Message("Invalid Read Flash Parameters");
        return std::nullopt;
    }
    if (request.PageCount > kMemoPageLimit) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "For performance issue, Read Flash Tool only support saving result to file when page count is "
                      "biger than %d",
                      kMemoPageLimit);
        prompter.Message(text);
    }
    std::vector<std::uint8_t> image(kCustomBufferBytes);
    std::uint8_t bootFlags = 0;
    if (!BootGdpProgram(slot, config, settings, image, &bootFlags, 0)) {
        prompter.Message("Load GDP fail");
        return std::nullopt;
    }
    ChannelDumps dumps;
    if (request.Mode == PageReadMode::QxSsd)
        ReadQxSsdPages(slot, config, request, dumps, prompter);
    else
        ReadCustomPages(slot, config, request, dumps);
    return dumps;
}

std::string FlashDataFileName(int channel, const FlashReadRequest& r) {
    char name[96];
    std::snprintf(name, sizeof name, "FlashData_Ch%d_Bank%d_Block%d_Page%d.txt", channel, r.Bank, r.Block, r.Page);
    return name;
}

std::pair<std::string, std::string> SplitSaveName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {path, ".txt"};
    return {path.substr(0, dot), path.substr(dot)};
}

std::string ChannelSaveName(const std::string& chosen, int channel, const FlashReadRequest& r) {
    const auto [base, ext] = SplitSaveName(chosen);
    return base + "_Ch" + std::to_string(channel) + "_Bank" + std::to_string(r.Bank) + "_Block" +
           std::to_string(r.Block) + "_Page" + std::to_string(r.Page) + ext;
}

std::string DiskDataProposedName(std::uint64_t lba) {
    char name[64];
    const auto high = static_cast<unsigned>(lba >> 32);
    const auto low = static_cast<unsigned>(lba & 0xFFFFFFFFu);
    if (high != 0)
        std::snprintf(name, sizeof name, "DiskData_LBA_%X%08X", high, low);
    else
        std::snprintf(name, sizeof name, "DiskData_LBA_%X", low);
    return name;
}

std::optional<std::vector<std::string>> ReadDiskSectorDump(int slot, const FlashConfig& config, long long lba,
                                                           long long count, ui::Prompter& prompter) {
    if (IsLoaderDevice(slot)) {
        std::vector<std::uint8_t> page(FirmwareModePageSize(config));
        if (EnterFirmwareMode(slot, config, page) != 1) {
            prompter.Message("Reload system firmware fail");
            return std::nullopt;
        }
        if (IsLoaderDevice(slot)) {
            prompter.Message("No system firmware");
            return std::nullopt;
        }
    }
    const long long capacity = GetDriveCapacity(slot);
    // A negative LBA or more sectors than the buffer holds is no request the
    // drive could answer.
    if (lba < 0 || count < 0 || count > kMaxSectorRead || lba >= capacity || count >= capacity ||
        lba + count >= capacity) {
        prompter.Message("Invalid Read Disk Parameters");
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kMaxSectorRead) * kSectorBytes);
    if (SCSI_Read10(slot, buffer.data(), static_cast<int>(count), static_cast<std::uint32_t>(lba)) != 1) {
        prompter.Message("Read Disk Sector fail");
        return std::nullopt;
    }
    std::vector<std::string> lines;
    AddHexDumpLines(lines, buffer.data(), static_cast<std::size_t>(count) * kSectorBytes, 0);
    return lines;
}

}  // namespace qx::station
