#include "utility/pages/smart_page.h"

#include <algorithm>
#include <cstring>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/utility_commands.h"
#include "qxlib/transport/vendor_builders.h"
#include "ui/prompter.h"
#include "utility/pages/page_text.h"
#include "utility/pages/saved_page_text.h"

namespace qx::utility {
namespace {

constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kEntries = 30;
constexpr std::size_t kEntryBytes = 12;
constexpr std::size_t kEntriesAt = 2;

struct AttributeName {
    std::uint8_t id;
    const char* name;
    const char* firmware11;     // code starting "11"
    const char* firmware3001;   // code "3001"
};

constexpr AttributeName kNames[] = {
    {0x01, "Read Error Rate", "Raw Read Error Rate", nullptr},
    {0x02, "Throughput Performance", nullptr, nullptr},
    {0x03, "Spin Up Time", nullptr, nullptr},
    {0x05, "Re-allocated Sector Count", nullptr, nullptr},
    {0x07, "Seek Error Rate", nullptr, nullptr},
    {0x08, "Seek Time Performance", nullptr, nullptr},
    {0x09, "Power-on Hours Count", nullptr, "Power-on hours"},
    {0x0A, "Spin Retry Count", nullptr, nullptr},
    {0x0C, "Drive Power Cycle Count", "Power Cycle Count", "Power cycle count"},
    {0xA3, "Max. erase count", nullptr, nullptr},
    {0xA4, "Avg. erase count", nullptr, nullptr},
    {0xA6, "Total later bad block count", nullptr, nullptr},
    {0xA7, "SSD Protect Mode", nullptr, nullptr},
    {0xA8, "SATA PHY Error Count", nullptr, nullptr},
    {0xA9, "Bad Block Count", nullptr, nullptr},
    {0xAA, "Max Bad Block Count", nullptr, nullptr},
    {0xAD, "Erase Count", nullptr, nullptr},
    {0xAF, "Bad Cluster Count", nullptr, "Bad Cluster Table Count"},
    {0xB1, "Wear Leveling Count", nullptr, nullptr},
    {0xB2, "Used Reserved Block Count (Worst Case)", nullptr, nullptr},
    {0xB5, "Program Fail Count (Total)", nullptr, nullptr},
    {0xB6, "Erase Fail Count (Total)", nullptr, nullptr},
    {0xB7, "SATA Interface Downshift", nullptr, nullptr},
    {0xB8, "End to End Error Detection/Correction Count", nullptr, nullptr},
    {0xBB, "Uncorrectable Error Count", nullptr, nullptr},
    {0xBC, "Average Erase Count", nullptr, nullptr},
    {0xBD, "Max Erase Count", nullptr, nullptr},
    {0xC0, "Unexpected Power Loss Count", "Unsafe Shutdown Count", "Unexpected Power Loss Count"},
    {0xC2, "Temperature", nullptr, nullptr},
    {0xC4, "Re-allocated Event Count", nullptr, nullptr},
    {0xC5, "Current Pending Sector Count", nullptr, nullptr},
    {0xC6, "Off-line Scan Uncorr. Sec. Count", nullptr, nullptr},
    {0xC7, "Ultra CRC Error Count", nullptr, nullptr},
    {0xE8, "Available Reserved Space", nullptr, nullptr},
    {0xF0, "Write Head", nullptr, nullptr},
    {0xF1, "Total LBA written", nullptr, "Total sectors of write"},
    {0xF2, "Total LBA read", nullptr, nullptr},
};
static_assert(std::size(kNames) == 37);

constexpr const char* kTitles[kSmartGridColumns] = {"ID",    "S.M.A.R.T. Attribute", "Flags", "Value",
                                                    "Worst", "Threshold",            "Raw Value"};

// One 12-byte entry of a SMART sector; bytes past the data read as 0.
struct Entry {
    std::array<std::uint8_t, kEntryBytes> b{};
    Entry(std::span<const std::uint8_t> sector, std::size_t i) {
        const std::size_t at = kEntriesAt + i * kEntryBytes;
        for (std::size_t k = 0; k < kEntryBytes; ++k) b[k] = at + k < sector.size() ? sector[at + k] : 0;
    }
    std::uint8_t Id() const { return b[0]; }
    unsigned Flags() const { return b[1] | b[2] << 8; }
    std::uint8_t Raw(std::size_t k) const { return b[5 + k]; }
    unsigned RawWord(std::size_t k) const { return Raw(2 * k) | Raw(2 * k + 1) << 8; }
};

void AddSummary(std::vector<std::string>& memo, const Entry& e) {
    const int w0 = static_cast<int>(e.RawWord(0));
    switch (e.Id()) {
        case 0x09: memo.push_back(Printf("Power on hour=%d", w0)); break;
        case 0x0C: memo.push_back(Printf("Power on count=%d", w0)); break;
        case 0xA7: memo.push_back(Printf("SSD Protect Mode=%d", e.Raw(0))); break;
        case 0xA8: memo.push_back(Printf("SATA phy error count=%d", w0)); break;
        case 0xA9:
            memo.push_back(Printf("Bad Block count=%d", w0));
            memo.push_back(Printf("Total bad number=%d", static_cast<int>(e.RawWord(1))));
            memo.push_back(Printf("Later bad number=%d", static_cast<int>(e.RawWord(2))));
            break;
        case 0xAD: memo.push_back(Printf("Erase count=%d", w0)); break;
        case 0xAF: memo.push_back(Printf("Bad cluster table count=%d", w0)); break;
        case 0xC0: memo.push_back(Printf("Unexpected power loss count=%d", w0)); break;
        case 0xC2:
            memo.push_back(Printf("Temperature: Current=%d  Min=%d  Max=%d", w0, static_cast<int>(e.RawWord(1)),
                                  static_cast<int>(e.RawWord(2))));
            break;
        default: break;
    }
}

}  // namespace

std::vector<std::string> SmartColumnSamples(std::size_t column) {
    if (column >= kSmartGridColumns) return {};
    std::vector<std::string> samples{kTitles[column]};
    constexpr const char* kCells[kSmartGridColumns] = {"FF", nullptr, "FFFF", "FF", "FF", "FF", "FF FF FF FF FF FF"};
    if (kCells[column]) samples.emplace_back(kCells[column]);
    if (column == 1)
        for (const AttributeName& n : kNames)
            for (const char* name : {n.name, n.firmware11, n.firmware3001})
                if (name) samples.emplace_back(name);
    return samples;
}

const char* SmartAttributeName(std::uint8_t id, const char* code) {
    const char safe[4] = {};
    const char* c = code ? code : safe;
    const bool is11 = std::strncmp(c, "1100", 2) == 0;
    const bool is3001 = std::strncmp(c, "3001", 4) == 0;
    for (const AttributeName& n : kNames) {
        if (n.id != id) continue;
        if (is11 && n.firmware11) return n.firmware11;
        if (is3001 && n.firmware3001) return n.firmware3001;
        return n.name;
    }
    return nullptr;
}

void FillSmartPage(SmartPage& page, std::span<const std::uint8_t> smart, std::span<const std::uint8_t> thresholds,
                   const char* firmwareCode) {
    SmartGrid& grid = page.StringGrid1;
    for (std::size_t col = 0; col < kSmartGridColumns; ++col) grid[0][col] = kTitles[col];
    std::size_t row = 1;
    for (std::size_t i = 0; i < kEntries; ++i) {
        const Entry e(smart, i);
        const char* name = SmartAttributeName(e.Id(), firmwareCode);
        if (!name) continue;
        // A 30th known attribute has no row left; it is neither shown nor saved.
        if (row >= kSmartGridRows) continue;
        const Entry t(thresholds, i);
        auto& cells = grid[row++];
        cells[0] = Printf("%2.2X", e.Id());
        cells[1] = name;
        cells[2] = Printf("%4.4X", e.Flags());
        cells[3] = Printf("%2.2X", e.b[3]);
        cells[4] = Printf("%2.2X", e.b[4]);
        cells[5] = Printf("%2.2X", t.b[1]);
        cells[6] = Printf("%2.2X %2.2X %2.2X %2.2X %2.2X %2.2X", e.Raw(5), e.Raw(4), e.Raw(3), e.Raw(2), e.Raw(1),
                          e.Raw(0));
    }
    page.SmartEccMemo.clear();
    page.SMARTMemo.clear();
    const unsigned low = smart.size() > 0 ? smart[0] : 0u;
    const unsigned high = smart.size() > 1 ? smart[1] : 0u;
    page.GroupBox4Caption = Printf("\nSMART (v%d.%d) information report :\n", low, high);
    for (std::size_t i = 0; i < kEntries; ++i) AddSummary(page.SMARTMemo, Entry(smart, i));
}

bool GetSMARTInfo(int slot, std::span<std::uint8_t> buffer, const char* firmwareCode, SmartPage& page) {
    if (!IsSlot(slot) || buffer.size() < kSectorBytes) return false;
    std::array<std::uint8_t, kSectorBytes> thresholds{};
    if (OnUsbPath(slot)) {
        if (VC_SYS_USB_GetSMARTInfo(slot, buffer.data(), 1) != 1) return false;
    } else {
        if (ATA_SmartEnableOperations(slot) != 1) return false;
        if (ATA_SmartReadData(slot, buffer.data(), 1) != 1) return false;
        if (ATA_SmartReadThresholds(slot, thresholds.data(), 1) != 1) return false;
    }
    FillSmartPage(page, buffer.first(kSectorBytes), thresholds, firmwareCode);
    return true;
}

std::vector<std::string> SmartReportLines(const SmartGrid& grid) {
    const std::string dashes(80, '-');
    std::vector<std::string> lines = {
        dashes, "ID  S.M.A.R.T Attribute           Flags   Value  Worst  Threshold  Raw Value", dashes};
    for (std::size_t row = 1; row < kSmartGridRows; ++row) {
        const auto& c = grid[row];
        if (c[0].empty()) continue;
        lines.push_back(Printf("%s  %-30s %-7s %-6s %-7s %-7s %-30s", c[0].c_str(), c[1].c_str(), c[2].c_str(),
                               c[3].c_str(), c[4].c_str(), c[5].c_str(), c[6].c_str()));
    }
    return lines;
}

std::string SmartReportFile(const SmartGrid& grid) { return SavedPageBytes(SmartReportLines(grid)); }

bool SaveSmartInfoBnClick(ui::Prompter& prompter, SaveDialogState& dialog, const std::string& programFolder,
                          const SmartGrid& grid) {
    return SavePageText(prompter, dialog, programFolder, "smart", SmartReportLines(grid));
}

bool ResetSmartInfoBnClick(int slot, ui::Prompter& prompter, std::span<std::uint8_t> buffer,
                           const char* firmwareCode, SmartPage& page) {
    struct Counter {
        std::uint8_t selector;
        const char* failure;
    };
    constexpr Counter kCounters[] = {
        {kSmartCounterPowerCycles, "Failed in reseting SMART(PowerCycleCount)"},
        {kSmartCounterPowerLosses, "Failed in reseting SMART(PowerLossCount)"},
        {kSmartCounterLifetime, "Failed in reseting SMART(LifeTimestamp)"},
    };
    // The USB path has no vendor command: a zero-headed block would reach
    // the drive and could be answered as done though nothing was reset.
    const bool usbPath = !IsSlot(slot) || OnUsbPath(slot);
    bool all = true;
    for (const Counter& c : kCounters) {
        const bool ok = !usbPath && buffer.size() >= kSectorBytes &&
                        VC_ResetSmartCounter(slot, c.selector, 0, buffer.data(), 1) == 1;
        if (!ok) {
            prompter.Message(c.failure);
            all = false;
        }
    }
    if (all) GetSMARTInfo(slot, buffer, firmwareCode, page);
    return all;
}

}  // namespace qx::utility
