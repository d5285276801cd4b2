#include <gtest/gtest.h>

#include <thread>

#include "sim/media/media_faults.h"
#include "station/images/ghost_image.h"
#include "station/images/image_fixture.h"

namespace qx {
namespace {

constexpr int kDrives = 8;
constexpr int kBroken = 5;

class ParallelRestoreTest : public test::ImageFixture {
protected:
    // Every drive restores the one image from its own thread; the drive at
    // kBroken refuses one write.
    std::vector<bool> RestoreEverywhere(const std::string& image, std::uint64_t brokenLba) {
        for (int n = 0; n < kDrives; ++n) AddDisk(n, test::kImageDiskSectors, true);
        Drive(paths_[kBroken]).Model().media.Add({sim::MediaFaultKind::WriteFails, brokenLba, 1});
        std::vector<char> results(kDrives, 0);
        std::vector<std::thread> workers;
        for (int n = 0; n < kDrives; ++n)
            workers.emplace_back([&, n] {
                results[static_cast<std::size_t>(n)] = station::FlushGhostImg(paths_[static_cast<std::size_t>(n)].c_str(),
                                                                              image.c_str());
            });
        for (auto& w : workers) w.join();
        return {results.begin(), results.end()};
    }
};

TEST_F(ParallelRestoreTest, EveryDriveGetsTheRawImageAndOnlyTheBrokenOneFails) {
    std::vector<std::uint8_t> image(3 * 1048576 + 4000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i % 251);
    const auto results = RestoreEverywhere(WriteFile("raw.img", image), 2048);
    image.resize(image.size() + 65536 - image.size() % 65536, 0);
    for (int n = 0; n < kDrives; ++n) {
        SCOPED_TRACE(n);
        const auto& path = paths_[static_cast<std::size_t>(n)];
        EXPECT_EQ(results[static_cast<std::size_t>(n)], n != kBroken);
        if (n != kBroken) {
            EXPECT_EQ(Drive(path).ReadUserSectors(0, static_cast<std::uint32_t>(image.size() / 512)), image);
        }
    }
}

TEST_F(ParallelRestoreTest, EveryDriveGetsTheNtfsImageAndOnlyTheBrokenOneFails) {
    const std::vector<std::uint32_t> lbas{0, 64, 4096, 100000, 32};
    const auto results = RestoreEverywhere(WriteFile("ntfs.img", test::NtfsImage(lbas)), 4100);
    for (int n = 0; n < kDrives; ++n) {
        SCOPED_TRACE(n);
        const auto& path = paths_[static_cast<std::size_t>(n)];
        EXPECT_EQ(results[static_cast<std::size_t>(n)], n != kBroken);
        for (std::size_t r = 0; r < lbas.size(); ++r) {
            if (n == kBroken && r == 2) continue;
            EXPECT_EQ(Drive(path).ReadUserSectors(lbas[r], 32), std::vector<std::uint8_t>(16384, static_cast<std::uint8_t>(0x40 + r))) << r;
        }
        const auto counters = tree_.VolumeCounters(sim::VolumeNodeOf(path));
        EXPECT_EQ(counters.locks, 1);
        EXPECT_EQ(counters.unlocks, 1);
        EXPECT_EQ(counters.closes, 1);
    }
}

}  // namespace
}  // namespace qx
