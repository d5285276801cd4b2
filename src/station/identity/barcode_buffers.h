// The bar codes the operator scans: which code the dialog asks for, for which
// port, and the buffers the answers go to. One BarcodeState lives with the
// station window; the device refresh, the dialog and the run read and write
// it on the window thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "qxlib/discovery/port_record.h"

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

enum BarcodeKind : int {
    kBarcodeNone = 0,
    kBarcodeSn = 1,      // serial number
    kBarcodeWwn = 2,     // WWN or UID
    kBarcodePpid = 3,    // customer part number
    kBarcodeSnPpid = 4,  // serial number and PPID
};

// Buffer sizes with their terminators: a serial number holds 39 characters,
// a WWN or UID 17 (as the port record's Wwn), a PPID 23.
inline constexpr std::size_t kBarcodeSnSize = 40;
inline constexpr std::size_t kBarcodeWwnSize = 18;
inline constexpr std::size_t kBarcodePpidSize = 25;
inline constexpr std::size_t kBarcodeSnChars = kBarcodeSnSize - 1;
inline constexpr std::size_t kBarcodeWwnChars = kBarcodeWwnSize - 1;
inline constexpr std::size_t kBarcodePpidChars = 23;

struct BarcodeState {
    // A per-port prompt of that kind is open (the Refresh button clears them).
    int SnPromptBusy = 0;
    int WwnPromptBusy = 0;
    int PpidPromptBusy = 0;
    int InputBoxKind = kBarcodeNone;
    int InputBoxPort = 0;
    // Shared mode: set when a run starts, cleared when a refresh finds no drive.
    std::uint8_t BarcodeEntered = 0;
    bool DialogVisible = false;   // the dialog is open (a nested refresh sees it)
    std::array<std::array<char, kBarcodeSnSize>, kPortCount> PortBarcodeSN{};
    std::array<std::array<char, kBarcodeWwnSize>, kPortCount> PortBarcodeWWN{};
    std::array<std::array<char, kBarcodePpidSize>, kPortCount> PortBarcodePPID{};
    std::array<char, kBarcodeSnSize> SharedBarcodeSN{};
    std::array<char, kBarcodePpidSize> SharedBarcodePPID{};
};

// Shared mode ([Setting] BarCodeInputMode 1): what the one shared prompt asks
// for, by EnBarCode and EnPPID; kBarcodeNone when neither is set.
BarcodeKind SharedBarcodeKind(const GlobalParameter& settings);

}  // namespace qx::station
