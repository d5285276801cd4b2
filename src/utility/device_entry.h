// What the device scan leaves for every later read: one entry per listed
// device, the rows of the drive list (each row knows its entry) and the lines
// of the hidden device combo box.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "qxlib/transport/device_slot.h"

namespace qx::utility {

inline constexpr int kEntryCount = 16;
// Every listed device needs a slot of the same index.
inline constexpr int kMaxDevices = kSlotCount;
inline constexpr int kMaxPaths = 80;
inline constexpr std::size_t kPathSize = 256;
inline constexpr std::size_t kIdentifySize = 512;

enum BusType : int { kBusNone = 0, kBusIdeSata = 1, kBusScsi = 2, kBusUsb = 3 };

// IDENTIFY fields the list shows.
inline constexpr std::size_t kSerialAt = 20, kSerialLength = 20;
inline constexpr std::size_t kFirmwareAt = 46, kFirmwareLength = 8;
inline constexpr std::size_t kModelAt = 54, kModelLength = 40;

struct DeviceInfoEntry {
    std::array<char, kPathSize> Path{};          // lower case, NUL-terminated
    std::array<std::uint8_t, kIdentifySize> Identify{};
    int BusType = kBusNone;
    std::array<char, 9> InquiryVendor{};
    std::array<char, 17> InquiryProduct{};
    // The vendor-data tunnel the probe chose for this device; every later
    // read of the device puts it back on its slot first, so nothing done on
    // the slot since the scan changes how this drive is spoken to.
    std::uint8_t TransferMode = 2;
};

using DeviceTable = std::array<DeviceInfoEntry, kEntryCount>;

enum ListColumn : std::size_t { kColDisk, kColModel, kColSerial, kColFirmware, kColCapacity, kColInterface, kColumnCount };

struct DeviceRow {
    int Entry = 0;                                   // index in the table and slot number
    std::array<std::string, kColumnCount> Columns;   // "Disk" .. "Interface"
};

struct DeviceListModel {
    std::vector<DeviceRow> Rows;        // ListView1
    std::vector<std::string> Lines;     // DeviceList
};

}  // namespace qx::utility
