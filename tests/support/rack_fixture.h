// A simulated rack with one drive behind a USB-to-SATA bridge (slot 0, SATA
// path) and one on the controller's own USB interface (slot 1, USB path),
// on the virtual clock, with the trace lines captured. The rack's request log
// is off, as on a long run; a fixture whose tests read it turns it on in its
// constructor: logUse_ = LogUse::Requests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/base/switches.h"
#include "sim/rack/sim_rack.h"

namespace qx::test {

inline constexpr int kSataSlot = 0;
inline constexpr int kUsbSlot = 1;

class RackFixture : public ::testing::Test {
protected:
    // What the rack keeps of the requests its drives receive: nothing; every
    // request, with data-out up to a sector byte for byte and longer data as
    // its length and digest; or every request with all its data.
    enum class LogUse { Off, Requests, RequestsWithData };

    void SetUp() override {
        if (logUse_ != LogUse::Off)
            rack_.Log().Configure({.keep = true, .wholeData = logUse_ == LogUse::RequestsWithData});
        platform::SetClock(&clock_);
        platform::SetTraceSink([this](std::string_view t) { traces_.emplace_back(t); });
        sim::DriveConfig sata;
        sata.frontEnd = sim::FrontEnd::Bridge;
        sata.state = sim::ControllerState::Loader;
        sim::DriveConfig usb = sata;
        usb.frontEnd = sim::FrontEnd::NativeUsb;
        usb.chipTag = "q461";
        sataDrive_ = &rack_.AddDrive(sataPath_, sata);
        usbDrive_ = &rack_.AddDrive(usbPath_, usb);
        Point(kSataSlot, sataPath_, 0);
        Point(kUsbSlot, usbPath_, 1);
        savedMode_ = TransferMode.load();
    }

    void TearDown() override {
        for (DeviceSlot& s : DeviceSlots) {
            s.InterfacePath.clear();
            s.UsbPath = 0;
            s.DirectAta = 0;
            // What a test's drive work left with its slot goes too.
            s.TransferMode = kTransferModeFromSettings;
            s.DumpDebugFile = false;
        }
        TransferMode = savedMode_;
        platform::SetTraceSink({});
        platform::SetClock(nullptr);
        EXPECT_EQ(rack_.OpenHandles(), 0) << "a request left its device open";
    }

    static void Point(int slot, const std::string& path, std::uint8_t usb) {
        DeviceSlots[static_cast<std::size_t>(slot)].InterfacePath = path.c_str();
        DeviceSlots[static_cast<std::size_t>(slot)].UsbPath = usb;
        DeviceSlots[static_cast<std::size_t>(slot)].DirectAta = 0;
    }

    sim::SimDrive& DriveOf(int slot) { return slot == kUsbSlot ? *usbDrive_ : *sataDrive_; }
    std::vector<sim::LoggedRequest> Log() const { return rack_.Log().Snapshot(); }

    LogUse logUse_ = LogUse::Off;
    platform::VirtualClock clock_;
    sim::SimRack rack_;
    sim::ScopedRack use_{rack_};
    std::string sataPath_ = "\\\\?\\usbstor#disk&ven_qx&prod_sata#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    std::string usbPath_ = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    sim::SimDrive* sataDrive_ = nullptr;
    sim::SimDrive* usbDrive_ = nullptr;
    std::vector<std::string> traces_;
    std::uint8_t savedMode_ = 2;
};

}  // namespace qx::test
