#include "sim/rack/rack_places.h"

#include <charconv>
#include <map>
#include <sstream>
#include <utility>

namespace qx::sim {
namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

class Places {
public:
    // Hubs are numbered in the order they appear, root or external, as the
    // machine numbers them.
    void AddHub() { ++hubs_; }
    bool HubKnown(int hub) const { return hub < hubs_; }

    std::optional<std::string> TakePort(std::pair<int, int> at, const std::string& what) {
        const auto [it, fresh] = onPort_.emplace(at, what);
        if (fresh) return std::nullopt;
        return "port " + std::to_string(at.first) + "." + std::to_string(at.second) + " already holds " + it->second;
    }
    std::optional<std::string> Place(const std::string& drive, const std::string& where) {
        const auto [it, fresh] = placeOf_.emplace(drive, where);
        if (fresh) return std::nullopt;
        return "[" + drive + "] is already " + it->second;
    }

private:
    int hubs_ = 0;
    std::map<std::pair<int, int>, std::string> onPort_;
    std::map<std::string, std::string> placeOf_;
};

bool CheckUsbLine(Places& places, const std::string& key, const std::string& value, std::string* error) {
    const std::string line = "[usb] bad " + key + " \"" + value + "\": ";
    if (key == "root") {
        if (!HubPortCount(value)) return Fail(error, line + kHubPortCountWhy);
        places.AddHub();
    } else if (key == "hub") {
        const auto colon = value.find(':');
        if (colon == std::string::npos) return true;
        if (!HubPortCount(value.substr(colon + 1))) return Fail(error, line + kHubPortCountWhy);
        if (const auto at = ParseHubPort(value.substr(0, colon)); at && places.HubKnown(at->first))
            if (const auto taken = places.TakePort(*at, "a hub")) return Fail(error, line + *taken);
        places.AddHub();
    } else if (key == "port") {
        std::istringstream words(value);
        std::string where, name;
        words >> where >> name;
        const auto at = ParseHubPort(where);
        if (!at || name.empty()) return true;
        if (const auto taken = places.TakePort(*at, "[" + name + "]")) return Fail(error, line + *taken);
        if (const auto twice = places.Place(name, "on port " + where)) return Fail(error, line + *twice);
    }
    return true;
}

}  // namespace

std::optional<std::pair<int, int>> ParseHubPort(const std::string& text) {
    std::istringstream in(text);
    int hub = 0, port = 0;
    char dot = 0;
    if (!(in >> hub >> dot >> port) || dot != '.' || in.peek() != EOF || hub < 0 || port < 1) return std::nullopt;
    return std::pair{hub, port};
}

std::optional<int> HubPortCount(const std::string& text) {
    int ports = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ports);
    if (ec != std::errc() || end != text.data() + text.size() || ports < 1 || ports > 255) return std::nullopt;
    return ports;
}

bool CheckRackPlaces(const std::vector<IniSection>& sections, std::string* error) {
    Places places;
    for (const IniSection& section : sections) {
        if (section.name == "usb") {
            for (const auto& [key, value] : section.values)
                if (!CheckUsbLine(places, key, value, error)) return false;
        } else if (section.name == "disks") {
            for (const auto& [key, name] : section.values)
                if (key == "disk")
                    if (const auto twice = places.Place(name, "listed in [disks]"))
                        return Fail(error, "[disks] bad disk \"" + name + "\": " + *twice);
        }
    }
    return true;
}

}  // namespace qx::sim
