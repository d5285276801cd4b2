#include "utility/pages/fw_debug_log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "qxlib/base/byte_order.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/utility_commands.h"
#include "qxlib/transport/vendor_builders.h"
#include "ui/prompter.h"
#include "platform/file_bytes.h"
#include "utility/pages/page_text.h"

namespace qx::utility {
namespace {

constexpr std::uint8_t kLineEnd = 0xEA;
constexpr std::uint8_t kCodeMemory = 3;
constexpr std::uint32_t kMaxLogBytes = 128 * 1024;
constexpr int kMaxChunkSectors = 128;
constexpr int kLayoutSectors = 128;
constexpr std::size_t kSpiHeaderBytes = 512;
constexpr std::size_t kSpiErrLogBytes = 2048;
constexpr std::size_t kSpiUartLogBytes = 8192;
constexpr std::size_t kErrIndexAt = 16;
constexpr std::size_t kErrHeadMarkAt = 26;

constexpr const char* kSpiTags[] = {"QX849V00-001", "QX849V00-002", "QX849V00-003"};
constexpr const char* kLayoutNames[] = {
    "SysInfoAddr",   "SysInfoSize",   "EraseCountAddr", "EraseCountSize",
    "DbgErrLogAddr", "DbgErrLogSize", "DbgUartLogAddr", "DbgUartLogSize",
};

// Controller memory in pieces one vendor read carries; false on any failure.
bool ReadMemoryPieces(int slot, std::uint32_t address, std::span<std::uint8_t> into) {
    const auto sectors = static_cast<int>(into.size() / 512);
    if (sectors == 0) return false;
    for (int done = 0; done < sectors;) {
        const int chunk = std::min(kMaxChunkSectors, sectors - done);
        const std::size_t at = static_cast<std::size_t>(done) * 512;
        if (VC_ReadMemory(slot, kCodeMemory, address + static_cast<std::uint32_t>(at), into.data() + at, chunk) != 1)
            return false;
        done += chunk;
    }
    return true;
}

struct SpiHeader {
    std::uint32_t errOffset, errLength, uartOffset, uartLength;
};

// Mode 2's preparation: the GDP program and the SPI area's header.
bool BootAndReadSpiHeader(int slot, FlashConfig& config, const GlobalParameter& settings,
                          std::span<std::uint8_t> buffer, SpiHeader& header) {
    config.FlashTypeWord = 0x2813;
    config.ChannelCount = 4;
    config.BankCount = 4;
    config.FlashGeometry.SectorsPerPage = 32;
    std::uint8_t flags = 0;
    if (!BootGdpProgram(slot, config, settings, buffer, &flags, 0)) return false;
    std::fill_n(buffer.begin(), kSpiHeaderBytes, std::uint8_t{0});
    if (VC_ReadSpiData(slot, buffer.data(), 0, kSpiHeaderBytes, 1) != 1) return false;
    WriteDebugDump(slot, "SPI.raw", buffer.data(), kSpiHeaderBytes);
    if (!IsSpiLogTag(buffer)) return false;
    DebugPrint("%.12s", reinterpret_cast<const char*>(buffer.data()));
    header = {get_le32(&buffer[20]), get_le32(&buffer[24]), get_le32(&buffer[28]), get_le32(&buffer[32])};
    return true;
}

LogPlaces QueryPlaces(int slot, bool query, std::span<std::uint8_t> buffer) {
    // The USB path carries no vendor command: the defaults hold there.
    if (!query || OnUsbPath(slot) || VC_GetDramLayoutInfo(slot, buffer.data(), kLayoutSectors) != 1) return {};
    const DramLayoutInfo layout = ParseDramLayoutInfo(buffer);
    for (std::size_t i = 0; i < std::size(kLayoutNames); ++i)
        DebugPrint("pDramLayoutInfo->%s = %x", kLayoutNames[i], layout[i + 1]);
    return LogPlacesOf(layout);
}

}  // namespace

DramLayoutInfo ParseDramLayoutInfo(std::span<const std::uint8_t> reply) {
    DramLayoutInfo layout{};
    for (std::size_t i = 0; i < layout.size() && 4 * i + 4 <= reply.size(); ++i) layout[i] = get_le32(&reply[4 * i]);
    return layout;
}

LogPlaces LogPlacesOf(const DramLayoutInfo& layout) {
    LogPlaces places;
    const auto usable = [](std::uint32_t size) { return size > 0 && size <= kMaxLogBytes; };
    if (usable(layout[6])) {
        places.errLogAddr = layout[5];
        places.errLogSize = layout[6];
    }
    if (usable(layout[8])) {
        places.uartLogAddr = layout[7];
        places.uartLogSize = layout[8];
    }
    return places;
}

std::uint32_t UartRingStart(std::span<const std::uint8_t> header) {
    if (header.size() < kErrHeadMarkAt + 2 || get_le16(&header[kErrHeadMarkAt]) == 0) return 0;
    return get_le32(&header[kErrIndexAt]);
}

bool IsSpiLogTag(std::span<const std::uint8_t> header) {
    if (header.size() < 12) return false;
    return std::any_of(std::begin(kSpiTags), std::end(kSpiTags),
                       [&](const char* tag) { return std::memcmp(header.data(), tag, 12) == 0; });
}

std::vector<std::string> DecodeUartRing(std::span<const std::uint8_t> ring, std::uint32_t start) {
    std::vector<std::string> lines;
    std::string line;
    const std::size_t size = ring.size();
    const std::size_t first = start < size ? start : 0;
    const auto at = [&](std::size_t p) { return ring[p % size]; };
    for (std::size_t p = first; p < first + size;) {
        const std::uint8_t b = at(p);
        if (b != kLineEnd) {
            AppendChar(line, b);
            ++p;
            continue;
        }
        lines.push_back(std::move(line));
        const unsigned v1 = at(p + 1) | at(p + 2) << 8;
        const unsigned v2 = at(p + 3) | at(p + 4) << 8;
        line = Printf("[%4.4d, %4.4d]", v1, v2);
        p += 5;
    }
    lines.push_back(std::move(line));
    return lines;
}

FwDebugLogPage ShowFWDebugMessage(int slot, std::uint8_t mode, bool queryDramLayout, FlashConfig& config,
                                  const GlobalParameter& settings, std::span<std::uint8_t> buffer,
                                  ui::Prompter& prompter) {
    FwDebugLogPage page;
    page.TabSheet8Visible = true;
    if (buffer.size() < kMaxLogBytes) return page;
    SpiHeader spi{};
    if (mode == 2 && !BootAndReadSpiHeader(slot, config, settings, buffer, spi)) {
        prompter.Message("SPI TAG is error");
        return page;
    }
    const LogPlaces places = QueryPlaces(slot, queryDramLayout, buffer);

    bool errOk = false;
    if (mode == 2) {
        errOk = VC_ReadSpiData(slot, buffer.data(), spi.errOffset, spi.errLength, 4) == 1;
        WriteDebugDump(slot, "SPI_LogError.raw", buffer.data(), kSpiErrLogBytes);
    } else {
        errOk = ReadMemoryPieces(slot, places.errLogAddr, buffer.first(places.errLogSize / 512 * 512));
    }
    std::uint32_t start = 0;
    if (errOk) {
        DebugPrint("pDbgErrLog->dwDbgLogIdx = %x", get_le32(&buffer[kErrIndexAt]));
        DebugPrint("pDbgErrLog->wDbgLogHeadMark = %x", unsigned{get_le16(&buffer[kErrHeadMarkAt])});
        start = UartRingStart(buffer);
    }

    std::size_t ringBytes = 0;
    bool uartOk = false;
    if (mode == 2) {
        uartOk = VC_ReadSpiData(slot, buffer.data(), spi.uartOffset, spi.uartLength, 16) == 1;
        WriteDebugDump(slot, "SPI_UartLog.raw", buffer.data(), kSpiUartLogBytes);
        ringBytes = std::min<std::size_t>(places.uartLogSize, kSpiUartLogBytes);
    } else {
        ringBytes = places.uartLogSize / 512 * 512;
        uartOk = ReadMemoryPieces(slot, places.uartLogAddr, buffer.first(ringBytes));
    }
    if (!uartOk) return page;
    const auto ring = buffer.first(ringBytes);
    page.UartLogMemo = DecodeUartRing(ring, start);
    WriteDebugDump(slot, "ErrLog.raw", ring.data(), ring.size());
    return page;
}

FwDebugLogPage ReadFwDebugMsgGDPClick(int slot, const std::string& programFolder, bool queryDramLayout,
                                      FlashConfig& config, const GlobalParameter& settings,
                                      std::span<std::uint8_t> buffer, ui::Prompter& prompter) {
    std::string path = programFolder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += "GDP.bin";
    SetGdpImagePath(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        prompter.Message("<WARNING> Can't find file : " + path);
        return {};
    }
    return ShowFWDebugMessage(slot, 2, queryDramLayout, config, settings, buffer, prompter);
}

bool DecodeLogFile(const std::string& inputName, const std::string& outputName) {
    // A folder, a file without read permission or a read error gives no
    // bytes, never an exception.
    std::optional<std::string> bytes = platform::ReadFileBytes(inputName);
    // The output exists afterwards in every case, empty when nothing was read.
    std::ofstream out(outputName, std::ios::binary | std::ios::trunc);
    if (!out || !bytes) return false;
    for (char& c : *bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    return !out.fail();
}

void DecodeLogFileBnClick(ui::Prompter& prompter, OpenDialogState& dialog, const std::string& programFolder) {
    if (dialog.initialFolder.empty()) dialog.initialFolder = programFolder;
    ui::FileRequest request;
    request.kind = ui::FileDialogKind::Open;
    request.folder = dialog.initialFolder;
    request.defaultExt = "*.*";
    request.filter = "log file(*.*)|*.*";
    const std::optional<std::string> chosen = prompter.File(request);
    if (!chosen) return;
    const std::string output = *chosen + ".decode";
    if (DecodeLogFile(*chosen, output))
        prompter.Message(Printf("Decode the encryptfile to the file (%s) successfully", output.c_str()));
    else
        prompter.Error(Printf("Can't decode the file (%s) to the file (%s)", chosen->c_str(), output.c_str()));
}

}  // namespace qx::utility
