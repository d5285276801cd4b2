// The USB topology walker: numbers every hub port from the root hubs down
// through external hubs and fills the scan table's record of each port that
// holds a device. The numbers are the station's port numbers, which the
// panels and their saved layout rely on: an external hub walks with the
// base of the hub that holds it, so its port k shares a number with port k
// of that hub, and the hub's later ports shift by the external hub's count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/usb_tree.h"
#include "qxlib/discovery/port_record.h"

namespace qx {

inline constexpr int kMaxHubInterfaces = 80;
inline constexpr std::size_t kMaxHubPathLength = 255;
inline constexpr std::size_t kMaxHubNameLength = 252;   // with "\\.\" in front

// One walk's state: the number of port 1 of the hub being walked, and the
// sum of the port counts of every hub walked (the scan's result).
struct UsbWalk {
    int portBase = 0;
    int portTotal = 0;
};

// Walks every USB 2.0/3.0 root hub and fills ScanPortTable (which the caller
// has cleared). Returns the port total; 0 when no hub list was obtained.
int ScanUsbTopology();

// 0, or the system error code when the hub cannot be opened or read.
int WalkRootHub(UsbWalk& walk, std::string_view hubPath);
void GetPortData(UsbWalk& walk, platform::UsbHub& hub, int portCount, int depth);

// Fill the vendor, product and serial fields of the port's record; each
// returns the language ID in use, carried on to the next request of the port.
std::uint16_t DisplayDeviceDescriptor(platform::UsbHub& hub, int port, std::uint16_t languageId,
                                      const std::uint8_t* descriptor, PortRecord& record);
std::uint16_t GetStringDescriptorText(platform::UsbHub& hub, int port, std::uint16_t languageId,
                                      std::uint8_t index, std::string& text);
std::uint16_t DisplayStringDescriptor(platform::UsbHub& hub, int port, std::uint16_t languageId,
                                      std::uint8_t index);
std::uint16_t DisplayConfigurationDescriptor(platform::UsbHub& hub, int port, std::uint16_t languageId);

std::optional<std::string> GetDriverKeyName(platform::UsbHub& hub, int port);
// UTF-16 to the system's narrow code page (UTF-8); none for an empty text.
std::optional<std::string> WideToAnsiAlloc(std::u16string_view wide);
// Device instance ID of the node with this driver key, or none.
std::optional<std::string> FindDevNodeByDriverKey(std::string_view driverKey);

}  // namespace qx
