// Simulated drives behind bridges in firmware, listed in a simulated device
// tree, on the virtual clock, with a fresh folder for the image files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/device_tree.h"
#include "platform/trace_sink.h"
#include "sim/model/drive_model.h"
#include "sim/rack/rack_volumes.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"
#include "support/temp_dir.h"

namespace qx::test {

inline constexpr std::uint64_t kImageDiskSectors = 64 * 2048;   // 64 MiB

class ImageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        rack_.Log().Configure({.keep = true, .wholeData = true});   // the tests read every byte each drive was sent
        platform::SetClock(&clock_);
        platform::SetTraceSink([this](std::string_view t) {
            std::lock_guard hold(traceLock_);
            trace_ += t;
        });
        platform::SetDeviceTree(&tree_);
    }
    void TearDown() override {
        platform::SetDeviceTree(nullptr);
        platform::SetTraceSink({});
        platform::SetClock(nullptr);
        EXPECT_EQ(rack_.OpenHandles(), 0);
    }

    // A drive at index n; with a volume, the device tree lists its partition.
    std::string AddDisk(int n, std::uint64_t sectors = kImageDiskSectors, bool volume = false, bool mounted = false,
                        std::uint64_t usedBytes = 0) {
        const std::string path = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#img" + std::to_string(n) +
                                 "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
        sim::DriveConfig cfg;
        cfg.capacitySectors = sectors;
        cfg.volume = volume;
        cfg.volumeMounted = mounted;
        cfg.volumeUsedBytes = usedBytes;
        rack_.AddDrive(path, cfg);
        tree_.AddDisk(path);
        sim::ListDriveVolume(tree_, path, cfg);
        paths_.push_back(path);
        return path;
    }
    sim::SimDrive& Drive(const std::string& path) { return *rack_.Find(path); }

    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const std::string file = dir_.file(name);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    static std::vector<std::uint8_t> ReadFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // WRITE(10) or READ(10) requests to a drive, in order.
    std::vector<sim::LoggedRequest> Transfers(const std::string& path, std::uint8_t opcode) const {
        std::vector<sim::LoggedRequest> out;
        for (auto& r : rack_.Log().For(path))
            if (!r.cdb.empty() && r.cdb[0] == opcode) out.push_back(r);
        return out;
    }
    static std::uint32_t LbaOf(const sim::LoggedRequest& r) {
        return static_cast<std::uint32_t>(r.cdb[2]) << 24 | static_cast<std::uint32_t>(r.cdb[3]) << 16 |
               static_cast<std::uint32_t>(r.cdb[4]) << 8 | r.cdb[5];
    }
    static std::uint32_t CountOf(const sim::LoggedRequest& r) {
        return static_cast<std::uint32_t>(r.cdb[7]) << 8 | r.cdb[8];
    }

    platform::VirtualClock clock_;
    sim::SimRack rack_;
    sim::ScopedRack use_{rack_};
    sim::SimDeviceTree tree_;
    TempDir dir_;
    std::vector<std::string> paths_;
    std::mutex traceLock_;
    std::string trace_;
};

// An NTFS-form image: each record's 32 sectors filled with a byte of its
// own, its LBA, and "NT" in the first record.
inline std::vector<std::uint8_t> NtfsImage(const std::vector<std::uint32_t>& lbas) {
    std::vector<std::uint8_t> out;
    for (std::size_t r = 0; r < lbas.size(); ++r) {
        std::vector<std::uint8_t> rec(16392, static_cast<std::uint8_t>(0x40 + r));
        for (int i = 0; i < 4; ++i) rec[16384 + i] = static_cast<std::uint8_t>(lbas[r] >> (8 * i));
        rec[16388] = rec[16389] = 0;
        rec[16390] = r == 0 ? 'N' : 0;
        rec[16391] = r == 0 ? 'T' : 0;
        out.insert(out.end(), rec.begin(), rec.end());
    }
    return out;
}

}  // namespace qx::test
