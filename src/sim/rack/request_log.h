// Every request a simulated drive receives, in order, with its exact bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device_io.h"

namespace qx::sim {

enum class Route : std::uint8_t { Scsi, Ata };

struct LoggedRequest {
    std::string path;
    Route route = Route::Scsi;
    std::vector<std::uint8_t> cdb;          // SCSI: the command block as sent
    platform::TaskFile current{};           // ATA: task files as sent
    platform::TaskFile previous{};
    bool ext48 = false;
    bool dma = false;
    platform::Direction dir = platform::Direction::None;
    std::uint32_t wireLength = 0;           // data bytes on the wire
    std::chrono::seconds timeout{0};
    std::vector<std::uint8_t> dataOut;      // bytes sent to the drive
    std::uint64_t timeMs = 0;               // virtual time at arrival
};

class RequestLog {
public:
    void Add(LoggedRequest r);
    std::vector<LoggedRequest> Snapshot() const;
    std::vector<LoggedRequest> For(const std::string& path) const;   // one drive's requests
    std::size_t Size() const;
    void Clear();
    // Long runs on a rack (the demo) keep nothing; tests keep everything.
    void SetEnabled(bool on);
    bool Enabled() const;
private:
    mutable std::mutex lock_;
    std::vector<LoggedRequest> entries_;
    bool enabled_ = true;
};

}  // namespace qx::sim
