// The simulated rack's USB tree: root hubs, external hubs nested to any
// depth, devices with their descriptors and strings, and the faults a real
// hub shows (requests that fail, descriptors that lie about their length,
// hubs that cannot be opened). Hub interfaces carry Windows-shaped names so
// the walker's root-hub text rules work unchanged.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/usb_tree.h"

namespace qx::sim {

struct SimUsbDevice {
    std::uint16_t vendorId = 0x1234;
    std::uint16_t productId = 0x5678;
    std::string manufacturer;                  // empty: no string (index 0)
    std::string product;
    std::string serial;
    std::string driverKey;                     // empty: the device has no driver
    platform::UsbConnectionStatus status = platform::UsbConnectionStatus::DeviceConnected;
    bool connectionInfoFails = false;
    bool stringRequestsFail = false;
    // Served in place of the serial string descriptor, byte for byte.
    std::optional<std::vector<std::uint8_t>> rawSerialDescriptor;
};

class SimUsbTree final : public platform::UsbTree {
public:
    using HubId = int;

    // A root hub, listed after those added before; kind is the text in its
    // interface name ("root_hub20", "root_hub30", "asmediausbd_hub", "root_hub").
    HubId AddRootHub(int ports, const std::string& kind = "root_hub20");
    // An external hub on a port of a hub; listed too, as Windows lists them.
    HubId PlugHub(HubId parent, int port, int ports);
    void PlugDevice(HubId hub, int port, SimUsbDevice device);
    void Unplug(HubId hub, int port);
    // A listed interface that is no hub the tree knows (odd names, long paths).
    void AddListedInterface(const std::string& path);

    // Faults.
    void SetListFails(bool fails) { listFails_ = fails; }
    void SetOpenError(HubId hub, int error);          // 0: opens
    void SetNodeInfoError(HubId hub, int error);      // 0: answers

    std::string HubPath(HubId hub) const;
    int OpenHandles() const { return *openHandles_; }

    std::optional<std::vector<std::string>> HubInterfaces() override;
    platform::HubOpenResult OpenHub(std::string_view path) override;

    struct Hub {
        std::string name;                      // without "\\?\" or "\\.\"
        int ports = 0;
        int openError = 0;
        int nodeInfoError = 0;
        std::map<int, SimUsbDevice> devices;
        std::map<int, HubId> hubs;
    };

private:
    friend class SimHubHandle;
    mutable std::mutex lock_;
    std::vector<Hub> hubs_;
    std::vector<std::pair<std::size_t, std::string>> listed_;   // listed before hub n
    bool listFails_ = false;
    std::shared_ptr<std::atomic<int>> openHandles_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace qx::sim
