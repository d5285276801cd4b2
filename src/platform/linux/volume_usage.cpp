#include "platform/linux/volume_usage.h"

#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace qx::platform::linux_udev {
namespace {

// The kernel writes blanks, tabs, line feeds and backslashes in mount
// points as three octal digits after a backslash.
std::string DecodeOctal(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && text.size() - i >= 4) {
            int value = 0;
            bool octal = true;
            for (std::size_t k = 1; k <= 3; ++k) {
                const char c = text[i + k];
                octal = octal && c >= '0' && c <= '7';
                value = value * 8 + (c - '0');
            }
            if (octal) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::optional<std::string> MountPointOf(dev_t device, const std::string& mountinfo) {
    std::istringstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, majmin, root, point;
        if (!(fields >> id >> parent >> majmin >> root >> point)) continue;
        unsigned ma = 0, mi = 0;
        if (std::sscanf(majmin.c_str(), "%u:%u", &ma, &mi) != 2 || makedev(ma, mi) != device) continue;
        // A bind mount of a folder inside the volume would count only that folder.
        if (root != "/") continue;
        return DecodeOctal(point);
    }
    return std::nullopt;
}

std::optional<VolumeUsage> MountedUsage(dev_t device) {
    std::ifstream file("/proc/self/mountinfo");
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    const auto point = MountPointOf(device, text.str());
    struct statvfs st{};
    if (!point || ::statvfs(point->c_str(), &st) != 0) return std::nullopt;
    const std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    return VolumeUsage{std::uint64_t{st.f_blocks} * unit, std::uint64_t{st.f_bfree} * unit};
}

}  // namespace qx::platform::linux_udev
