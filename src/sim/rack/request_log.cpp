#include "sim/rack/request_log.h"

namespace qx::sim {

void RequestLog::Add(LoggedRequest r) {
    std::lock_guard g(lock_);
    if (enabled_) entries_.push_back(std::move(r));
}

void RequestLog::SetEnabled(bool on) {
    std::lock_guard g(lock_);
    enabled_ = on;
}

std::vector<LoggedRequest> RequestLog::Snapshot() const {
    std::lock_guard g(lock_);
    return entries_;
}

std::vector<LoggedRequest> RequestLog::For(const std::string& path) const {
    std::lock_guard g(lock_);
    std::vector<LoggedRequest> out;
    for (const auto& e : entries_)
        if (e.path == path) out.push_back(e);
    return out;
}

std::size_t RequestLog::Size() const {
    std::lock_guard g(lock_);
    return entries_.size();
}

void RequestLog::Clear() {
    std::lock_guard g(lock_);
    entries_.clear();
}

bool RequestLog::Enabled() const {
    std::lock_guard g(lock_);
    return enabled_;
}

}  // namespace qx::sim
