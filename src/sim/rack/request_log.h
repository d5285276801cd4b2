// The requests simulated drives receive, in order, with their bytes. Off
// unless asked for: a rack that serves a long run keeps nothing, a test keeps
// what it reads, and a bounded log keeps only each drive's last requests.
// Each drive logs into a segment of its own, so fifty drives logging at once
// do not queue for one lock; a snapshot puts the segments back in order.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/device_io.h"

namespace qx::sim {

enum class Route : std::uint8_t { Scsi, Ata };

// Data sent to a drive up to this length is kept byte for byte: the vendor
// tunnel's command sector, a one-sector write. Longer data is kept as its
// length (wireLength) and digest unless the log was asked for whole data.
inline constexpr std::size_t kLoggedDataBytes = 512;

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
    std::vector<std::uint8_t> dataOut;      // bytes sent to the drive (see kLoggedDataBytes)
    std::uint64_t dataOutDigest = 0;        // DataDigest of every byte sent, kept or not
    std::uint64_t timeMs = 0;               // virtual time at arrival
    std::uint64_t sequence = 0;             // order of arrival over the whole rack
};

// FNV-1a, 64 bits: enough to tell two long transfers apart in a test.
std::uint64_t DataDigest(std::span<const std::uint8_t> bytes);

struct LogOptions {
    bool keep = false;            // false: the log keeps nothing
    std::size_t ringSize = 0;     // 0: every request; n: each drive's last n requests
    bool wholeData = false;       // data-out kept whole at any length
};

class RequestLog {
public:
    class Segment;   // one drive's requests
    RequestLog();
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    void Configure(const LogOptions& options);   // also clears the log
    // On: keep every request (Configure({.keep = true})); off: keep nothing.
    void SetEnabled(bool on) { Configure({.keep = on}); }
    LogOptions Options() const;
    // Cheap enough to ask on every request: no lock.
    bool Enabled() const { return keep_.load(std::memory_order_acquire); }
    // Keeps the data-out whole (short or asked for) or as its digest.
    bool KeepsWholeData(std::size_t bytes) const;

    // A segment for a drive plugged in; the log keeps it (and what it holds).
    std::shared_ptr<Segment> NewSegment();
    void Add(Segment& segment, LoggedRequest r);

    std::vector<LoggedRequest> Snapshot() const;   // in order of arrival
    std::vector<LoggedRequest> For(const std::string& path) const;   // one drive's requests
    std::size_t Size() const;
    void Clear();

private:
    std::atomic<bool> keep_{false};
    std::atomic<bool> wholeData_{false};
    std::atomic<std::size_t> ringSize_{0};
    alignas(64) std::atomic<std::uint64_t> sequence_{0};
    alignas(64) mutable std::mutex lock_;                // the list of segments
    std::vector<std::shared_ptr<Segment>> segments_;
};

}  // namespace qx::sim
