// The station window's own state around its settings pages: which settings
// file is current, the log folder, the part-list counts, the start-up image
// check's verdict and the firmware file texts. The main window owns one; the
// settings area and the run read it on the window thread.
#pragma once

#include <array>
#include <string>

namespace qx::station {

// What the firmware and program image checks found; rebuilt by each check.
struct FirmwareTexts {
    std::string SataBinName;         // chosen firmware file names, read by the run
    std::string UsbBinName;
    std::string GdpVersion;          // six digits, or empty
    std::string TestProgramVersion;
    std::string SataFwVersion;
    std::string SataHeaderText;      // eight characters, byte pairs swapped back
    std::string UsbFwVersion;
    std::string BinVariantCode;      // two characters; the run takes its integer value
    std::string BinInfoText;         // four characters
};

inline constexpr char kSettingsFileName[] = "QXMPTOOL.ini";
inline constexpr std::size_t kStatusPanelCount = 3;

struct SettingsWindowState {
    std::string ProgramFolder;       // ends with a separator
    int StartAllowed = 1;            // 0: a program image is missing, START stays off
    std::string IniPath;             // the current settings file
    std::string LogDir;              // log folder text, used as a file-name prefix
    int FlashVendorCount = 0;
    int FlashPartCount = 0;
    bool LargeCapacityFlag = false;  // binary capacity above 200 GB
    int SettingsUnlocked = 1;        // cleared by a load of a file with MPVersion set
    bool SpecialMode = false;        // engineering mode
    bool UseDefaultFirmwareName = false;
    int HotKeyState = 0;             // 7: the hidden mode was entered ("God Mode")
    int ChosenFlashCodeIndex = 0;    // part item kept while the vendor list is rebuilt
    // "Ignore Error": 0 a failing drive does not end a batch, 1 it does. Read
    // by the run at its start.
    int IgnoreErrorChoice = 0;
    FirmwareTexts Firmware;
    // Status bar panels 0 (flash choice), 1 (firmware files), 2 (versions).
    std::array<std::string, kStatusPanelCount> StatusPanels;
};

}  // namespace qx::station
