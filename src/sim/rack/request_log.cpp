#include "sim/rack/request_log.h"

namespace qx::sim {

std::uint64_t DataDigest(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const std::uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001B3ull;
    }
    return h;
}

void RequestLog::Configure(const LogOptions& options) {
    std::lock_guard g(lock_);
    entries_.clear();
    entries_.shrink_to_fit();
    oldest_ = 0;
    ringSize_ = options.ringSize;
    if (ringSize_ != 0) entries_.reserve(ringSize_);
    wholeData_.store(options.wholeData, std::memory_order_relaxed);
    keep_.store(options.keep, std::memory_order_release);
}

LogOptions RequestLog::Options() const {
    std::lock_guard g(lock_);
    return {keep_.load(), ringSize_, wholeData_.load()};
}

bool RequestLog::KeepsWholeData(std::size_t bytes) const {
    return bytes <= kLoggedDataBytes || wholeData_.load(std::memory_order_relaxed);
}

void RequestLog::Add(LoggedRequest r) {
    std::lock_guard g(lock_);
    if (!keep_.load(std::memory_order_relaxed)) return;
    if (ringSize_ == 0 || entries_.size() < ringSize_) {
        entries_.push_back(std::move(r));
        return;
    }
    entries_[oldest_] = std::move(r);
    oldest_ = (oldest_ + 1) % ringSize_;
}

std::vector<LoggedRequest> RequestLog::Snapshot() const {
    std::lock_guard g(lock_);
    std::vector<LoggedRequest> out;
    out.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) out.push_back(entries_[(oldest_ + i) % entries_.size()]);
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
    return entries_.size();
}

void RequestLog::Clear() {
    std::lock_guard g(lock_);
    entries_.clear();
    oldest_ = 0;
}

}  // namespace qx::sim
