// The utility's main window without its widgets: the drive list, the refresh
// that reads the selected drive, the command-line words, the special mode
// and the buttons the refresh owns. Everything runs on the window thread;
// what one refresh changes lives here, never in process-wide state (the
// library's slot table and switches aside, which the utility drives one
// drive at a time).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qxlib/programs/info_page.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/settings/flash_config.h"
#include "utility/command_line.h"
#include "utility/device_entry.h"
#include "utility/device_scan.h"
#include "utility/page_set.h"
#include "utility/pages/smart_page.h"
#include "utility/utility_settings.h"

namespace qx {
struct GlobalParameter;
}

namespace qx::ui {
class Prompter;
}

namespace qx::utility {

class UtilityView;
struct SaveDialogState;

inline constexpr std::size_t kWorkBufferSize = 128 * 1024;

inline constexpr char kCaption[] = "Quorlix 843/844/840/847/849/849K/818/819 Utility A.1.51";
inline constexpr char kGdpFileName[] = "GDP.bin";
inline constexpr char kLoaderMessage[] = "FAIL!!!. The SSD doesn't run on system mode now.";
inline constexpr char kMissingFileMessage[] = "<WARNING> Can't find file : ";
inline constexpr char kNoCodeBlockMessage[] = "Can't find code block.";
inline constexpr char kNoBufferMessage[] = "Not enough memory to read the drive.";
inline constexpr char kScanFinishedMessage[] = "Device scan is finished";
inline constexpr char kSpecialModeMessage[] = "Enter Special mode";
inline constexpr char kRwTestPassMessage[] = "R/W Test successfully";
inline constexpr char kRwTestFailMessage[] = "R/W Test Fail";
inline constexpr char kDpdFtlFileName[] = "DPDFTL";

// What the command-line words did in the refreshes so far.
struct CommandOutcome {
    bool ReachedCommandLine = false;   // a refresh got as far as the words
    bool RwTestRan = false;
    bool RwTestPassed = false;
    bool DumpRan = false;
    bool DumpWritten = false;
    std::filesystem::path DumpPath;
};

struct UtilityEnvironment {
    std::filesystem::path ProgramFolder;        // Sondrel.ini, GDP.bin, the dump, the save dialog
    CommandLine Words;
    ScanOptions Scan;
    std::function<int()> Rescan;                 // the backend's device rescan; 0 or an error code
};

class MainFormLogic {
public:
    MainFormLogic(UtilityEnvironment env, UtilityView& view, ui::Prompter& prompter, PageSet& pages);
    ~MainFormLogic();

    // Window handlers.
    void FormShow();
    void ScanBnClick();
    // row: position in the list; its entry becomes the current device.
    void ListView1SelectItem(int row, bool selected);
    void UpdateInfo(std::uint8_t value);
    void RwTestBnClick();
    void DpdFTLSaveBnClick();
    void SpecialTipShapeMouseDown(bool ctrlDown);

    const DeviceListModel& List() const { return list_; }
    const DeviceTable& Entries() const { return entries_; }
    std::uint8_t CurrentDevice() const { return current_; }
    bool SpecialMode() const { return specialMode_; }
    std::uint8_t QueryDramLayout() const { return queryDramLayout_; }
    const UtilitySettings& Settings() const { return settings_; }
    const CommandOutcome& Outcome() const { return outcome_; }
    // What the SMART page shows, kept here rather than read back from the
    // window: a read keeps the rows it does not fill, a refresh empties them.
    SmartPage& Smart() { return smart_; }
    const UtilityEnvironment& Environment() const { return env_; }
    // The program folder as text, ending with '/'.
    std::string FolderText() const;
    // What a page button works with: the current drive (its tunnel loaded,
    // as for every drive operation), the work buffer and what the last
    // refresh read.
    PageContext CurrentDrive();

private:
    void ReadDrive(std::uint8_t device);
    void ReadSystemPages(std::uint8_t device, PageContext& ctx);
    void LoaderRoute(PageContext& ctx);
    void PaserCmdLine();
    PageContext Context(std::uint8_t device);

    UtilityEnvironment env_;
    UtilityView& view_;
    ui::Prompter& prompter_;
    PageSet& pages_;
    UtilitySettings settings_;
    DeviceTable entries_{};
    DeviceListModel list_;
    std::uint8_t current_ = 0;
    std::vector<std::uint8_t> workBuffer_;
    std::unique_ptr<FlashConfig> config_;
    std::unique_ptr<BinFileList> binFiles_;
    std::unique_ptr<SystemInfo> info_;
    std::unique_ptr<GlobalParameter> library_;
    std::unique_ptr<SaveDialogState> saveDialog_;   // the window's one save dialog
    bool specialMode_ = false;
    std::uint8_t queryDramLayout_ = 0;
    CommandOutcome outcome_;
    SmartPage smart_;
};

}  // namespace qx::utility
