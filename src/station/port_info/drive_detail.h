// What the detail dialog shows of the drive on a port, read afresh from the
// drive: identity lines on the SATA path, USB identity strings on the USB
// path, the firmware information and whether the drive runs its loader.
// The read uses its own configuration records, never a run's copies.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "station/ports/port_tables.h"

namespace qx::station {

struct DriveDetail {
    std::vector<std::string> memoLines;   // DeviceInfoMemo
    bool loader = false;                  // "Loader Mode! " in place of the firmware information
    bool fwInfoRead = false;              // fwInfo was read (else FWInfoEdit keeps its text)
    std::string fwInfo;                   // FWInfoEdit
    // The hidden group's edits; each is set only when its read succeeded.
    bool capacityRead = false;
    std::string capacity;                 // CapEdit
    // Set once the memory image is read; the strings stay empty when the
    // image (a system firmware's header page) carries no USB identity block.
    bool usbStringsRead = false;
    std::string vid, pid, vendorName, productName, manufacturer, productString, serial;
};

inline constexpr char kIdentifyFailText[] = "Read Identify fail!";
inline constexpr char kLoaderModeText[] = "Loader Mode! ";

DriveDetail ReadDriveDetail(int port);

// The USB identity strings of the controller's memory image: a string
// descriptor at offset `at` gives (length byte - 2) / 2 characters, the low
// byte of each UTF-16 unit, at most maxChars; a length byte below 2 gives none.
std::string UsbDescriptorText(std::span<const std::uint8_t> image, std::size_t at, std::size_t maxChars);

// Which dialog the port's "?" button opens. While the port's worker runs, or
// an abandoned thread of it has not been joined, the button reads neither
// the drive nor the port's record and detail buffers: it shows a short note.
enum class PortDialog { None, BusyNote, Failure, Detail };
using PortBusy = std::function<bool(int port)>;
PortDialog ChoosePortDialog(int port, const PortBusy& portBusy,
                            const PortTableHandle& tables = StationPortTables());
std::string PortBusyNote(int port);

}  // namespace qx::station
