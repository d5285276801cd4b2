// The utility's sector transfers: READ/WRITE(10) on the USB path, READ/WRITE
// DMA in a SAT block on the SATA path, both through the slot dispatcher.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "qxlib/transport/ata_scsi_commands.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class UtilitySectorTest : public VendorFixture {
protected:
    UtilitySectorTest() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        VendorFixture::SetUp();
        FirmwareDrives({kSataSlot, kUsbSlot}, false);
    }

    void AddMediaFault(int slot, sim::MediaFaultKind kind, std::uint64_t lba) {
        auto hold = DriveOf(slot).Lock();
        sim::MediaFault f;
        f.kind = kind;
        f.firstLba = lba;
        DriveOf(slot).Model().media.Add(f);
    }

    static std::uint32_t Word32(const Bytes& b, std::size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    }
};

struct BlockCase {
    int slot;
    bool read;
    int count;
    std::uint32_t lba;
    Bytes block;
};

TEST_F(UtilitySectorTest, EachPathGetsItsOwnCommandBlock) {
    {
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().maxLba = 0x1FFFFFFF;   // a 256 GiB drive
    }
    const BlockCase cases[] = {
        {kUsbSlot, true, 8, 0x01020304, {0x28, 0, 0x01, 0x02, 0x03, 0x04, 0, 0x00, 0x08, 0, 0, 0}},
        {kUsbSlot, false, 128, 0x00000010, {0x2A, 0, 0, 0, 0, 0x10, 0, 0x00, 0x80, 0, 0, 0}},
        {kSataSlot, true, 8, 0x01020304, {0xA1, 0x14, 0x0B, 0, 0x08, 0x04, 0x03, 0x02, 0xE1, 0xC8, 0, 0}},
        {kSataSlot, false, 128, 0x00000010, {0xA1, 0x16, 0x03, 0, 0x80, 0x10, 0, 0, 0xE0, 0xCA, 0, 0}},
        // The highest address a 28-bit command carries.
        {kSataSlot, true, 1, 0x0FFFFFFF, {0xA1, 0x14, 0x0B, 0, 0x01, 0xFF, 0xFF, 0xFF, 0xEF, 0xC8, 0, 0}},
        // Past it the 48-bit commands, so that the address does not wrap.
        {kSataSlot, true, 2, 0x0FFFFFFF,
         {0x85, 0x15, 0x0B, 0, 0, 0, 0x02, 0x0F, 0xFF, 0, 0xFF, 0, 0xFF, 0xE0, 0x25, 0}},
        {kSataSlot, false, 8, 0x12345678,
         {0x85, 0x17, 0x03, 0, 0, 0, 0x08, 0x12, 0x78, 0, 0x56, 0, 0x34, 0xE0, 0x35, 0}},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.slot << (c.read ? " read" : " write") << " lba " << c.lba);
        ClearLog();
        Bytes buffer(static_cast<std::size_t>(c.count) * 512, 0x3C);
        const int r = c.read ? SCSI_Read10(c.slot, buffer.data(), c.count, c.lba)
                             : SCSI_Write10(c.slot, buffer.data(), c.count, c.lba);
        EXPECT_EQ(r, 1);
        const auto log = Requests(c.slot);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].cdb, c.block);
        EXPECT_EQ(log[0].wireLength, static_cast<std::uint32_t>(c.count) * 512);
    }
}

TEST_F(UtilitySectorTest, WrittenSectorsReadBackOnEveryRoute) {
    DeviceSlots[kSataSlot].DirectAta = 1;   // the scan's IDE/SATA class: task files
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Bytes out(4 * 512);
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7 + slot);
        ASSERT_EQ(SCSI_Write10(slot, out.data(), 4, 5000), 1);
        Bytes in(out.size(), 0);
        ASSERT_EQ(SCSI_Read10(slot, in.data(), 4, 5000), 1);
        EXPECT_EQ(in, out);
    }
    // The DirectAta slot's transfers went out as DMA task files.
    const auto log = Requests(kSataSlot);
    ASSERT_EQ(log.size(), 2u);
    for (const auto& r : log) EXPECT_EQ(r.route, sim::Route::Ata);
    EXPECT_EQ(log[0].current[platform::kTfCommand], 0xCA);
    EXPECT_EQ(log[1].current[platform::kTfCommand], 0xC8);
    EXPECT_EQ(log[1].current[platform::kTfCount], 4);
    EXPECT_EQ(log[1].current[platform::kTfLbaLow], 5000 & 0xFF);
    EXPECT_EQ(log[1].current[platform::kTfLbaMid], 5000 >> 8);
}

// A sector past 2^28 is its own sector, not one at the start of the drive.
TEST_F(UtilitySectorTest, HighSectorsDoNotWrapOnTheSataPath) {
    {
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().maxLba = 0x1FFFFFFF;
    }
    for (const std::uint8_t direct : {std::uint8_t{0}, std::uint8_t{1}}) {
        SCOPED_TRACE(int{direct});
        DeviceSlots[kSataSlot].DirectAta = direct;
        const Bytes low(512, static_cast<std::uint8_t>(0x10 + direct));
        const Bytes high(512, static_cast<std::uint8_t>(0x20 + direct));
        Bytes out = low;
        ASSERT_EQ(SCSI_Write10(kSataSlot, out.data(), 1, 0x00000005), 1);
        out = high;
        ASSERT_EQ(SCSI_Write10(kSataSlot, out.data(), 1, 0x10000005), 1);
        Bytes in(512);
        ASSERT_EQ(SCSI_Read10(kSataSlot, in.data(), 1, 0x00000005), 1);
        EXPECT_EQ(in, low);
        ASSERT_EQ(SCSI_Read10(kSataSlot, in.data(), 1, 0x10000005), 1);
        EXPECT_EQ(in, high);
    }
}

TEST_F(UtilitySectorTest, AFailingSectorFailsWithItsRecord) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        AddMediaFault(slot, sim::MediaFaultKind::ReadFails, 300);
        AddMediaFault(slot, sim::MediaFaultKind::WriteFails, 600);
        Bytes buffer(2 * 512, 0x11);
        EXPECT_EQ(SCSI_Read10(slot, buffer.data(), 2, 299), 2);
        EXPECT_EQ(Word32(buffer, 0), 2u);
        EXPECT_EQ(Word32(buffer, 4), 299u);
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0x11});
        EXPECT_EQ(SCSI_Write10(slot, buffer.data(), 2, 600), 2);
        EXPECT_EQ(Word32(buffer, 0), 1u);
        EXPECT_EQ(Word32(buffer, 4), 600u);
        // A sector beside the faults moves.
        EXPECT_EQ(SCSI_Read10(slot, buffer.data(), 1, 301), 1);
    }
}

// A sector past the end does not move, whether the drive's registers come
// back in descriptor or in either fixed layout, on the task-file route and
// on the SAT route: the read/write test then reports it with its record.
TEST_F(UtilitySectorTest, ASectorPastTheEndFailsInEverySenseFormat) {
    const std::uint64_t end = DriveOf(kSataSlot).CapacitySectors();
    for (const auto format : {sim::SenseFormat::Descriptor, sim::SenseFormat::Fixed, sim::SenseFormat::FixedLibata}) {
        {
            auto hold = DriveOf(kSataSlot).Lock();
            DriveOf(kSataSlot).Model().cfg.senseFormat = format;
        }
        for (const std::uint8_t direct : {std::uint8_t{0}, std::uint8_t{1}}) {
            SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(format) << " direct " << int{direct});
            DeviceSlots[kSataSlot].DirectAta = direct;
            const auto lba = static_cast<std::uint32_t>(end - 1);
            Bytes buffer(2 * 512, 0x11);
            EXPECT_EQ(SCSI_Write10(kSataSlot, buffer.data(), 2, lba), 2);
            EXPECT_EQ(Word32(buffer, 0), 1u);
            EXPECT_EQ(Word32(buffer, 4), lba);
            EXPECT_EQ(SCSI_Read10(kSataSlot, buffer.data(), 2, lba), 2);
            EXPECT_EQ(Word32(buffer, 0), 2u);
            EXPECT_EQ(Word32(buffer, 4), lba);
            // The last sector itself is there.
            EXPECT_EQ(SCSI_Write10(kSataSlot, buffer.data(), 1, lba), 1);
            EXPECT_EQ(SCSI_Read10(kSataSlot, buffer.data(), 1, lba), 1);
        }
    }
}

}  // namespace
}  // namespace qx::test
