#include "platform/linux/usb_sysfs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <optional>

#include "platform/file_bytes.h"

namespace qx::platform::linux_usb {
namespace {

bool IsDir(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::uint8_t> ReadBinary(const std::string& path) {
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return {};
    return {bytes->begin(), bytes->end()};
}

// sysfs text is UTF-8; a hub request returns UTF-16. Bad bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0 || (b & 0xF0) == 0xE0 || (b & 0xF8) == 0xF0) {
            len = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
            std::uint32_t v = b & (0x7Fu >> len);
            bool ok = i + len <= s.size();
            for (std::size_t k = 1; ok && k < len; ++k) {
                const auto c = static_cast<unsigned char>(s[i + k]);
                ok = (c & 0xC0) == 0x80;
                v = (v << 6) | (c & 0x3Fu);
            }
            if (ok) cp = v; else len = 1;
        }
        i += len;
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp > 0xFFFF ? 0xFFFD : cp));
        }
    }
    return out;
}

std::u16string Ascii16(const std::string& s) { return {s.begin(), s.end()}; }

// A string descriptor as a device returns it: bLength, type 3, UTF-16LE.
std::vector<std::uint8_t> StringDescriptor(const std::u16string& text) {
    const std::size_t units = std::min<std::size_t>(text.size(), 126);
    std::vector<std::uint8_t> d{static_cast<std::uint8_t>(2 + 2 * units), 3};
    for (std::size_t i = 0; i < units; ++i) {
        d.push_back(static_cast<std::uint8_t>(text[i] & 0xFF));
        d.push_back(static_cast<std::uint8_t>(text[i] >> 8));
    }
    return d;
}

class SysfsHub final : public UsbHub {
public:
    SysfsHub(std::string root, std::string name) : root_(std::move(root)), name_(std::move(name)) {}

    int NodeInformation(int& portCount) override {
        const std::string v = ReadAttribute(root_ + "/" + name_, "maxchild");
        if (v.empty() || !std::all_of(v.begin(), v.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return EIO;
        portCount = std::stoi(v);
        return 0;
    }

    bool ConnectionInfo(int port, UsbConnectionInfo& info) override {
        info = {};
        const std::string dir = ChildDir(port);
        if (!IsDir(dir)) return true;
        const auto d = ReadBinary(dir + "/descriptors");
        if (d.size() < kUsbDeviceDescriptorSize) return false;
        std::copy_n(d.begin(), kUsbDeviceDescriptorSize, info.deviceDescriptor.begin());
        info.status = UsbConnectionStatus::DeviceConnected;
        info.isHub = d[4] == 0x09;
        return true;
    }

    std::optional<std::u16string> ConnectionName(int port) override {
        UsbConnectionInfo info;
        if (!ConnectionInfo(port, info) || !info.isHub) return std::nullopt;
        return Ascii16("usb#hub#" + Child(port));
    }

    std::optional<std::u16string> DriverKeyName(int port) override {
        const std::string dir = ChildDir(port);
        if (!IsDir(dir) || !Exists(dir + "/driver")) return std::nullopt;
        return Ascii16(Child(port));
    }

    std::optional<std::vector<std::uint8_t>> Descriptor(int port, const UsbSetupPacket& setup) override {
        const std::string dir = ChildDir(port);
        const auto d = ReadBinary(dir + "/descriptors");
        if (d.size() < kUsbDeviceDescriptorSize) return std::nullopt;
        const int type = setup.wValue >> 8;
        const int index = setup.wValue & 0xFF;
        std::vector<std::uint8_t> out;
        if (type == 1) {
            out.assign(d.begin(), d.begin() + kUsbDeviceDescriptorSize);
        } else if (type == 2 && index == 0 && d.size() >= kUsbDeviceDescriptorSize + 9) {
            out.assign(d.begin() + kUsbDeviceDescriptorSize, d.end());
        } else if (type == 3) {
            auto s = StringFor(dir, d, index);
            if (!s) return std::nullopt;
            out = std::move(*s);
        } else {
            return std::nullopt;
        }
        if (out.size() > setup.wLength) out.resize(setup.wLength);
        return out;
    }

private:
    // The kernel reads strings in the device's first language; sysfs does
    // not say which, so the language list names US English.
    static std::optional<std::vector<std::uint8_t>> StringFor(const std::string& dir,
                                                              const std::vector<std::uint8_t>& d, int index) {
        if (index == 0) return std::vector<std::uint8_t>{4, 3, 0x09, 0x04};
        const char* attr = index == d[14] ? "manufacturer" : index == d[15] ? "product"
                         : index == d[16] ? "serial" : nullptr;
        if (!attr && d.size() > kUsbDeviceDescriptorSize + 6 && index == d[kUsbDeviceDescriptorSize + 6])
            attr = "configuration";
        if (!attr || !Exists(dir + "/" + attr)) return std::nullopt;
        return StringDescriptor(Utf8ToUtf16(ReadAttribute(dir, attr)));
    }

    std::string Child(int port) const {
        if (name_.rfind("usb", 0) == 0) return name_.substr(3) + "-" + std::to_string(port);
        return name_ + "." + std::to_string(port);
    }
    std::string ChildDir(int port) const { return root_ + "/" + Child(port); }

    std::string root_;
    std::string name_;
};

std::string StripHubPrefix(std::string_view path) {
    for (std::string_view p : {"\\\\?\\", "\\\\.\\"})
        if (path.substr(0, p.size()) == p) path.remove_prefix(p.size());
    const auto hash = path.rfind('#');
    return std::string(hash == std::string_view::npos ? path : path.substr(hash + 1));
}

bool IsRootHubName(const std::string& n) {
    return n.size() > 3 && n.rfind("usb", 0) == 0 &&
           std::all_of(n.begin() + 3, n.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

}  // namespace

std::string ReadAttribute(const std::string& dir, const char* name) {
    std::ifstream in(dir + "/" + name);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

std::string UsbInstanceId(const std::string& deviceDir) {
    std::string vid = ReadAttribute(deviceDir, "idVendor");
    std::string pid = ReadAttribute(deviceDir, "idProduct");
    if (vid.empty() || pid.empty()) return {};
    for (auto* s : {&vid, &pid})
        for (char& c : *s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto slash = deviceDir.find_last_of('/');
    const std::string name = slash == std::string::npos ? deviceDir : deviceDir.substr(slash + 1);
    return "USB\\VID_" + vid + "&PID_" + pid + "\\" + name;
}

SysfsUsbTree::SysfsUsbTree(std::string root) : root_(std::move(root)) {}

std::optional<std::vector<std::string>> SysfsUsbTree::HubInterfaces() {
    DIR* dir = ::opendir(root_.c_str());
    if (!dir) return std::nullopt;
    std::vector<std::string> roots;
    while (const dirent* e = ::readdir(dir))
        if (IsRootHubName(e->d_name)) roots.emplace_back(e->d_name);
    ::closedir(dir);
    std::sort(roots.begin(), roots.end(), [](const std::string& a, const std::string& b) {
        return std::stoul(a.substr(3)) < std::stoul(b.substr(3));
    });
    std::vector<std::string> paths;
    for (const auto& r : roots) {
        // " 2.00" / " 3.10": the root hub's USB version decides its kind.
        const std::string v = ReadAttribute(root_ + "/" + r, "version");
        const auto digit = v.find_first_not_of(' ');
        const char major = digit == std::string::npos ? '0' : v[digit];
        const char* kind = major == '2' ? "root_hub20" : major >= '3' && major <= '9' ? "root_hub30" : "root_hub";
        paths.push_back(std::string("usb#") + kind + "#" + r);
    }
    return paths;
}

HubOpenResult SysfsUsbTree::OpenHub(std::string_view path) {
    const std::string name = StripHubPrefix(path);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        !IsDir(root_ + "/" + name) || ReadAttribute(root_ + "/" + name, "maxchild").empty())
        return {nullptr, ENOENT};
    return {std::make_unique<SysfsHub>(root_, name), 0};
}

}  // namespace qx::platform::linux_usb
