#include "station/entry/network_folder.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

namespace qx::station {
namespace {

constexpr std::uint32_t kFuseMagic = 0x65735546;

// statfs f_type of the kernel's network file systems.
constexpr std::array<std::uint32_t, 11> kNetworkMagics = {
    0x00006969,   // NFS (2, 3 and 4)
    0x0000517B,   // SMB
    0xFF534D42,   // CIFS
    0xFE534D42,   // SMB2/3
    0x01021997,   // 9p
    0x5346414F,   // AFS
    0x6B414653,   // kAFS
    0x73757245,   // Coda
    0x0000564C,   // NCP
    0x00C36400,   // Ceph
    0x0BD00BD0,   // Lustre
};

// FUSE subtypes that reach their files over a network.
constexpr std::array<std::string_view, 12> kNetworkFuseSubtypes = {
    "sshfs", "smbnetfs", "curlftpfs", "davfs", "s3fs", "rclone",
    "gcsfuse", "glusterfs", "ceph-fuse", "httpdirfs", "afpfs", "nfs",
};

std::string_view NextField(std::string_view& line) {
    const auto start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const auto end = line.find(' ');
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(field.size());
    return field;
}

}  // namespace

bool IsNetworkFileSystem(std::uint32_t magic, std::string_view fuseSubtype) {
    if (magic == kFuseMagic)
        return std::find(kNetworkFuseSubtypes.begin(), kNetworkFuseSubtypes.end(), fuseSubtype) !=
               kNetworkFuseSubtypes.end();
    return std::find(kNetworkMagics.begin(), kNetworkMagics.end(), magic) != kNetworkMagics.end();
}

// A mountinfo line: id, parent id, major:minor, root, mount point, options,
// optional fields up to "-", then the type, the source and more options.
std::string MountTypeOfDevice(std::string_view mountinfo, unsigned major, unsigned minor) {
    const std::string device = std::to_string(major) + ":" + std::to_string(minor);
    while (!mountinfo.empty()) {
        const auto end = mountinfo.find('\n');
        std::string_view line = mountinfo.substr(0, end);
        mountinfo.remove_prefix(end == std::string_view::npos ? mountinfo.size() : end + 1);
        NextField(line);
        NextField(line);
        if (NextField(line) != device) continue;
        for (std::string_view field = NextField(line); !field.empty(); field = NextField(line))
            if (field == "-") return std::string(NextField(line));
    }
    return {};
}

bool OnNetworkFileSystem(const std::string& folder) {
    struct statfs fs {};
    if (statfs(folder.c_str(), &fs) != 0) return false;
    const auto magic = static_cast<std::uint32_t>(fs.f_type);
    std::string subtype;
    if (magic == kFuseMagic) {
        struct stat st {};
        if (stat(folder.c_str(), &st) != 0) return false;
        std::ifstream in("/proc/self/mountinfo");
        std::stringstream text;
        text << in.rdbuf();
        const std::string type = MountTypeOfDevice(text.str(), major(st.st_dev), minor(st.st_dev));
        constexpr std::string_view kFusePrefix = "fuse.";
        if (type.starts_with(kFusePrefix)) subtype = type.substr(kFusePrefix.size());
    }
    return IsNetworkFileSystem(magic, subtype);
}

}  // namespace qx::station
