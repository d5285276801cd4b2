#include "sim/rack/sim_usb_tree.h"

#include <cctype>
#include <cerrno>
#include <cstdio>

namespace qx::sim {
namespace {

constexpr const char* kHubClassGuid = "{f18a0e88-c30c-11d0-8815-00a0c906bed8}";

std::u16string Wide(const std::string& s) { return {s.begin(), s.end()}; }

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::uint8_t> StringDescriptor(const std::string& text) {
    std::vector<std::uint8_t> d{static_cast<std::uint8_t>(2 + 2 * text.size()), 3};
    for (char c : text) {
        d.push_back(static_cast<std::uint8_t>(c));
        d.push_back(0);
    }
    return d;
}

void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

class SimHubHandle final : public platform::UsbHub {
public:
    SimHubHandle(SimUsbTree& tree, SimUsbTree::HubId id) : tree_(tree), id_(id) { ++*tree_.openHandles_; }
    ~SimHubHandle() override { --*tree_.openHandles_; }
    SimHubHandle(const SimHubHandle&) = delete;
    SimHubHandle& operator=(const SimHubHandle&) = delete;

    int NodeInformation(int& portCount) override {
        std::lock_guard<std::mutex> hold(tree_.lock_);
        const auto& hub = tree_.hubs_[static_cast<std::size_t>(id_)];
        if (hub.nodeInfoError) return hub.nodeInfoError;
        portCount = hub.ports;
        return 0;
    }

    bool ConnectionInfo(int port, platform::UsbConnectionInfo& info) override {
        std::lock_guard<std::mutex> hold(tree_.lock_);
        info = {};
        const auto& hub = tree_.hubs_[static_cast<std::size_t>(id_)];
        if (port < 1 || port > hub.ports) return false;
        if (hub.hubs.count(port)) {
            info.status = platform::UsbConnectionStatus::DeviceConnected;
            info.isHub = true;
            FillDeviceDescriptor(info.deviceDescriptor, nullptr);
            return true;
        }
        const auto it = hub.devices.find(port);
        if (it == hub.devices.end()) return true;
        if (it->second.connectionInfoFails) return false;
        info.status = it->second.status;
        FillDeviceDescriptor(info.deviceDescriptor, &it->second);
        return true;
    }

    std::optional<std::u16string> ConnectionName(int port) override {
        std::lock_guard<std::mutex> hold(tree_.lock_);
        const auto& hub = tree_.hubs_[static_cast<std::size_t>(id_)];
        const auto it = hub.hubs.find(port);
        if (it == hub.hubs.end()) return std::nullopt;
        return Wide(tree_.hubs_[static_cast<std::size_t>(it->second)].name);
    }

    std::optional<std::u16string> DriverKeyName(int port) override {
        std::lock_guard<std::mutex> hold(tree_.lock_);
        const SimUsbDevice* d = Device(port);
        if (!d || d->driverKey.empty()) return std::nullopt;
        return Wide(d->driverKey);
    }

    std::optional<std::vector<std::uint8_t>> Descriptor(int port, const platform::UsbSetupPacket& setup) override {
        std::lock_guard<std::mutex> hold(tree_.lock_);
        const SimUsbDevice* d = Device(port);
        if (!d || setup.bmRequest != 0x80 || setup.bRequest != 6) return std::nullopt;
        const int type = setup.wValue >> 8;
        const int index = setup.wValue & 0xFF;
        std::vector<std::uint8_t> out;
        if (type == 1) {
            std::array<std::uint8_t, platform::kUsbDeviceDescriptorSize> dd{};
            FillDeviceDescriptor(dd, d);
            out.assign(dd.begin(), dd.end());
        } else if (type == 2 && index == 0) {
            // One configuration with one mass-storage interface.
            out = {9, 2, 18, 0, 1, 1, 0, 0x80, 50, 9, 4, 0, 0, 0, 8, 6, 0x50, 0};
        } else if (type == 3 && !d->stringRequestsFail) {
            if (index == 0) out = {4, 3, 0x09, 0x04};
            else if (index == 1 && !d->manufacturer.empty()) out = StringDescriptor(d->manufacturer);
            else if (index == 2 && !d->product.empty()) out = StringDescriptor(d->product);
            else if (index == 3 && d->rawSerialDescriptor) out = *d->rawSerialDescriptor;
            else if (index == 3 && !d->serial.empty()) out = StringDescriptor(d->serial);
            else return std::nullopt;
        } else {
            return std::nullopt;
        }
        if (out.size() > setup.wLength) out.resize(setup.wLength);
        return out;
    }

private:
    const SimUsbDevice* Device(int port) const {
        const auto& hub = tree_.hubs_[static_cast<std::size_t>(id_)];
        const auto it = hub.devices.find(port);
        return it == hub.devices.end() ? nullptr : &it->second;
    }

    static void FillDeviceDescriptor(std::array<std::uint8_t, platform::kUsbDeviceDescriptorSize>& dd,
                                     const SimUsbDevice* d) {
        dd = {18, 1, 0x00, 0x02, 0, 0, 0, 64};
        if (!d) {
            dd[4] = 9;   // hub class
            PutLe16(&dd[8], 0x05E3);
            PutLe16(&dd[10], 0x0610);
        } else {
            PutLe16(&dd[8], d->vendorId);
            PutLe16(&dd[10], d->productId);
            dd[14] = d->manufacturer.empty() ? 0 : 1;
            dd[15] = d->product.empty() ? 0 : 2;
            dd[16] = d->serial.empty() && !d->rawSerialDescriptor ? 0 : 3;
        }
        PutLe16(&dd[12], 0x0100);
        dd[17] = 1;
    }

    SimUsbTree& tree_;
    SimUsbTree::HubId id_;
};

SimUsbTree::HubId SimUsbTree::AddRootHub(int ports, const std::string& kind) {
    std::lock_guard<std::mutex> hold(lock_);
    char name[96];
    std::snprintf(name, sizeof name, "usb#%s#4&%08x&0&0#%s", kind.c_str(), 0x1a2b3c00u + static_cast<unsigned>(hubs_.size()),
                  kHubClassGuid);
    hubs_.push_back({name, ports, 0, 0, {}, {}});
    return static_cast<HubId>(hubs_.size() - 1);
}

SimUsbTree::HubId SimUsbTree::PlugHub(HubId parent, int port, int ports) {
    std::lock_guard<std::mutex> hold(lock_);
    char name[96];
    std::snprintf(name, sizeof name, "USB#VID_05E3&PID_0610#5&%08x&0&%d#%s", 0x2c3d4e00u + static_cast<unsigned>(hubs_.size()),
                  port, kHubClassGuid);
    hubs_.push_back({name, ports, 0, 0, {}, {}});
    const auto id = static_cast<HubId>(hubs_.size() - 1);
    hubs_[static_cast<std::size_t>(parent)].hubs[port] = id;
    return id;
}

void SimUsbTree::PlugDevice(HubId hub, int port, SimUsbDevice device) {
    std::lock_guard<std::mutex> hold(lock_);
    hubs_[static_cast<std::size_t>(hub)].devices[port] = std::move(device);
}

void SimUsbTree::Unplug(HubId hub, int port) {
    std::lock_guard<std::mutex> hold(lock_);
    hubs_[static_cast<std::size_t>(hub)].devices.erase(port);
    hubs_[static_cast<std::size_t>(hub)].hubs.erase(port);
}

void SimUsbTree::AddListedInterface(const std::string& path) {
    std::lock_guard<std::mutex> hold(lock_);
    listed_.emplace_back(hubs_.size(), path);
}

void SimUsbTree::SetOpenError(HubId hub, int error) {
    std::lock_guard<std::mutex> hold(lock_);
    hubs_[static_cast<std::size_t>(hub)].openError = error;
}

void SimUsbTree::SetNodeInfoError(HubId hub, int error) {
    std::lock_guard<std::mutex> hold(lock_);
    hubs_[static_cast<std::size_t>(hub)].nodeInfoError = error;
}

std::string SimUsbTree::HubPath(HubId hub) const {
    std::lock_guard<std::mutex> hold(lock_);
    return "\\\\?\\" + hubs_[static_cast<std::size_t>(hub)].name;
}

std::optional<std::vector<std::string>> SimUsbTree::HubInterfaces() {
    std::lock_guard<std::mutex> hold(lock_);
    if (listFails_) return std::nullopt;
    std::vector<std::string> out;
    auto listed = listed_.begin();
    for (std::size_t i = 0; i <= hubs_.size(); ++i) {
        for (; listed != listed_.end() && listed->first == i; ++listed) out.push_back(listed->second);
        if (i < hubs_.size()) out.push_back("\\\\?\\" + hubs_[i].name);
    }
    return out;
}

platform::HubOpenResult SimUsbTree::OpenHub(std::string_view path) {
    for (std::string_view p : {"\\\\?\\", "\\\\.\\"})
        if (path.substr(0, p.size()) == p) path.remove_prefix(p.size());
    std::lock_guard<std::mutex> hold(lock_);
    for (std::size_t i = 0; i < hubs_.size(); ++i) {
        if (!SameText(hubs_[i].name, path)) continue;
        if (hubs_[i].openError) return {nullptr, hubs_[i].openError};
        return {std::make_unique<SimHubHandle>(*this, static_cast<HubId>(i)), 0};
    }
    return {nullptr, ENOENT};
}

}  // namespace qx::sim
