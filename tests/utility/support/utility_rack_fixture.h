// A simulated machine for the utility: drives registered under the paths the
// scan classes (ide, scsi, usbstor), listed by a simulated device tree, on
// the virtual clock, with trace lines captured and the window logic over a
// recording view, a recording page set and a scripted prompter.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/device_tree.h"
#include "platform/trace_sink.h"
#include "qxlib/base/switches.h"
#include "qxlib/transport/device_slot.h"
#include "sim/rack/drive_config_text.h"
#include "sim/rack/ini_text.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/model/drive_model.h"
#include "sim/rack/sim_rack.h"
#include "utility/support/recording_page_set.h"
#include "utility/support/recording_view.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"
#include "utility/main_form_logic.h"

namespace qx::test {

inline std::string IdePath(int n) {
    return "\\\\?\\IDE#DiskQX_SSD_" + std::to_string(n) + "#5&1&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}
inline std::string ScsiPath(int n) {
    return "\\\\?\\SCSI#Disk&Ven_QX&Prod_SSD#" + std::to_string(n) + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}
inline std::string UsbPath(int n) {
    return "\\\\?\\USBSTOR#Disk&Ven_QX&Prod_SSD#000" + std::to_string(n) + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}
inline std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// A produced drive running its firmware.
inline sim::DriveConfig Produced(const std::string& serial, const std::string& chipTag = "q455") {
    sim::DriveConfig c;
    c.frontEnd = sim::FrontEnd::Bridge;
    c.chipTag = chipTag;
    c.state = sim::ControllerState::Firmware;
    c.serial = serial;
    c.model = "QX SSD " + serial;
    c.systemModel = "843";
    c.systemVersion = "1A0151";
    c.systemVariant = "41";
    return c;
}

inline sim::DriveConfig NativeUsb(const std::string& serial) {
    sim::DriveConfig c = Produced(serial, "q814");
    c.frontEnd = sim::FrontEnd::NativeUsb;
    c.inquiryVendor = "QUORLIX";
    c.inquiryProduct = "QXF84X USB";
    return c;
}

class UtilityRackFixture : public ::testing::Test {
protected:
    void SetUp() override {
        rack_.Log().Configure({.keep = true});   // the tests read what the scan sent
        platform::SetClock(&clock_);
        platform::SetTraceSink([this](std::string_view t) { traces_.emplace_back(t); });
        platform::SetDevices(&rack_);
        platform::SetDeviceTree(&tree_);
        savedMode_ = TransferMode.load();
    }

    void TearDown() override {
        logic_.reset();
        for (auto& s : DeviceSlots) {
            s.InterfacePath.clear();
            s.UsbPath = 0;
            s.DirectAta = 0;
            s.TransferMode = kTransferModeFromSettings;
        }
        FreeDeviceSlotBuffers();
        TransferMode = savedMode_;
        DumpDebugFile = false;
        DebugToFile = false;
        platform::SetDeviceTree(nullptr);
        platform::SetDevices(nullptr);
        platform::SetTraceSink({});
        platform::SetClock(nullptr);
        EXPECT_EQ(rack_.OpenHandles(), 0) << "a request left its device open";
    }

    sim::SimDrive& Add(const std::string& path, const sim::DriveConfig& config) {
        sim::SimDrive& d = rack_.AddDrive(Lower(path), config);
        tree_.AddDisk(path);
        return d;
    }

    utility::MainFormLogic& Logic(std::vector<std::string> args = {}) {
        utility::UtilityEnvironment env;
        env.ProgramFolder = folder_.path();
        env.Words = utility::CommandLine(std::move(args));
        env.Scan.IsWindows8 = isWindows8_;
        env.Rescan = [this] {
            ++rescans_;
            return rescanError_;
        };
        logic_ = std::make_unique<utility::MainFormLogic>(std::move(env), view_, prompter_, pages_);
        return *logic_;
    }

    // A drive as a rack.ini section describes it.
    static sim::DriveConfig DescribedDrive(const char* section) {
        const auto sections = sim::ParseIni(section);
        sim::DriveConfig cfg;
        std::string error;
        EXPECT_TRUE(sim::ConfigFromIni(sections.at(0), cfg, &error)) << error;
        return cfg;
    }
    // The window over the given pages (the real ones, say), its first row
    // selected and read.
    void ReadFirstRow(utility::PageSet& pages) {
        utility::UtilityEnvironment env;
        env.ProgramFolder = folder_.path();
        logic_ = std::make_unique<utility::MainFormLogic>(std::move(env), view_, prompter_, pages);
        logic_->FormShow();
        logic_->ListView1SelectItem(0, true);
    }

    std::vector<sim::LoggedRequest> Log() const { return rack_.Log().Snapshot(); }
    // Events from the given one on, without the scan's.
    Events EventsSince(std::size_t from) const { return Events(events_.begin() + static_cast<std::ptrdiff_t>(from), events_.end()); }

    platform::VirtualClock clock_;
    sim::SimRack rack_;
    sim::SimDeviceTree tree_;
    std::vector<std::string> traces_;
    Events events_;
    RecordingView view_{events_};
    RecordingPageSet pages_{events_};
    ui::ScriptedPrompter prompter_;
    TempDir folder_;
    bool isWindows8_ = false;
    int rescans_ = 0;
    int rescanError_ = 0;
    std::unique_ptr<utility::MainFormLogic> logic_;
    std::uint8_t savedMode_ = 2;
};

}  // namespace qx::test
