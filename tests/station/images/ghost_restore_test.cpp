#include <gtest/gtest.h>

#include <numeric>

#include "sim/media/media_faults.h"
#include "station/images/ghost_image.h"
#include "station/images/image_fixture.h"

namespace qx {
namespace {

using station::FlushGhostImg;
using test::NtfsImage;

class GhostRestoreTest : public test::ImageFixture {};

std::vector<std::uint8_t> Pattern(std::size_t bytes) {
    std::vector<std::uint8_t> out(bytes);
    for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + i / 512);
    return out;
}

TEST_F(GhostRestoreTest, RawImageGoesOutInWholeChunksTheLastPaddedWithZeros) {
    const std::string disk = AddDisk(0);
    const auto image = Pattern(100000);
    ASSERT_TRUE(FlushGhostImg(disk.c_str(), WriteFile("raw.img", image).c_str()));

    const auto writes = Transfers(disk, 0x2A);
    ASSERT_EQ(writes.size(), 2u);
    const std::vector<std::uint8_t> first{0x2A, 0, 0, 0, 0, 0, 0, 0x00, 0x80, 0};
    const std::vector<std::uint8_t> second{0x2A, 0, 0, 0, 0, 0x80, 0, 0x00, 0x80, 0};
    EXPECT_EQ(writes[0].cdb, first);
    EXPECT_EQ(writes[1].cdb, second);
    std::vector<std::uint8_t> padded = image;
    padded.resize(2 * 65536, 0);
    EXPECT_EQ(writes[0].dataOut, std::vector<std::uint8_t>(padded.begin(), padded.begin() + 65536));
    EXPECT_EQ(writes[1].dataOut, std::vector<std::uint8_t>(padded.begin() + 65536, padded.end()));
    EXPECT_EQ(Drive(disk).ReadUserSectors(0, 256), padded);
}

TEST_F(GhostRestoreTest, NtfsImageWritesEachRecordAtItsOwnLba) {
    const std::string disk = AddDisk(0);
    ASSERT_TRUE(FlushGhostImg(disk.c_str(), WriteFile("one.img", NtfsImage({2048})).c_str()));
    const auto writes = Transfers(disk, 0x2A);
    ASSERT_EQ(writes.size(), 1u);
    const std::vector<std::uint8_t> cdb{0x2A, 0, 0, 0, 0x08, 0x00, 0, 0x00, 0x20, 0};
    EXPECT_EQ(writes[0].cdb, cdb);
    EXPECT_EQ(Drive(disk).ReadUserSectors(2048, 32), std::vector<std::uint8_t>(16384, 0x40));

    // Records in any order, a trailing partial record ignored.
    auto image = NtfsImage({4096, 100, 0});
    image.resize(image.size() + 1000, 0x99);
    ASSERT_TRUE(FlushGhostImg(disk.c_str(), WriteFile("three.img", image).c_str()));
    EXPECT_EQ(Drive(disk).ReadUserSectors(4096, 32), std::vector<std::uint8_t>(16384, 0x40));
    EXPECT_EQ(Drive(disk).ReadUserSectors(100, 32), std::vector<std::uint8_t>(16384, 0x41));
    EXPECT_EQ(Drive(disk).ReadUserSectors(0, 32), std::vector<std::uint8_t>(16384, 0x42));
    EXPECT_EQ(Transfers(disk, 0x2A).size(), 4u);
}

TEST_F(GhostRestoreTest, MissingEmptyOrShortFilesAndTheirForms) {
    const std::string disk = AddDisk(0);
    EXPECT_FALSE(FlushGhostImg(disk.c_str(), dir_.file("none.img").c_str()));
    EXPECT_FALSE(FlushGhostImg(disk.c_str(), WriteFile("empty.img", {}).c_str()));
    // Shorter than a record: it reads as zeros where "NT" would be, so raw.
    ASSERT_TRUE(FlushGhostImg(disk.c_str(), WriteFile("short.img", Pattern(600)).c_str()));
    EXPECT_EQ(Transfers(disk, 0x2A).size(), 1u);
}

// Lock discipline of the NTFS restore with a volume on the disk.
struct LockCase {
    const char* name;
    int lockFailures;
    bool writeFails;
    bool result;
    int locks, unlocks, closes, writes;
};

const LockCase kLockCases[] = {
    {"all good", 0, false, true, 1, 1, 1, 2},
    {"lock refused: closed, nothing written", 1, false, false, 1, 0, 1, 0},
    {"one record's write fails: the rest written, still unlocked and closed", 0, true, false, 1, 1, 1, 2},
};

TEST_F(GhostRestoreTest, NtfsRestoreLocksTheVolumeAndAlwaysUnlocksAndClosesIt) {
    for (const LockCase& c : kLockCases) {
        SCOPED_TRACE(c.name);
        const std::string disk = AddDisk(static_cast<int>(paths_.size()), test::kImageDiskSectors, true);
        const std::string node = sim::VolumeNodeOf(disk);
        tree_.FailVolumeLocks(node, c.lockFailures);
        if (c.writeFails) Drive(disk).Model().media.Add({sim::MediaFaultKind::WriteFails, 64, 1});
        EXPECT_EQ(FlushGhostImg(disk.c_str(), WriteFile("lock.img", NtfsImage({64, 512})).c_str()), c.result);
        const auto counters = tree_.VolumeCounters(node);
        EXPECT_EQ(counters.locks, c.locks);
        EXPECT_EQ(counters.unlocks, c.unlocks);
        EXPECT_EQ(counters.closes, c.closes);
        EXPECT_EQ(static_cast<int>(Transfers(disk, 0x2A).size()), c.writes);
        if (c.writes) {
            EXPECT_EQ(Drive(disk).ReadUserSectors(512, 32), std::vector<std::uint8_t>(16384, 0x41));
        }
    }
}

TEST_F(GhostRestoreTest, NtfsRestoreOfAMountedVolumeIsRefusedByTheLock) {
    const std::string disk = AddDisk(0, test::kImageDiskSectors, true, true);
    EXPECT_FALSE(FlushGhostImg(disk.c_str(), WriteFile("m.img", NtfsImage({64})).c_str()));
    EXPECT_TRUE(Transfers(disk, 0x2A).empty());
    EXPECT_EQ(tree_.VolumeCounters(sim::VolumeNodeOf(disk)).closes, 1);
}

TEST_F(GhostRestoreTest, RawWriteFailureEndsTheRestore) {
    const std::string disk = AddDisk(0);
    Drive(disk).Model().media.Add({sim::MediaFaultKind::WriteFails, 130, 1});
    EXPECT_FALSE(FlushGhostImg(disk.c_str(), WriteFile("raw.img", Pattern(4 * 65536)).c_str()));
    EXPECT_EQ(Transfers(disk, 0x2A).size(), 2u);   // the failing chunk ends it
}

// An image that does not fit is refused before anything is written.
TEST_F(GhostRestoreTest, ImagesThatDoNotFitTheDiskWriteNothing) {
    const std::string disk = AddDisk(0, 1000);   // 1000 sectors: 7 whole chunks fit
    struct Case {
        const char* name;
        std::vector<std::uint8_t> image;
        bool result;
    };
    const Case cases[] = {
        {"raw, last chunk ends at sector 896", Pattern(7 * 65536), true},
        {"raw, partial last chunk would pass sector 999", Pattern(7 * 65536 + 1), false},
        {"NTFS, record ends at the last sector", NtfsImage({968}), true},
        {"NTFS, a later record passes the last sector", NtfsImage({0, 969}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rack_.Log().Clear();
        EXPECT_EQ(FlushGhostImg(disk.c_str(), WriteFile("fit.img", c.image).c_str()), c.result);
        if (!c.result) {
            EXPECT_TRUE(Transfers(disk, 0x2A).empty());
        }
    }
    EXPECT_NE(trace_.find("image needs 1024 sectors, disk has 1000"), std::string::npos) << trace_;

    Drive(disk).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnOpcode(0x25));
    rack_.Log().Clear();
    EXPECT_FALSE(FlushGhostImg(disk.c_str(), WriteFile("any.img", Pattern(512)).c_str()));
    EXPECT_TRUE(Transfers(disk, 0x2A).empty());
}

}  // namespace
}  // namespace qx
