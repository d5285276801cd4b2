// One simulated drive: its configuration, its state and the two request
// entries (SCSI and ATA) the rack's device handles call. The drive is a model
// of a controller, not a recorder: it answers from its own state and refuses
// what a real drive would refuse.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device_io.h"
#include "sim/config/drive_config.h"
#include "sim/config/faults.h"

namespace qx::sim {

class DriveModel;

class SimDrive {
public:
    explicit SimDrive(const DriveConfig& config);
    ~SimDrive();
    SimDrive(const SimDrive&) = delete;
    SimDrive& operator=(const SimDrive&) = delete;

    const DriveConfig& Config() const;

    void AddFault(const FaultRule& rule);
    void ClearFaults();
    std::vector<FaultRule> Faults() const;

    ControllerState State() const;
    void SetState(ControllerState state);      // clears vendor mode, as every change does
    void RunProgram(ProgramKind kind);         // as if that program had been started
    bool VendorMode() const;
    void SetVendorMode(bool on);
    // False while the drive is unplugged from the host's view (firmware boot
    // on the controller's own USB interface).
    bool Present();

    // User sectors (512 bytes each); unwritten sectors read as zero.
    std::vector<std::uint8_t> ReadUserSectors(std::uint64_t lba, std::uint32_t count) const;
    void WriteUserSectors(std::uint64_t lba, const std::vector<std::uint8_t>& data);
    std::size_t StoredSectorCount() const;     // sectors held in memory
    std::uint64_t CapacitySectors() const;     // as reported (after SET MAX)

    // Everything else the engines keep; for tests that set up or inspect
    // controller state. Lock() while touching it from a test thread that
    // runs beside requests.
    DriveModel& Model() {
        Touch();
        return *model_;
    }
    const DriveModel& Model() const { return *model_; }

    // Moves on with every request and every change made through this class
    // (or through the writable Model()): a rack saves only the drives whose
    // count moved since their last save.
    std::uint64_t Changes() const { return changes_.load(std::memory_order_acquire); }
    // The count its state file holds (0: none written or read yet).
    std::uint64_t SavedChanges() const { return saved_.load(std::memory_order_acquire); }
    void MarkSaved(std::uint64_t changes) { saved_.store(changes, std::memory_order_release); }
    std::unique_lock<std::mutex> Lock() const { return std::unique_lock(lock_); }

    // Request entries (the rack's handles call these).
    platform::ScsiResult Scsi(const platform::ScsiCommand& cmd);
    platform::AtaResult Ata(const platform::AtaCommand& cmd);
    // Asked by the rack at open time: 0 or the errno the open fails with.
    int OpenError();

private:
    void Touch() { changes_.fetch_add(1, std::memory_order_acq_rel); }
    void TickLocked();
    // Counts a change when the change is done (after the lock is let go): a
    // save that comes in between saves the drive again next time, never
    // misses it.
    struct ChangeMark {
        SimDrive& drive;
        ~ChangeMark() { drive.Touch(); }
    };

    // A line of its own: the drives of a rack sit side by side in memory and
    // each is locked several times per request by its own worker.
    alignas(64) mutable std::mutex lock_;
    std::unique_ptr<DriveModel> model_;
    std::atomic<std::uint64_t> changes_{1};
    std::atomic<std::uint64_t> saved_{0};
};

}  // namespace qx::sim
