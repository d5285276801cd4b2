// Device I/O: one SCSI or ATA pass-through request to a drive, by interface path.
// The library opens the path for every request and closes it right after, so a
// backend keeps no per-drive state between requests.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace qx::platform {

enum class Direction : std::uint8_t { None, In, Out };

// How a path is opened: ATA requests want the drive to themselves, SCSI
// requests share it with other readers and writers.
enum class ShareMode : std::uint8_t { Exclusive, Shared };

struct ScsiCommand {
    std::span<const std::uint8_t> cdb;
    Direction dir = Direction::None;
    std::span<std::uint8_t> data;           // filled on In, sent on Out
    std::chrono::seconds timeout{10};

    static ScsiCommand DataIn(std::span<const std::uint8_t> cdb, std::span<std::uint8_t> buf,
                              std::chrono::seconds t) { return {cdb, buf.empty() ? Direction::None : Direction::In, buf, t}; }
    static ScsiCommand DataOut(std::span<const std::uint8_t> cdb, std::span<std::uint8_t> buf,
                               std::chrono::seconds t) { return {cdb, buf.empty() ? Direction::None : Direction::Out, buf, t}; }
};

struct ScsiResult {
    bool ok = false;                  // the system call succeeded
    int error = 0;                    // system error code (errno), 0 when none
    std::uint32_t transferred = 0;    // bytes moved
    std::uint8_t status = 0;          // SCSI status byte (0 good, 2 CHECK CONDITION)
    std::array<std::uint8_t, 32> sense{};
    std::uint8_t senseLength = 0;
};

// The eight task-file bytes in the order the library keeps them. Sent:
// features, count, LBA low, mid, high, device, command, reserved.
// Returned: error, count, LBA low, mid, high, device, status, reserved.
using TaskFile = std::array<std::uint8_t, 8>;
enum TaskFileByte : std::size_t {
    kTfFeatures = 0, kTfError = 0, kTfCount = 1, kTfLbaLow = 2, kTfLbaMid = 3,
    kTfLbaHigh = 4, kTfDevice = 5, kTfCommand = 6, kTfStatus = 6, kTfReserved = 7,
};

struct AtaCommand {
    TaskFile current{};
    TaskFile previous{};                // high halves, used when ext48
    bool ext48 = false;
    Direction dir = Direction::None;
    bool dma = false;
    std::span<std::uint8_t> data;
    std::chrono::seconds timeout{10};
};

struct AtaResult {
    bool ok = false;                    // the system call succeeded
    int error = 0;
    TaskFile current{};                 // returned registers; status ERR set when the command failed
    TaskFile previous{};                // returned high-order bytes (48-bit commands)
    bool registers = false;             // the drive's registers came back (else only the status is known)
    bool upperLost = false;             // a high-order byte is nonzero but was not returned
};

class DeviceHandle {
public:
    virtual ~DeviceHandle() = default;
    virtual ScsiResult Scsi(const ScsiCommand& cmd) = 0;
    virtual AtaResult Ata(const AtaCommand& cmd) = 0;
};

struct OpenResult {
    std::unique_ptr<DeviceHandle> handle;   // empty when the open failed
    int error = 0;
};

class DeviceIo {
public:
    virtual ~DeviceIo() = default;
    virtual OpenResult Open(std::string_view path, ShareMode mode) = 0;
    // As Open, but a lock that another process holds on the drive for a
    // moment (udev probing a disk after it was written or its partition
    // table re-read) is waited for, up to wait. A lock this process holds is
    // never waited for. Backends without such locks open at once.
    virtual OpenResult OpenWaiting(std::string_view path, ShareMode mode, std::chrono::milliseconds wait) {
        static_cast<void>(wait);
        return Open(path, mode);
    }
};

// The backend every request goes through. Chosen once at start; tests swap it.
DeviceIo& Devices();
void SetDevices(DeviceIo* io);   // nullptr restores the Linux backend

}  // namespace qx::platform
