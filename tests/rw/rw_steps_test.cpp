// The read/write test and the erase with 0xFF on healthy and broken drives,
// on both paths.
#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/rw/rw_blocks.h"
#include "qxlib/rw/rw_steps.h"
#include "rw/rw_fixture.h"

namespace qx::test {
namespace {

class ReadWriteTestStep : public RwFixture {
protected:
    ReadWriteTestStep() { logUse_ = LogUse::Requests; }
};

// Transfers per sampled gigabyte: four places with two pattern compares
// (write, read each) and a zero write, twelve with one.
constexpr std::size_t kTransfersPerGigabyte = 4 * 5 + 12 * 3;

TEST_F(ReadWriteTestStep, SamplesEveryStrideThGigabyteAndLeavesThemZero) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Capacity(slot, 120ull * kGiB);   // stride (120 + 16) / 16 = 8
        ClearLog();
        ASSERT_TRUE(ReadWriteTest(slot, Ctx()));
        const std::uint32_t last = GetCapacitySectors(slot) - 1;
        std::set<std::uint32_t> gigabytes;
        const auto sent = Transfers(slot);
        for (const Transfer& t : sent)
            if (t.lba != 0 || t.count != 1) gigabytes.insert(t.lba / kGiB);
        gigabytes.erase(last / kGiB);
        EXPECT_EQ(gigabytes, (std::set<std::uint32_t>{0, 8, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112}));
        ASSERT_EQ(sent.size(), 15 * kTransfersPerGigabyte + 4);
        // The first place: pattern twice, then zero; the end: LBA 0 zeroed,
        // the last sector tested and zeroed.
        EXPECT_TRUE(sent[0].write && !sent[1].write && sent[2].write && !sent[3].write && sent[4].write);
        EXPECT_EQ(sent[4].lba, 0u);
        EXPECT_EQ(sent[4].count, 128u);
        const std::size_t n = sent.size();
        EXPECT_TRUE(sent[n - 4].write && sent[n - 4].lba == 0 && sent[n - 4].count == 1);
        EXPECT_EQ(sent[n - 3].lba, last);
        EXPECT_EQ(sent[n - 1].lba, last);
        EXPECT_EQ(DriveOf(slot).StoredSectorCount(), 0u);
    }
}

TEST_F(ReadWriteTestStep, SizeLimits) {
    struct Case {
        const char* name;
        std::uint64_t sataSectors, usbSectors;   // what makes GetCapacitySectors report the same on each path
        bool passes;
        std::size_t transfers;
    };
    const Case cases[] = {
        {"below 1 GiB: LBA 0 and the last sector only", 1'000'000, 1'000'001, true, 4},
        {"exactly 8,192 sectors", 8192, 8193, false, 0},
        {"capacity not readable (beyond 32 bits)", (1ull << 32) + 4096, (1ull << 32) + 4096, false, 0},
    };
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << c.name << ", slot " << slot);
            Capacity(slot, slot == kUsbSlot ? c.usbSectors : c.sataSectors);
            ClearLog();
            EXPECT_EQ(ReadWriteTest(slot, Ctx()), c.passes);
            EXPECT_EQ(Transfers(slot).size(), c.transfers);
        }
}

// A 4 GiB drive tests gigabytes 0..3; each fault stops the step where it is
// met and leaves the record of it.
TEST_F(ReadWriteTestStep, FaultsFailWithTheirRecord) {
    struct Case {
        const char* name;
        std::optional<sim::MediaFault> media;
        std::optional<sim::FaultRule> rule;
        RWErrorRecord record;
    };
    const std::uint32_t g1 = kGiB, g2 = 2 * kGiB, g3 = 3 * kGiB;
    const Case cases[] = {
        {"read fails", sim::MediaFault{sim::MediaFaultKind::ReadFails, g2 + 5'010, 1}, {}, {2, g2 + 5'000}},
        {"write fails", sim::MediaFault{sim::MediaFaultKind::WriteFails, g3 + 80'058, 1}, {}, {1, g3 + 80'058}},
        // The second sector of the 126-sector place at 15,000 reads bit 7 set.
        {"stuck bit", sim::MediaFault{sim::MediaFaultKind::StuckBits, g1 + 15'001, 1, 0, 0x80}, {},
         {3, g1 + 15'000, 0x9900, 0x9980, 256}},
        {"drive hangs on a read", {}, sim::FaultRule::Of(sim::FaultKind::Hang).OnOpcode(0x28).Skip(3), {2, 128}},
    };
    for (const Case& c : cases)
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << c.name << ", slot " << slot);
            Capacity(slot, 4ull * kGiB + 1000);
            Drive(slot, [](sim::DriveModel& m) { m.media.Clear(); });
            DriveOf(slot).ClearFaults();
            if (c.media) Media(slot, *c.media);
            if (c.rule) DriveOf(slot).AddFault(*c.rule);
            EXPECT_FALSE(ReadWriteTest(slot, Ctx()));
            const RWErrorRecord r = Record();
            EXPECT_EQ(r.Kind, c.record.Kind);
            EXPECT_EQ(r.Lba, c.record.Lba);
            if (r.Kind == kRWCompareFailed) {
                EXPECT_EQ(r.Expected, c.record.Expected);
                EXPECT_EQ(r.Actual, c.record.Actual);
                EXPECT_EQ(r.WordIndex, c.record.WordIndex);
            }
            DriveOf(slot).ClearFaults();
        }
}

TEST_F(ReadWriteTestStep, LastSectorThatFailsFailsTheStep) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Capacity(slot, 3 * kGiB / 2);
        const std::uint32_t last = GetCapacitySectors(slot) - 1;
        Media(slot, {sim::MediaFaultKind::ReadFails, last, 1});
        EXPECT_FALSE(ReadWriteTest(slot, Ctx()));
        EXPECT_EQ(Record().Kind, kRWReadFailed);
        EXPECT_EQ(Record().Lba, last);
    }
}

class FillDiskWithFFStep : public RwFixture {
protected:
    FillDiskWithFFStep() { logUse_ = LogUse::Requests; }
};

TEST_F(FillDiskWithFFStep, WritesEveryReportedSectorIn128SectorCommands) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Capacity(slot, 300);
        const std::uint32_t sectors = GetCapacitySectors(slot);
        ClearLog();
        ASSERT_TRUE(FillDiskWithFF(slot));
        const auto sent = Transfers(slot);
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(sent[1].lba, 128u);
        EXPECT_EQ(sent[2].lba, 256u);
        EXPECT_EQ(sent[2].count, sectors - 256);
        const auto data = DriveOf(slot).ReadUserSectors(0, sectors);
        EXPECT_TRUE(std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0xFF; }));
    }
}

TEST_F(FillDiskWithFFStep, FailedWriteEndsTheStep) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Capacity(slot, 1000);
        Media(slot, {sim::MediaFaultKind::WriteFails, 200, 1});
        ClearLog();
        EXPECT_FALSE(FillDiskWithFF(slot));
        EXPECT_EQ(Transfers(slot).size(), 2u);
    }
}

}  // namespace
}  // namespace qx::test
