#include "format/image_disk.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qx::test {

class ImageHandle final : public platform::DeviceHandle {
public:
    explicit ImageHandle(ImageDisk& disk) : disk_(disk) {}

    platform::ScsiResult Scsi(const platform::ScsiCommand& cmd) override {
        platform::ScsiResult r;
        r.ok = true;
        const auto& c = cmd.cdb;
        const bool read = c[0] == 0x28, write = c[0] == 0x2A;
        const std::uint64_t lba = std::uint64_t{c[2]} << 24 | std::uint64_t{c[3]} << 16 | std::uint64_t{c[4]} << 8 | c[5];
        const std::uint64_t count = std::uint64_t{c[7]} << 8 | c[8];
        if ((!read && !write) || lba + count > disk_.sectors_ || cmd.data.size() < count * 512) {
            r.status = 2;   // CHECK CONDITION
            return r;
        }
        const auto offset = static_cast<off_t>(lba * 512);
        const std::size_t bytes = count * 512;
        if (write) {
            if (disk_.writesBeforeFailure == 0) {
                r.ok = false;
                r.error = EIO;
                return r;
            }
            if (disk_.writesBeforeFailure > 0) --disk_.writesBeforeFailure;
            r.ok = ::pwrite(disk_.fd_, cmd.data.data(), bytes, offset) == static_cast<ssize_t>(bytes);
            disk_.bytesWritten += bytes;
        } else {
            r.ok = ::pread(disk_.fd_, cmd.data.data(), bytes, offset) == static_cast<ssize_t>(bytes);
            if (disk_.readsReturnNoise) std::fill_n(cmd.data.begin(), bytes, std::uint8_t{0xA5});
        }
        r.transferred = r.ok ? static_cast<std::uint32_t>(bytes) : 0;
        return r;
    }
    platform::AtaResult Ata(const platform::AtaCommand&) override { return {}; }

private:
    ImageDisk& disk_;
};

ImageDisk::ImageDisk(std::string path, std::string imageFile, std::uint64_t bytes)
    : path_(std::move(path)), image_(std::move(imageFile)), sectors_(bytes / 512),
      fd_(::open(image_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
    if (fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(bytes)) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ImageDisk::~ImageDisk() {
    if (fd_ >= 0) ::close(fd_);
}

platform::OpenResult ImageDisk::Open(std::string_view path, platform::ShareMode) {
    ++opens;
    if (path != path_ || fd_ < 0) return {nullptr, ENOENT};
    return {std::make_unique<ImageHandle>(*this), 0};
}

}  // namespace qx::test
