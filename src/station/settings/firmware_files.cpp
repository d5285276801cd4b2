#include "station/settings/firmware_files.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>

#include "qxlib/programs/bin_file_header.h"
#include "qxlib/programs/image_files.h"
#include "qxlib/programs/program_paths.h"
#include "station/settings/firmware_names.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

// Byte positions of the texts in a program image or firmware file.
constexpr std::uint64_t kProgramVersionAt = 772;
constexpr std::uint64_t kFirmwareVersionAt = 774;
constexpr std::uint64_t kVariantAt = 809;
constexpr std::uint64_t kInfoAt = 816;
constexpr std::uint64_t kHeaderTextAt = 122;
constexpr std::size_t kHeaderTextLength = 8;

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The header text is stored with the bytes of each 16-bit word swapped.
std::string SwappedHeaderText(const std::string& path) {
    std::array<char, kHeaderTextLength + 1> bytes{};
    if (!ReadFileBytesAt(path, kHeaderTextAt, kHeaderTextLength, bytes)) return {};
    for (std::size_t i = 0; i + 1 < kHeaderTextLength; i += 2) std::swap(bytes[i], bytes[i + 1]);
    return std::string(bytes.data());
}

void CheckChecksum(const std::string& path, const SettingsWindowState& state, ui::Prompter& prompter) {
    if (state.SpecialMode || CheckBinFileChecksum(path)) return;
    prompter.Message("The " + path + " is a corrupt file, please check it.");
}

void CheckProgramImage(const std::string& path, const char* name, std::string& version, SettingsWindowState& state,
                       ui::Prompter& prompter) {
    if (Exists(path)) {
        version = ReadFileTextAt(path, kProgramVersionAt, 6);
        if (version.empty()) prompter.Message(std::string("The ") + name + " is a corrupt file, please check it.");
    } else {
        version.clear();
        prompter.Message("<WARNING> Can't find file : " + path);
        state.StartAllowed = 0;
    }
}

}  // namespace

void CheckProgramImages(SettingsWindowState& state, ui::Prompter& prompter) {
    const std::string gdp = state.ProgramFolder + kGdpImageName;
    SetGdpImagePath(gdp);
    CheckProgramImage(gdp, kGdpImageName, state.Firmware.GdpVersion, state, prompter);
    const std::string test = state.ProgramFolder + kTestImageName;
    SetTestImagePath(test);
    CheckProgramImage(test, kTestImageName, state.Firmware.TestProgramVersion, state, prompter);
}

void ChooseFirmwareFiles(const FlashConfig& config, bool sata, bool usb, SettingsWindowState& state,
                         ui::Prompter& prompter) {
    FirmwareTexts& f = state.Firmware;
    // Nothing of the previous part's files may survive into this choice.
    f.SataFwVersion.clear();
    f.UsbFwVersion.clear();
    f.BinInfoText.clear();
    f.BinVariantCode.clear();
    f.SataHeaderText.clear();

    const std::string name = SataFirmwareName(config, state.UseDefaultFirmwareName);
    if (sata) {
        f.SataBinName = name;
        const std::string path = state.ProgramFolder + name;
        if (Exists(path)) {
            f.BinInfoText = ReadFileTextAt(path, kInfoAt, 4);
            ReadBinFileHeader(path);
            f.SataFwVersion = ReadFileTextAt(path, kFirmwareVersionAt, 6);
            CheckChecksum(path, state, prompter);
            f.BinVariantCode = ReadFileTextAt(path, kVariantAt, 2);
            f.SataHeaderText = SwappedHeaderText(path);
        }
    }
    if (usb) {
        f.UsbBinName = UsbFirmwareName(name);
        const std::string path = state.ProgramFolder + f.UsbBinName;
        if (Exists(path)) {
            f.BinInfoText = ReadFileTextAt(path, kInfoAt, 4);
            f.UsbFwVersion = ReadFileTextAt(path, kFirmwareVersionAt, 6);
            CheckChecksum(path, state, prompter);
            f.BinVariantCode = ReadFileTextAt(path, kVariantAt, 2);
        }
    }
    state.StatusPanels[1] = FirmwarePanelText(f, sata, usb);
    const std::string gdp = GdpImagePath();
    state.StatusPanels[2] = VersionPanelText(std::filesystem::path(gdp).filename().string(), f);
}

}  // namespace qx::station
