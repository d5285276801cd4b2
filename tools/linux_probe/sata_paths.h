// The by-path names of the machine's directly attached SATA disks (whole
// disks, not partitions), sorted; both probes look their disks up this way.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qx::probe {

inline std::vector<std::string> SataPaths(const char* byPath = "/dev/disk/by-path") {
    std::vector<std::string> out;
    DIR* d = ::opendir(byPath);
    if (!d) return out;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n.find("-ata-") != std::string::npos && n.find("-part") == std::string::npos &&
            n.find("-usb-") == std::string::npos && n.back() != '0')
            out.push_back(std::string(byPath) + "/" + n);
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace qx::probe
