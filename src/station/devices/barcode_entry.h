// The bar-code prompts the device refresh opens: which code is asked for,
// for which port, and the buffers the answers go to. One BarcodeState lives
// with the station window; the refresh and the run read and write it on the
// window thread only.
#pragma once

#include <array>
#include <cstdint>

#include "qxlib/discovery/port_record.h"

namespace qx {
struct GlobalParameter;
}
namespace qx::ui {
class Prompter;
}

namespace qx::station {

enum BarcodeKind : int {
    kBarcodeNone = 0,
    kBarcodeSn = 1,
    kBarcodeWwn = 2,
    kBarcodePpid = 3,
    kBarcodeSnPpid = 4,
};

inline constexpr std::size_t kBarcodeSnSize = 40;
inline constexpr std::size_t kBarcodeWwnSize = 18;
inline constexpr std::size_t kBarcodePpidSize = 25;

struct BarcodeState {
    // A per-port prompt of that kind is open (the Refresh button clears them).
    int SnPromptBusy = 0;
    int WwnPromptBusy = 0;
    int PpidPromptBusy = 0;
    int InputBoxKind = kBarcodeNone;
    int InputBoxPort = 0;
    // Shared mode: set before a run, cleared when a refresh finds no drive.
    std::uint8_t BarcodeEntered = 0;
    bool DialogVisible = false;   // the dialog is open (a nested refresh sees it)
    std::array<std::array<char, kBarcodeSnSize>, kPortCount> PortBarcodeSN{};
    std::array<std::array<char, kBarcodeWwnSize>, kPortCount> PortBarcodeWWN{};
    std::array<std::array<char, kBarcodePpidSize>, kPortCount> PortBarcodePPID{};
    std::array<char, kBarcodeSnSize> SharedBarcodeSN{};
    std::array<char, kBarcodePpidSize> SharedBarcodePPID{};
};

// Shared mode ([Setting] BarCodeInputMode 1): what the one shared prompt
// asks for, by EnBarCode and EnPPID; kBarcodeNone when neither is set.
BarcodeKind SharedBarcodeKind(const GlobalParameter& settings);

// Shows the bar-code dialog for state.InputBoxKind and state.InputBoxPort,
// modally, and stores what OK brings into the buffers and the port's active
// record. Cancel stores nothing. A text longer than its buffer is refused
// (traced, stored empty), so the next refresh asks again.
void ShowBarcodeDialog(ui::Prompter& prompter, BarcodeState& state, const GlobalParameter& settings);

}  // namespace qx::station
