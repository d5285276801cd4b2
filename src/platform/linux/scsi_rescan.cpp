#include "platform/linux/scsi_rescan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace qx::platform::linux_scsi {

int RescanScsiHosts(const std::string& hostRoot) {
    std::error_code ec;
    std::filesystem::directory_iterator it(hostRoot, ec);
    if (ec) return ec.value();
    int first = 0;
    for (const auto& host : it) {
        const std::string scan = (host.path() / "scan").string();
        const int fd = ::open(scan.c_str(), O_WRONLY | O_CLOEXEC);
        bool ok = fd >= 0 && ::write(fd, "- - -", 5) == 5;
        const int error = errno;
        if (fd >= 0) ::close(fd);
        if (!ok && first == 0) first = error != 0 ? error : EIO;
    }
    return first;
}

}  // namespace qx::platform::linux_scsi
