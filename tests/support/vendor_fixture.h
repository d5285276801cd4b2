// The rack fixture (a SATA-path drive on slot 0, a USB-path drive on slot 1,
// virtual clock, captured traces) with what the vendor access layer needs
// besides: a flash configuration matching the simulated NAND, the global
// switches put back after each test, and the request log read as short
// words so a test can state a whole command sequence on one line.
#pragma once

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/base/switches.h"
#include "sim/model/drive_model.h"
#include "support/rack_fixture.h"
#include "support/sim_flash_config.h"

namespace qx::test {

using Texts = std::vector<std::string>;

// One page of every channel of the simulated drives (4 channels, 8 sectors).
inline constexpr std::size_t kPageSetBytes = 4 * 8 * 512;

// One logged request as a word:
//   "V83"   vendor command 0x83 (the CDB on the USB path, the command sector
//           through the tunnel on the SATA path)
//   "<89"   / ">8A"  tunnel data phase of sub-opcode 0x89 read / 0x8A written
//   "reply" the tunnel's reply sector read
//   "SF51"  SET FEATURES 0xDC with count 0x51 ("SF58" leaves)
//   "ID" IDENTIFY, "INQ" INQUIRY, "RC" READ CAPACITY(10), "W10" WRITE(10)
inline std::string Word(const sim::LoggedRequest& r) {
    char w[16];
    const std::vector<std::uint8_t>& c = r.cdb;
    if (c.empty()) return "?";
    if (c[0] == 0xFF && c.size() >= 3) {
        std::snprintf(w, sizeof w, "V%02X", c[2]);
        return w;
    }
    if (c[0] == 0xA1 && c.size() >= 10) {
        const std::uint8_t cmd = c[9];
        const bool tunnel = c[6] == 0x34 && c[7] == 0x12;
        if (cmd == 0xEF) {
            std::snprintf(w, sizeof w, "SF%02X", c[4]);
            return w;
        }
        if (cmd == 0xEC) return "ID";
        if (tunnel) {
            const bool write = c[2] == 0x03;
            if (c[5] == 0xFF) {
                if (!write) return "reply";
                std::snprintf(w, sizeof w, "V%02X", r.dataOut.size() > 2 ? r.dataOut[2] : 0);
                return w;
            }
            std::snprintf(w, sizeof w, "%c%02X", write ? '>' : '<', c[5]);
            return w;
        }
    }
    switch (c[0]) {
        case 0x12: return "INQ";
        case 0x25: return "RC";
        case 0x2A: return "W10";
        case 0x28: return "R10";
        default: break;
    }
    std::snprintf(w, sizeof w, "op%02X", c[0]);
    return w;
}

// The block of a vendor command as the drive got it: the CDB on the USB
// path, the command sector's head on the SATA path.
inline std::vector<std::uint8_t> VendorBlockOf(const sim::LoggedRequest& r, std::size_t size) {
    if (!r.cdb.empty() && r.cdb[0] == 0xFF) return {r.cdb.begin(), r.cdb.begin() + std::min(size, r.cdb.size())};
    if (r.dataOut.size() >= size) return {r.dataOut.begin(), r.dataOut.begin() + static_cast<std::ptrdiff_t>(size)};
    return {};
}

// The virtual clock, except that a wait cancels the worker's token and
// fails, as when the watchdog fires during it. Requests after that are
// refused by the transport.
class CancelOnWaitClock final : public platform::Clock {
public:
    CancelOnWaitClock(platform::VirtualClock& base, platform::CancelToken& token, int waitsBefore = 0)
        : base_(base), token_(token), left_(waitsBefore) {}
    std::uint64_t NowMs() override { return base_.NowMs(); }
    bool Wait(std::uint64_t ms) override {
        if (left_-- > 0) return base_.Wait(ms);
        token_.Cancel();
        return false;
    }
private:
    platform::VirtualClock& base_;
    platform::CancelToken& token_;
    int left_;
};

class VendorFixture : public RackFixture {
protected:
    // Its helpers read the request log.
    VendorFixture() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        RackFixture::SetUp();
        DumpDebugFile = false;
        for (int s : {kSataSlot, kUsbSlot}) DeviceSlots[static_cast<std::size_t>(s)].CodeBlocks = {};
        DescribeSimulatedNand(config_);
    }

    void TearDown() override {
        DumpDebugFile = false;
        for (int s : {kSataSlot, kUsbSlot}) DeviceSlots[static_cast<std::size_t>(s)].CodeBlocks = {};
        RackFixture::TearDown();
    }

    const std::string& PathOf(int slot) const { return slot == kUsbSlot ? usbPath_ : sataPath_; }

    std::vector<sim::LoggedRequest> Requests(int slot) const { return rack_.Log().For(PathOf(slot)); }

    std::vector<std::string> Sent(int slot) const {
        std::vector<std::string> out;
        for (const sim::LoggedRequest& r : Requests(slot)) out.push_back(Word(r));
        return out;
    }

    // The vendor commands only (no data phases, replies or ATA commands).
    std::vector<std::vector<std::uint8_t>> VendorBlocks(int slot, std::size_t size = 12) const {
        std::vector<std::vector<std::uint8_t>> out;
        for (const sim::LoggedRequest& r : Requests(slot))
            if (Word(r)[0] == 'V') out.push_back(VendorBlockOf(r, size));
        return out;
    }

    // Puts a drive into the vendor command mode the SATA tunnel needs, as
    // the enable sequence would, without logging anything.
    void VendorModeOn(int slot) {
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().vendorMode = true;
    }
    void SetState(int slot, sim::ControllerState s) {
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().ChangeState(s);
    }

    // Produced drives: they run their firmware and, unless told otherwise,
    // are in the vendor mode a refresh leaves them in.
    void FirmwareDrives(std::initializer_list<int> drives = {kSataSlot, kUsbSlot}, bool vendorMode = true) {
        for (int s : drives) {
            SetState(s, sim::ControllerState::Firmware);
            if (vendorMode) VendorModeOn(s);
        }
    }

    // A program of that kind runs in code RAM, in vendor mode.
    void RunProgram(int slot, sim::ProgramKind kind = sim::ProgramKind::Diagnostic) {
        SetState(slot, sim::ControllerState::ProgramRunning);
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().program = kind;
        DriveOf(slot).Model().vendorMode = true;
    }

    bool Traced(const std::string& line) const {
        for (const std::string& t : traces_)
            if (t == line) return true;
        return false;
    }

    // The trace lines of the layer under test, without the lines the
    // transport and the tunnel write for the same failure underneath.
    std::vector<std::string> LayerTraces() const {
        std::vector<std::string> out;
        for (const std::string& t : traces_)
            if (t.rfind("LastError(", 0) != 0 && t.rfind("FAILED(VC_SATA_", 0) != 0 &&
                t.find("(INVALID_HANDLE_VALUE)") == std::string::npos)
                out.push_back(t);
        return out;
    }

    void ClearLog() {
        rack_.Log().Clear();
        traces_.clear();
    }

    FlashConfig config_{};
};

// Both paths, for tests that run the same on each.
inline constexpr int kBothSlots[] = {kSataSlot, kUsbSlot};

}  // namespace qx::test
