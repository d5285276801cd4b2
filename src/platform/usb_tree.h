// The USB tree: root hubs, hub ports, connection state, descriptors and the
// driver key of the device on a port. Shaped after the hub requests the
// topology walker makes; a hub is opened per walk and closed right after.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx::platform {

// What a hub reports about one of its ports.
enum class UsbConnectionStatus : std::uint8_t {
    NoDevice = 0,
    DeviceConnected = 1,
    DeviceFailedEnumeration = 2,
    DeviceGeneralFailure = 3,
    DeviceCausedOvercurrent = 4,
    DeviceNotEnoughPower = 5,
};

inline constexpr std::size_t kUsbDeviceDescriptorSize = 18;

struct UsbConnectionInfo {
    UsbConnectionStatus status = UsbConnectionStatus::NoDevice;
    bool isHub = false;
    std::array<std::uint8_t, kUsbDeviceDescriptorSize> deviceDescriptor{};
};

// The setup packet of a GET_DESCRIPTOR request to the device on a port.
struct UsbSetupPacket {
    std::uint8_t bmRequest = 0x80;
    std::uint8_t bRequest = 6;
    std::uint16_t wValue = 0;       // descriptor type << 8 | index
    std::uint16_t wIndex = 0;       // language ID for strings
    std::uint16_t wLength = 0;
};

class UsbHub {
public:
    virtual ~UsbHub() = default;
    // 0 with the hub descriptor's port count, or the system error code.
    virtual int NodeInformation(int& portCount) = 0;
    // False when the request failed (the port then counts as empty).
    virtual bool ConnectionInfo(int port, UsbConnectionInfo& info) = 0;
    // Name of the hub on a port, UTF-16; opened with "\\.\" in front.
    virtual std::optional<std::u16string> ConnectionName(int port) = 0;
    // Driver key of the device on a port, UTF-16; none when it has no driver.
    virtual std::optional<std::u16string> DriverKeyName(int port) = 0;
    // The bytes the device returned (at most wLength); none when it failed.
    virtual std::optional<std::vector<std::uint8_t>> Descriptor(int port, const UsbSetupPacket& setup) = 0;
};

struct HubOpenResult {
    std::unique_ptr<UsbHub> hub;    // empty when the open failed
    int error = 0;
};

class UsbTree {
public:
    virtual ~UsbTree() = default;
    // Paths of the present hub interfaces in the system's order; none when
    // the list cannot be obtained.
    virtual std::optional<std::vector<std::string>> HubInterfaces() = 0;
    // Accepts a listed path, or a connection name with "\\.\" in front.
    virtual HubOpenResult OpenHub(std::string_view path) = 0;
};

// The backend the walker uses. Chosen once at start; tests swap it.
UsbTree& UsbHubs();
void SetUsbHubs(UsbTree* tree);   // nullptr restores the Linux sysfs backend

}  // namespace qx::platform
