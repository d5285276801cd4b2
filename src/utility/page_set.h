// The page operations the refresh calls, one method per operation, in the
// order the refresh calls them. Each fills its page's controls through the
// view from what it is handed; none of them chooses what is read next.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qx {
struct BinFileList;
struct FlashConfig;
struct GlobalParameter;
struct SystemInfo;
namespace ui {
class Prompter;
}
}  // namespace qx

namespace qx::utility {

class UtilityView;
struct SaveDialogState;
struct UtilitySettings;

// Firmware log sources of ShowFWDebugMessage.
inline constexpr int kLogsFromMemory = 1;    // controller memory, firmware running
inline constexpr int kLogsThroughGdp = 2;    // SPI flash through the diagnostic program

struct PageContext {
    int Device = 0;                          // slot and entry of the drive being read
    std::span<std::uint8_t> WorkBuffer;      // the 128 KB device-data buffer; each step overwrites it
    FlashConfig& Config;                     // filled by the system-information read
    BinFileList& BinFiles;
    SystemInfo& Info;
    const UtilitySettings& Settings;
    // The library's settings record: the utility reads no station settings
    // file, so it holds its defaults (program boots and tests read it).
    const GlobalParameter& LibrarySettings;
    std::uint8_t QueryDramLayout = 0;        // 1: ask the firmware for its DRAM layout
    std::string ProgramFolder;               // ends with '/'
    UtilityView& View;
    ui::Prompter& Prompter;
    SaveDialogState& SaveDialog;             // the window's one save dialog, shared by every page save
};

class PageSet {
public:
    virtual ~PageSet() = default;
    virtual void ParseInfo(PageContext& ctx) = 0;              // Device Info, SATA path
    virtual void ParseUSBInfo(PageContext& ctx) = 0;           // Device Info, USB path
    virtual void ShowSSDInfo(PageContext& ctx) = 0;            // SSD Info
    virtual void ProcessBadBlockInfo(PageContext& ctx) = 0;    // Bad Block Info; writes the bad-block map
    virtual void GetEraseCount(PageContext& ctx) = 0;          // Erase Count; reads the bad-block map
    // Firmware logs (mode kLogsFromMemory or kLogsThroughGdp); shows the
    // "Uart Log of F/W" page.
    virtual void ShowFWDebugMessage(PageContext& ctx, int mode) = 0;
};

// Fills nothing; shows the log page as the log operation does. Used until
// the pages are wired in.
class EmptyPageSet final : public PageSet {
public:
    void ParseInfo(PageContext&) override {}
    void ParseUSBInfo(PageContext&) override {}
    void ShowSSDInfo(PageContext&) override {}
    void ProcessBadBlockInfo(PageContext&) override {}
    void GetEraseCount(PageContext&) override {}
    void ShowFWDebugMessage(PageContext& ctx, int mode) override;
};

}  // namespace qx::utility
