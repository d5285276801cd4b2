#include "platform/linux/udev_mounts.h"

#include <sys/sysmacros.h>

#include <cstdio>
#include <sstream>

namespace qx::platform::linux_udev {
namespace {

std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

}  // namespace

std::vector<std::string> MountPoints(const std::string& mountinfo, dev_t device) {
    std::vector<std::string> out;
    std::istringstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string id, parent, majmin, root, point;
        if (!(ls >> id >> parent >> majmin >> root >> point)) continue;
        unsigned ma = 0, mi = 0;
        if (std::sscanf(majmin.c_str(), "%u:%u", &ma, &mi) != 2 || makedev(ma, mi) != device) continue;
        out.push_back(Unescape(point));
    }
    return out;
}

}  // namespace qx::platform::linux_udev
