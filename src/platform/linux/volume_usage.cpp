#include "platform/linux/volume_usage.h"

#include <sys/statvfs.h>

#include <fstream>
#include <sstream>

#include "platform/linux/udev_mounts.h"

namespace qx::platform::linux_udev {

std::optional<VolumeUsage> MountedUsage(dev_t device) {
    std::ifstream file("/proc/self/mountinfo");
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    const auto points = MountPoints(text.str(), device);
    struct statvfs st{};
    if (points.empty() || ::statvfs(points.front().c_str(), &st) != 0) return std::nullopt;
    const std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    return VolumeUsage{std::uint64_t{st.f_blocks} * unit, std::uint64_t{st.f_bfree} * unit};
}

}  // namespace qx::platform::linux_udev
