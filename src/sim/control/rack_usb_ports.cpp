#include "sim/control/rack_usb_ports.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>
#include <utility>

#include "platform/file_bytes.h"
#include "platform/file_replace.h"
#include "sim/rack/rack_places.h"

namespace qx::sim {
namespace {

namespace fs = std::filesystem;

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

std::string PortText(int hub, int port) { return std::to_string(hub) + "." + std::to_string(port); }

// The hubs in the order the loader numbers them, with their port counts, and
// the ports that hold a drive or a hub.
struct UsbTreeLines {
    std::vector<int> ports;
    std::set<std::pair<int, int>> taken;

    explicit UsbTreeLines(const std::vector<IniSection>& sections) {
        for (const IniSection& section : sections) {
            if (section.name != "usb") continue;
            for (const auto& [key, value] : section.values) {
                if (key == "root") {
                    ports.push_back(HubPortCount(value).value_or(0));
                } else if (key == "hub") {
                    const auto colon = value.find(':');
                    const auto at = ParseHubPort(value.substr(0, colon));
                    if (at) taken.insert(*at);
                    ports.push_back(colon == std::string::npos ? 0 : HubPortCount(value.substr(colon + 1)).value_or(0));
                } else if (key == "port") {
                    std::istringstream words(value);
                    std::string where;
                    words >> where;
                    if (const auto at = ParseHubPort(where)) taken.insert(*at);
                }
            }
        }
    }
    bool Exists(int hub, int port) const {
        return hub >= 0 && static_cast<std::size_t>(hub) < ports.size() && port <= ports[static_cast<std::size_t>(hub)];
    }
    std::optional<std::pair<int, int>> FirstFree() const {
        for (std::size_t hub = 0; hub < ports.size(); ++hub)
            for (int port = 1; port <= ports[hub]; ++port)
                if (!taken.contains({static_cast<int>(hub), port})) return std::pair{static_cast<int>(hub), port};
        return std::nullopt;
    }
};

// The last [usb] section, made at the end when there is none: lines added
// there come after every hub they name.
IniSection& LastUsbSection(std::vector<IniSection>& sections) {
    for (auto it = sections.rbegin(); it != sections.rend(); ++it)
        if (it->name == "usb") return *it;
    sections.push_back({"usb", {}});
    return sections.back();
}

std::string DriveOfPortLine(const std::string& value) {
    std::istringstream words(value);
    std::string where, drive;
    words >> where >> drive;
    return drive;
}

}  // namespace

bool ReadRackIni(const std::string& folder, std::vector<IniSection>& sections, std::string* error) {
    const fs::path file = fs::path(folder) / "rack.ini";
    const auto text = platform::ReadFileBytes(file);
    if (!text) return Fail(error, "cannot read " + file.string());
    sections = ParseIni(*text);
    return true;
}

bool WriteRackIni(const std::string& folder, const std::vector<IniSection>& sections, std::string* error) {
    const fs::path file = fs::path(folder) / "rack.ini";
    std::string why;
    if (platform::ReplaceFileWhole(file, WriteIni(sections), &why)) return true;
    return Fail(error, "cannot write " + file.string() + ": " + why);
}

std::string DriveSectionAt(const std::vector<IniSection>& sections, const std::string& path) {
    for (const IniSection& section : sections)
        if (const std::string* p = section.Find("path"); p && UnescapeBytes(*p) == path) return section.name;
    return {};
}

std::string UsbPortOf(const std::vector<IniSection>& sections, const std::string& name) {
    for (const IniSection& section : sections) {
        if (section.name != "usb") continue;
        for (const auto& [key, value] : section.values) {
            if (key != "port" || DriveOfPortLine(value) != name) continue;
            std::istringstream words(value);
            std::string where;
            words >> where;
            return where;
        }
    }
    return {};
}

bool ListedOffUsb(const std::vector<IniSection>& sections, const std::string& name) {
    for (const IniSection& section : sections)
        if (section.name == "disks")
            for (const auto& [key, value] : section.values)
                if (key == "disk" && value == name) return true;
    return false;
}

bool UsbDiskPath(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("usbstor#") != std::string::npos;
}

std::optional<std::string> PlaceOnUsbPort(std::vector<IniSection>& sections, const std::string& name,
                                          const std::string& where, std::string* error) {
    // Changed on a copy: a port refused leaves the lines as they were.
    std::vector<IniSection> out = sections;
    UsbTreeLines tree(out);
    IniSection& usb = LastUsbSection(out);
    const auto addRoot = [&] {
        usb.values.emplace_back("root", std::to_string(kNewRootHubPorts));
        tree.ports.push_back(kNewRootHubPorts);
    };
    std::pair<int, int> at;
    if (where.empty()) {
        if (!tree.FirstFree()) addRoot();
        at = *tree.FirstFree();
    } else {
        const auto named = ParseHubPort(where);
        if (!named) return Fail(error, "bad USB port \"" + where + "\" (HUB.PORT, e.g. 0.1)"), std::nullopt;
        if (tree.ports.empty()) addRoot();
        if (!tree.Exists(named->first, named->second)) return Fail(error, "no USB port " + where), std::nullopt;
        if (tree.taken.contains(*named)) return Fail(error, "USB port " + where + " is taken"), std::nullopt;
        at = *named;
    }
    const std::string text = PortText(at.first, at.second);
    usb.values.emplace_back("port", text + " " + name);
    sections = std::move(out);
    return text;
}

void DropDriveLines(std::vector<IniSection>& sections, const std::string& name) {
    for (IniSection& section : sections) {
        if (section.name == "usb")
            std::erase_if(section.values, [&](const auto& kv) { return kv.first == "port" && DriveOfPortLine(kv.second) == name; });
        if (section.name == "disks")
            std::erase_if(section.values, [&](const auto& kv) { return kv.first == "disk" && kv.second == name; });
    }
}

}  // namespace qx::sim
