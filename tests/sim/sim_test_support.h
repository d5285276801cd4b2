// Helpers for the simulated rack's own tests: send single requests through
// the installed device backend, as the library's transport does.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/device_io.h"
#include "sim/model/drive_model.h"
#include "sim/rack/sim_rack.h"

namespace qx::sim::test {

inline const std::string kBridgePath =
    "\\\\?\\usbstor#disk&ven_qx&prod_bridge#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
inline const std::string kUsbPath =
    "\\\\?\\usbstor#disk&ven_qx&prod_native#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under /tmp, removed with everything in it.
class Folder {
public:
    Folder() {
        char pattern[] = "/tmp/qxrack.XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// A rack with a virtual clock, installed for the test's life.
class RackTest {
public:
    RackTest() : scoped_(rack) { platform::SetClock(&clock); }
    ~RackTest() { platform::SetClock(nullptr); }
    // The log is off unless a test that reads it turns it on.
    void KeepLog(bool wholeData = false) { rack.Log().Configure({.keep = true, .wholeData = wholeData}); }
    platform::VirtualClock clock;
    SimRack rack;

private:
    ScopedRack scoped_;
};

inline platform::ScsiResult SendScsi(const std::string& path, const Bytes& cdb, platform::Direction dir,
                                     Bytes& data, int timeoutSec = 10) {
    auto open = platform::Devices().Open(path, platform::ShareMode::Shared);
    if (!open.handle) {
        platform::ScsiResult r;
        r.error = open.error;
        return r;
    }
    return open.handle->Scsi({cdb, data.empty() ? platform::Direction::None : dir, data,
                              std::chrono::seconds(timeoutSec)});
}

inline platform::ScsiResult SendScsi(const std::string& path, const Bytes& cdb) {
    Bytes none;
    return SendScsi(path, cdb, platform::Direction::None, none);
}

inline platform::AtaResult SendAta(const std::string& path, platform::AtaCommand cmd) {
    auto open = platform::Devices().Open(path, platform::ShareMode::Exclusive);
    if (!open.handle) {
        platform::AtaResult r;
        r.error = open.error;
        return r;
    }
    return open.handle->Ata(cmd);
}

// SAT ATA PASS-THROUGH(12): protocol byte, flags byte, then the seven task-file
// bytes features, count, LBA low, mid, high, device, command.
inline Bytes Sat12(std::uint8_t protocol, std::uint8_t flags, std::uint8_t features, std::uint8_t count,
                   std::uint8_t lbaLow, std::uint8_t lbaMid, std::uint8_t lbaHigh, std::uint8_t device,
                   std::uint8_t command) {
    return {0xA1, protocol, flags, features, count, lbaLow, lbaMid, lbaHigh, device, command, 0, 0};
}

// The tunnel's SAT block for one transfer mode (0, 1, 2).
inline Bytes TunnelBlock(int mode, bool write, std::uint8_t count, std::uint8_t lbaLow) {
    static constexpr std::uint8_t kProto[3][2] = {{0x08, 0x0A}, {0x08, 0x0A}, {0x14, 0x16}};
    static constexpr std::uint8_t kCmd[3][2] = {{0xC4, 0xC5}, {0x8A, 0x8F}, {0x86, 0x88}};
    return Sat12(kProto[mode][write], write ? 0x03 : 0x0B, 0, count, lbaLow, 0x34, 0x12, 0xE0, kCmd[mode][write]);
}

inline Bytes SetVendorMode(bool on) { return Sat12(0x06, 0, 0xDC, on ? 0x51 : 0x58, 0, 0, 0, 0xE0, 0xEF); }

// A vendor block of 12 or 20 bytes: FF, path byte, sub, operands.
inline Bytes VendorBlock(bool sata, std::uint8_t sub, std::initializer_list<std::uint8_t> operands = {},
                         std::size_t size = 12) {
    Bytes b(size, 0);
    b[0] = 0xFF;
    b[1] = sata ? 0xE5 : 0x04;
    b[2] = sub;
    std::size_t i = 3;
    for (auto v : operands) b[i++] = v;
    return b;
}

// One vendor command end to end on either path, as the library sends it:
// the CDB with its data on the USB path; the command sector, then the data
// phase through the tunnel on the SATA path. False when a transfer failed
// or the drive ended it with CHECK CONDITION.
inline bool SendVendor(const std::string& path, bool sata, int mode, const Bytes& block, platform::Direction dir,
                       Bytes& data) {
    auto good = [](const platform::ScsiResult& r) { return r.ok && r.status == 0; };
    if (!sata) return good(SendScsi(path, Bytes(block.begin(), block.begin() + 12), dir, data));
    Bytes sector(512, 0);
    std::copy(block.begin(), block.end(), sector.begin());
    if (!good(SendScsi(path, TunnelBlock(mode, true, 1, 0xFF), platform::Direction::Out, sector))) return false;
    if (data.empty()) return true;
    const auto count = static_cast<std::uint8_t>(data.size() / 512);
    return good(SendScsi(path, TunnelBlock(mode, dir == platform::Direction::Out, count, block[2]), dir, data));
}

}  // namespace qx::sim::test
