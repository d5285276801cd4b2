#include "station/results/row_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/write_all.h"

namespace qx::station {

RowFile RowFile::Open(const std::string& path, int flags) {
    RowFile out;
    // Non-blocking only for the open itself: a FIFO without a reader then
    // fails at once instead of waiting, and is refused below in any case.
    const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return out;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return out;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1) (void)::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    out.fd_ = fd;
    out.size_ = (flags & O_TRUNC) ? 0 : static_cast<long long>(st.st_size);
    return out;
}

RowFile RowFile::OpenForAppend(const std::string& path) { return Open(path, O_APPEND); }

RowFile RowFile::CreateFresh(const std::string& path) { return Open(path, O_TRUNC); }

RowFile::RowFile(RowFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(std::exchange(other.size_, 0)) {}

RowFile& RowFile::operator=(RowFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

RowFile::~RowFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool RowFile::Append(std::string_view text) {
    if (fd_ < 0) return false;
    if (!platform::WriteAll(fd_, text)) {
        // Whatever part of the row went out goes again: the file ends with
        // the last whole row.
        (void)::ftruncate(fd_, static_cast<off_t>(size_));
        return false;
    }
    size_ += static_cast<long long>(text.size());
    return true;
}

bool RowFile::Close() {
    if (fd_ < 0) return false;
    const int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0;
}

}  // namespace qx::station
