// A drive for the formatter tests: READ(10) and WRITE(10) on a sparse image
// file, nothing else. It counts what is written and can be made to fail.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/device_io.h"

namespace qx::test {

class ImageDisk final : public platform::DeviceIo {
public:
    // A sparse image of bytes; the drive answers at path.
    ImageDisk(std::string path, std::string imageFile, std::uint64_t bytes);
    ~ImageDisk() override;
    ImageDisk(const ImageDisk&) = delete;
    ImageDisk& operator=(const ImageDisk&) = delete;

    platform::OpenResult Open(std::string_view path, platform::ShareMode mode) override;
    // Records how long the caller would wait for a lock, then opens.
    platform::OpenResult OpenWaiting(std::string_view path, platform::ShareMode mode,
                                     std::chrono::milliseconds wait) override {
        lastLockWaitMs = wait.count();
        return Open(path, mode);
    }

    std::atomic<std::uint64_t> bytesWritten{0};
    std::atomic<int> opens{0};
    std::atomic<long long> lastLockWaitMs{-1};
    std::atomic<int> writesBeforeFailure{-1};   // -1: never fail
    std::atomic<bool> readsReturnNoise{false};  // every read comes back non-zero

    const std::string& image() const { return image_; }

private:
    friend class ImageHandle;
    std::string path_;
    std::string image_;
    std::uint64_t sectors_;
    int fd_;
};

}  // namespace qx::test
