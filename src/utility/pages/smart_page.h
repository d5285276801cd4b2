// The "S.M.A.R.T info" page: the attribute grid with names by firmware code,
// the summary lines and caption, the saved report and the reset of three
// counters.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx::ui {
class Prompter;
}

namespace qx::utility {

struct SaveDialogState;

inline constexpr std::size_t kSmartGridRows = 30;   // row 0 the titles
inline constexpr std::size_t kSmartGridColumns = 7;
using SmartGrid = std::array<std::array<std::string, kSmartGridColumns>, kSmartGridRows>;

struct SmartPage {
    SmartGrid StringGrid1;
    std::vector<std::string> SmartEccMemo;
    std::vector<std::string> SMARTMemo;
    std::string GroupBox4Caption;
};

// The widest texts column c of the grid can hold: its title and, for the
// name column, every attribute name and variant; for the others a sample of
// their fixed-width cells. The window sizes its columns so none is cut.
std::vector<std::string> SmartColumnSamples(std::size_t column);

// Column 1 of a known attribute for the running firmware's code (the four
// characters of HeaderInfoText); nullptr for an ID the page does not list.
const char* SmartAttributeName(std::uint8_t id, const char* firmwareCode);

// Fills the page from the 512-byte SMART data and threshold sectors: title
// row, one packed row per known attribute (rows past the grid are dropped,
// rows after the last one keep what they held), caption and summary lines.
void FillSmartPage(SmartPage& page, std::span<const std::uint8_t> smart, std::span<const std::uint8_t> thresholds,
                   const char* firmwareCode);

// Reads the slot's SMART data (SATA: enable, data, thresholds; USB: the
// vendor SMART page, thresholds all zero) into buffer and fills the page.
// False, with the page unchanged, when a read fails.
bool GetSMARTInfo(int slot, std::span<std::uint8_t> buffer, const char* firmwareCode, SmartPage& page);

// The saved report's lines (header and one line per row with an ID).
std::vector<std::string> SmartReportLines(const SmartGrid& grid);
// The report's file bytes: every line ends in CR LF.
std::string SmartReportFile(const SmartGrid& grid);

// "Save Smart Info": the save dialog (name "smart"), then the report.
bool SaveSmartInfoBnClick(ui::Prompter& prompter, SaveDialogState& dialog, const std::string& programFolder,
                          const SmartGrid& grid);

// "Reset Smart Info": sets the power-cycle count, power-loss count and
// lifetime stamp to 0, one message per failure, and reads the page again
// when all three succeeded. A USB-path slot carries no vendor command, so
// there nothing is sent and all three failures are shown. True when the
// three resets succeeded.
bool ResetSmartInfoBnClick(int slot, ui::Prompter& prompter, std::span<std::uint8_t> buffer,
                           const char* firmwareCode, SmartPage& page);

}  // namespace qx::utility
