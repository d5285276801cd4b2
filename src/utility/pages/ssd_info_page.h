// The "SSD Info" page: the "SSD Setting" and "Flash Info" groups and
// SSDInfoMemo, from the configuration the drive's system information filled.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx {
struct FlashConfig;
struct SystemInfo;
}  // namespace qx

namespace qx::utility {

// Flash makers (rows 0..5), cell types (6, 7), ECC modes (8..11) and drive
// currents (12..19).
extern const std::array<const char*, 20> SsdInfoStringTable;

// A row of SsdInfoStringTable, or "?" for an index past it (a drive whose
// ECC mode or drive current is beyond the table).
const char* SsdInfoString(std::size_t row);

struct SsdInfoTexts {
    std::string FlashmodelEdit;
    std::string ChannelEdit;
    std::string CapacityEdit;
    std::string DriverEdit;
    std::string ResPerEdit;
    std::string EccReadEdit;
    std::string EccCopyEdit;
    std::string WearLevelingEdit;
    std::string BankMapEdit;
    std::string FwEdit;
    std::string SupportEdit1;
    std::string SupportEdit2;
    std::string FlashInfoEdit;
    std::string FlashTypeEdit;
    std::string BlockCeEdit;
    std::string PageBlockEdit;
    std::string CeEdit;
    std::vector<std::string> SSDInfoMemo;
};

// "F/W version : " and the printable pieces of the 64-byte firmware header,
// one comma wherever NUL bytes stood between (or before) them.
std::string FirmwareHeaderText(std::span<const std::uint8_t> header);

// The three characters of the firmware model at header offset 36.
bool HeaderModelIs(const SystemInfo& info, const char* model);

SsdInfoTexts ShowSSDInfo(const FlashConfig& config, const SystemInfo& info, std::uint32_t capacityMB);
// The same with the slot's capacity (GetCapacityMB).
SsdInfoTexts ShowSSDInfo(int slot, const FlashConfig& config, const SystemInfo& info);

}  // namespace qx::utility
