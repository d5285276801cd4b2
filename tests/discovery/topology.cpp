#include "discovery/topology.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace qx::test {
namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : s_(text) {}

    std::vector<TopoNode> Tree() {
        std::vector<TopoNode> roots;
        while (Skip(), pos_ < s_.size()) roots.push_back(Hub());
        return roots;
    }

private:
    void Skip() { while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_; }
    int Number() {
        const std::size_t start = pos_;
        while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
        if (start == pos_) throw std::invalid_argument("number expected in " + s_);
        return std::stoi(s_.substr(start, pos_ - start));
    }
    void Expect(char c) {
        if (pos_ >= s_.size() || s_[pos_] != c) throw std::invalid_argument(std::string("'") + c + "' expected in " + s_);
        ++pos_;
    }
    TopoNode Hub() {
        TopoNode n;
        n.ports = Number();
        if (pos_ < s_.size() && (s_[pos_] == 's' || s_[pos_] == 'a' || s_[pos_] == 'o')) n.kind = s_[pos_++];
        Expect('(');
        while (pos_ < s_.size() && s_[pos_] != ')') {
            TopoNode::Item item;
            item.port = Number();
            Expect(':');
            if (s_[pos_] == 'd') {
                item.device = true;
                ++pos_;
            } else {
                item.hub.push_back(Hub());
            }
            n.items.push_back(std::move(item));
            if (pos_ < s_.size() && s_[pos_] == ',') ++pos_;
        }
        Expect(')');
        return n;
    }

    std::string s_;
    std::size_t pos_ = 0;
};

void BuildSim(const TopoNode& node, sim::SimUsbTree::HubId id, const std::string& label, sim::SimUsbTree& usb,
              sim::SimDeviceTree& devices) {
    for (const auto& item : node.items) {
        const std::string place = label + std::to_string(item.port);
        if (item.device) {
            sim::SimUsbDevice d;
            d.serial = place;
            d.driverKey = "{36fc9e60-c465-11cf-8056-444553540000}\\" + place;
            devices.AddDevice(d.driverKey, "USB\\VID_1234&PID_5678\\" + place);
            usb.PlugDevice(id, item.port, d);
        } else {
            const auto sub = usb.PlugHub(id, item.port, item.hub[0].ports);
            BuildSim(item.hub[0], sub, place + ".", usb, devices);
        }
    }
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void WriteSysfs(const TopoNode& node, const std::string& folder, const std::string& name, const std::string& label) {
    for (const auto& item : node.items) {
        const std::string child = name.rfind("usb", 0) == 0 ? name.substr(3) + "-" + std::to_string(item.port)
                                                             : name + "." + std::to_string(item.port);
        const std::string place = label + std::to_string(item.port);
        if (item.device) {
            WriteSysfsDevice(folder + "/" + child, 0, 0, place);
            std::filesystem::create_directories(folder + "/" + child + ":1.0");
        } else {
            WriteSysfsDevice(folder + "/" + child, 9, item.hub[0].ports, {});
            WriteSysfs(item.hub[0], folder, child, place + ".");
        }
    }
}

}  // namespace

std::vector<TopoNode> ParseTopology(const std::string& text) { return Parser(text).Tree(); }

void BuildSimTopology(const std::vector<TopoNode>& roots, sim::SimUsbTree& usb, sim::SimDeviceTree& devices) {
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const char k = roots[i].kind;
        const char* kind = k == 's' ? "root_hub30" : k == 'a' ? "asmediausbd_hub" : k == 'o' ? "root_hub" : "root_hub20";
        const auto id = usb.AddRootHub(roots[i].ports, kind);
        BuildSim(roots[i], id, std::to_string(i) + "-", usb, devices);
    }
}

void WriteSysfsTopology(const std::vector<TopoNode>& roots, const std::string& folder) {
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const std::string name = "usb" + std::to_string(i + 1);
        WriteSysfsDevice(folder + "/" + name, 9, roots[i].ports, {});
        const char k = roots[i].kind;
        WriteFile(folder + "/" + name + "/version", k == 's' ? " 3.00\n" : k == 'o' ? " 1.10\n" : " 2.00\n");
        WriteSysfs(roots[i], folder, name, std::to_string(i) + "-");
    }
}

void WriteSysfsDevice(const std::string& dir, int deviceClass, int maxchild, const std::string& serial,
                      const std::string& product, bool driver) {
    std::filesystem::create_directories(dir);
    const auto cls = static_cast<char>(deviceClass);
    std::string d{18, 1, 0x00, 0x02, cls, 0, 0, 64, 0x34, 0x12, 0x78, 0x56, 0x00, 0x01, 0,
                  static_cast<char>(product.empty() ? 0 : 2), static_cast<char>(serial.empty() ? 0 : 3), 1};
    d += std::string{9, 2, 18, 0, 1, 1, 0, static_cast<char>(0x80), 50};
    d += std::string{9, 4, 0, 0, 2, static_cast<char>(deviceClass == 9 ? 9 : 8), 6, 0x50, 0};
    WriteFile(dir + "/descriptors", d);
    WriteFile(dir + "/idVendor", "1234\n");
    WriteFile(dir + "/idProduct", "5678\n");
    WriteFile(dir + "/maxchild", std::to_string(maxchild) + "\n");
    WriteFile(dir + "/version", " 2.00\n");
    if (!serial.empty()) WriteFile(dir + "/serial", serial + "\n");
    if (!product.empty()) WriteFile(dir + "/product", product + "\n");
    if (driver) std::filesystem::create_directories(dir + "/driver");
}

}  // namespace qx::test
