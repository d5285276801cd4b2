// A simulated volume (a partition node of a simulated disk) as the device
// tree keeps it across opens: whether a file system is mounted from it, how
// full that file system is, and what its handles were asked to do, so tests
// can hold the image restore to its lock discipline.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/device_tree.h"

namespace qx::sim {

struct SimVolumeCounters {
    int locks = 0;      // Lock calls, failed ones included
    int unlocks = 0;    // Unlock calls
    int closes = 0;     // handles closed
};

class SimVolumeState {
public:
    void SetUsage(std::uint64_t totalBytes, std::uint64_t usedBytes);
    platform::VolumeUsage Usage() const;
    // The next count Lock calls fail; -1: every one.
    void FailLocks(int count);
    SimVolumeCounters Counters() const;

    // What a handle reports; Lock also fails while the volume is in use.
    bool Lock(bool inUse);
    void Unlocked();
    void Closed();

private:
    mutable std::mutex lock_;
    std::uint64_t totalBytes_ = 0;
    std::uint64_t usedBytes_ = 0;
    int failLocks_ = 0;
    SimVolumeCounters counters_;
};

// One opened volume; closing it (destroying it) counts as a close.
class SimVolumeHandle final : public platform::VolumeHandle {
public:
    SimVolumeHandle(std::shared_ptr<SimVolumeState> state, bool inUse) : state_(std::move(state)), inUse_(inUse) {}
    ~SimVolumeHandle() override { state_->Closed(); }
    SimVolumeHandle(const SimVolumeHandle&) = delete;
    SimVolumeHandle& operator=(const SimVolumeHandle&) = delete;

    bool Lock() override;
    bool Unlock() override;

private:
    std::shared_ptr<SimVolumeState> state_;
    bool inUse_;
    bool locked_ = false;
};

}  // namespace qx::sim
