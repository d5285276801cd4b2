#include "sim/rack/request_log.h"

#include <algorithm>
#include <mutex>

namespace qx::sim {

std::uint64_t DataDigest(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001B3ull;
    }
    return h;
}

// On a line of its own: each drive's worker takes its segment's lock. The
// order within a segment does not matter: a snapshot sorts by sequence.
class alignas(64) RequestLog::Segment {
public:
    void Add(LoggedRequest r, std::size_t ringSize) {
        std::lock_guard g(lock_);
        if (ringSize == 0 || entries_.size() < ringSize) {
            entries_.push_back(std::move(r));
            return;
        }
        entries_[next_] = std::move(r);   // over the oldest
        next_ = (next_ + 1) % entries_.size();
    }
    void AppendTo(std::vector<LoggedRequest>& out) const {
        std::lock_guard g(lock_);
        out.insert(out.end(), entries_.begin(), entries_.end());
    }
    std::size_t Size() const {
        std::lock_guard g(lock_);
        return entries_.size();
    }
    void Clear() {
        std::lock_guard g(lock_);
        entries_ = {};
        next_ = 0;
    }

private:
    mutable std::mutex lock_;
    std::vector<LoggedRequest> entries_;
    std::size_t next_ = 0;   // the oldest entry once a ring is full
};

RequestLog::RequestLog() = default;
RequestLog::~RequestLog() = default;

void RequestLog::Configure(const LogOptions& options) {
    std::lock_guard g(lock_);
    ringSize_.store(options.ringSize, std::memory_order_relaxed);
    wholeData_.store(options.wholeData, std::memory_order_relaxed);
    keep_.store(options.keep, std::memory_order_release);
    for (const auto& s : segments_) s->Clear();
}

LogOptions RequestLog::Options() const { return {keep_.load(), ringSize_.load(), wholeData_.load()}; }

bool RequestLog::KeepsWholeData(std::size_t bytes) const {
    return bytes <= kLoggedDataBytes || wholeData_.load(std::memory_order_relaxed);
}

std::shared_ptr<RequestLog::Segment> RequestLog::NewSegment() {
    auto segment = std::make_shared<Segment>();
    std::lock_guard g(lock_);
    segments_.push_back(segment);
    return segment;
}

void RequestLog::Add(Segment& segment, LoggedRequest r) {
    if (!keep_.load(std::memory_order_acquire)) return;
    r.sequence = sequence_.fetch_add(1, std::memory_order_relaxed);
    segment.Add(std::move(r), ringSize_.load(std::memory_order_relaxed));
}

std::vector<LoggedRequest> RequestLog::Snapshot() const {
    std::vector<LoggedRequest> out;
    {
        std::lock_guard g(lock_);
        for (const auto& s : segments_) s->AppendTo(out);
    }
    std::sort(out.begin(), out.end(),
              [](const LoggedRequest& a, const LoggedRequest& b) { return a.sequence < b.sequence; });
    return out;
}

std::vector<LoggedRequest> RequestLog::For(const std::string& path) const {
    std::vector<LoggedRequest> out;
    for (LoggedRequest& e : Snapshot())
        if (e.path == path) out.push_back(std::move(e));
    return out;
}

std::size_t RequestLog::Size() const {
    std::lock_guard g(lock_);
    std::size_t n = 0;
    for (const auto& s : segments_) n += s->Size();
    return n;
}

void RequestLog::Clear() {
    std::lock_guard g(lock_);
    for (const auto& s : segments_) s->Clear();
}

}  // namespace qx::sim
