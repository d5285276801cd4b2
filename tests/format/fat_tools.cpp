#include "format/fat_tools.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace qx::test {

ToolResult RunTool(const std::string& command) {
    ToolResult r;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    const int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool CopyVolume(const std::string& image, std::uint64_t offset, std::uint64_t length, const std::string& out) {
    const int in = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    const int to = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = in >= 0 && to >= 0 && ::ftruncate(to, static_cast<off_t>(length)) == 0;
    std::vector<char> buf(1 << 20);
    const auto end = static_cast<off_t>(offset + length);
    for (off_t pos = static_cast<off_t>(offset); ok && pos < end;) {
        const off_t data = ::lseek(in, pos, SEEK_DATA);
        if (data < 0 || data >= end) break;
        const off_t hole = std::min<off_t>(::lseek(in, data, SEEK_HOLE), end);
        for (off_t at = data; ok && at < hole;) {
            const auto n = static_cast<std::size_t>(std::min<off_t>(hole - at, static_cast<off_t>(buf.size())));
            ok = ::pread(in, buf.data(), n, at) == static_cast<ssize_t>(n) &&
                 ::pwrite(to, buf.data(), n, at - static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
            at += static_cast<off_t>(n);
        }
        pos = hole;
    }
    if (in >= 0) ::close(in);
    if (to >= 0) ::close(to);
    return ok;
}

std::array<std::uint8_t, 512> ReadImageSector(const std::string& image, std::uint64_t lba) {
    std::array<std::uint8_t, 512> s{};
    const int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (::pread(fd, s.data(), s.size(), static_cast<off_t>(lba * 512)) != 512) s.fill(0);
        ::close(fd);
    }
    return s;
}

}  // namespace qx::test
