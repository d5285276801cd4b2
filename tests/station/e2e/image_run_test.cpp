// Whole production runs with "Copy Image": the engine's workers restore one
// image file onto every simulated drive at once through the station's own
// image hooks; the controller's steps before it answer from a script.
#include <fstream>

#include "platform/device_tree.h"
#include "sim/media/media_faults.h"
#include "sim/rack/rack_volumes.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"
#include "station/engine_fixture.h"
#include "station/images/image_fixture.h"
#include "station/run/production_hooks.h"

namespace qx::test {
namespace {

constexpr int kDrives = 6;
constexpr int kBroken = 3;
constexpr std::uint64_t kDiskSectors = 64 * 2048;   // 64 MiB

class ImageRunTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        platform::SetDeviceTree(&tree_);
        PortCount = kDrives;
        for (int p = 0; p < kDrives; ++p) {
            const std::string path = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#run" + std::to_string(p) +
                                     "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
            sim::DriveConfig cfg;
            cfg.capacitySectors = kDiskSectors;
            cfg.volume = true;
            rack_.AddDrive(path, cfg);
            tree_.AddDisk(path);
            sim::ListDriveVolume(tree_, path, cfg);
            Connect(p);
            CopyPortText(Rec(p).DiskPath, path.c_str());
            paths_.push_back(path);
        }
        Enable({8, 15});
        station::InstallProductionHooks(engine_->Controller(), state_.programFolder);
    }
    void TearDown() override {
        engine_.reset();
        platform::SetDeviceTree(nullptr);
        EXPECT_EQ(rack_.OpenHandles(), 0);
        EngineFixture::TearDown();
    }

    sim::SimDrive& Drive(int port) { return *rack_.Find(paths_[static_cast<std::size_t>(port)]); }
    void BreakWriteAt(int port, std::uint64_t lba) {
        Drive(port).Model().media.Add({sim::MediaFaultKind::WriteFails, lba, 1});
    }
    std::string WriteImage(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string file = dir_.file(name);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    // The image setting as an operator types it: a name beside the program
    // or a full path.
    void UseImage(const std::string& text) {
        std::snprintf(settings_.CopyImagePath, sizeof settings_.CopyImagePath, "%s", text.c_str());
    }
    void ExpectOnlyTheBrokenDriveFailed(int broken) {
        for (int p = 0; p < kDrives; ++p) {
            SCOPED_TRACE(p);
            EXPECT_EQ(Status(p, 8), kStepPassed);
            EXPECT_EQ(Status(p, 15), p == broken ? kStepFailed : kStepPassed);
            EXPECT_EQ(Rec(p).OverallResult, p == broken ? kResultFail : kResultPass);
            if (p == broken) {
                EXPECT_EQ(Rec(p).ErrorCode, 15);
            }
        }
    }

    sim::SimRack rack_;
    sim::ScopedRack use_{rack_};
    sim::SimDeviceTree tree_;
    std::vector<std::string> paths_;
};

TEST_F(ImageRunTest, EveryDriveGetsTheRawImageAndOnlyTheBrokenOneFailsCopyImage) {
    // The setting names a file beside the program, then another by its full
    // path; each run's image differs, so each run's sectors are its own.
    struct Case {
        std::string name;
        bool fullPath;
        std::uint8_t seed;
    };
    for (const Case& c : {Case{"golden.img", false, 7}, Case{"second.img", true, 11}}) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> image(2 * 1048576 + 70000);
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * c.seed % 253);
        image[0] = 0xEB;   // a boot sector's jump, as a captured drive has
        const std::string file = WriteImage(c.name, image);
        for (int p = 0; p < kDrives; ++p) Drive(p).Model().media.Clear();
        BreakWriteAt(kBroken, 1024);
        UseImage(c.fullPath ? file : c.name);
        Press();
        ExpectOnlyTheBrokenDriveFailed(kBroken);
        image.resize(image.size() + 65536 - image.size() % 65536, 0);
        for (int p = 0; p < kDrives; ++p) {
            if (p == kBroken) continue;
            EXPECT_EQ(Drive(p).ReadUserSectors(0, static_cast<std::uint32_t>(image.size() / 512)), image) << p;
        }
    }
}

TEST_F(ImageRunTest, EveryDriveGetsTheNtfsImageAndOnlyTheBrokenOneFailsCopyImage) {
    const std::vector<std::uint32_t> lbas{0, 64, 4096, 100000, 32};
    WriteImage("ntfs.img", NtfsImage(lbas));
    BreakWriteAt(kBroken, 4100);
    UseImage("ntfs.img");
    Press();
    ExpectOnlyTheBrokenDriveFailed(kBroken);
    for (int p = 0; p < kDrives; ++p) {
        SCOPED_TRACE(p);
        for (std::size_t r = 0; r < lbas.size(); ++r) {
            if (p == kBroken && r == 2) continue;
            EXPECT_EQ(Drive(p).ReadUserSectors(lbas[r], 32),
                      std::vector<std::uint8_t>(16384, static_cast<std::uint8_t>(0x40 + r)))
                << r;
        }
        const auto counters = tree_.VolumeCounters(sim::VolumeNodeOf(paths_[static_cast<std::size_t>(p)]));
        EXPECT_EQ(counters.locks, 1);
        EXPECT_EQ(counters.unlocks, 1);
        EXPECT_EQ(counters.closes, 1);
    }
}

TEST_F(ImageRunTest, WithoutAnImageNoDriveIsWrittenAndEveryOneFails) {
    for (const char* setting : {"", "missing.img"}) {
        SCOPED_TRACE(setting);
        UseImage(setting);
        Press();
        for (int p = 0; p < kDrives; ++p) {
            EXPECT_EQ(Rec(p).ErrorCode, 15) << p;
            bool wrote = false;
            for (const sim::LoggedRequest& r : rack_.Log().For(paths_[static_cast<std::size_t>(p)]))
                wrote = wrote || (!r.cdb.empty() && r.cdb[0] == 0x2A);
            EXPECT_FALSE(wrote) << p;
        }
    }
}

}  // namespace
}  // namespace qx::test
