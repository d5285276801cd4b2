#include "platform/write_all.h"

#include <unistd.h>

#include <cerrno>

namespace qx::platform {

bool WriteAll(int fd, std::string_view bytes, int* err) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (err) *err = n < 0 ? errno : EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace qx::platform
