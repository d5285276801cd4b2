#include "sim/rack/sim_volume.h"

#include <algorithm>
#include <utility>

namespace qx::sim {

void SimVolumeState::SetUsage(std::uint64_t totalBytes, std::uint64_t usedBytes) {
    std::lock_guard hold(lock_);
    totalBytes_ = totalBytes;
    usedBytes_ = std::min(usedBytes, totalBytes);
}

platform::VolumeUsage SimVolumeState::Usage() const {
    std::lock_guard hold(lock_);
    return {totalBytes_, totalBytes_ - usedBytes_};
}

void SimVolumeState::FailLocks(int count) {
    std::lock_guard hold(lock_);
    failLocks_ = count;
}

SimVolumeCounters SimVolumeState::Counters() const {
    std::lock_guard hold(lock_);
    return counters_;
}

bool SimVolumeState::Lock(bool inUse) {
    std::lock_guard hold(lock_);
    ++counters_.locks;
    if (failLocks_ != 0) {
        if (failLocks_ > 0) --failLocks_;
        return false;
    }
    return !inUse;
}

void SimVolumeState::Unlocked() {
    std::lock_guard hold(lock_);
    ++counters_.unlocks;
}

void SimVolumeState::Closed() {
    std::lock_guard hold(lock_);
    ++counters_.closes;
}

bool SimVolumeHandle::Lock() {
    if (!state_->Lock(inUse_)) return false;
    locked_ = true;
    return true;
}

bool SimVolumeHandle::Unlock() {
    state_->Unlocked();
    return std::exchange(locked_, false);
}

}  // namespace qx::sim
