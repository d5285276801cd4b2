// The program images and firmware files in the program folder: the start-up
// check of "GDP.bin" and "satatest.bin", and the choice and check of the
// firmware files for the chosen flash. Messages go through the prompter.
#pragma once

namespace qx {
struct FlashConfig;
}
namespace qx::ui {
class Prompter;
}

namespace qx::station {

struct SettingsWindowState;

inline constexpr char kGdpImageName[] = "GDP.bin";
inline constexpr char kTestImageName[] = "satatest.bin";

// Sets the library's two image paths, reads their versions and clears
// StartAllowed when an image is missing; the check goes on after each message.
void CheckProgramImages(SettingsWindowState& state, ui::Prompter& prompter);

// Rebuilds the firmware texts for the checked interfaces from config (which
// must match the chosen part), checks the files' checksums unless in special
// mode, and renews status panels 1 and 2.
void ChooseFirmwareFiles(const FlashConfig& config, bool sata, bool usb, SettingsWindowState& state,
                         ui::Prompter& prompter);

}  // namespace qx::station
