// The pages read from simulated drives end to end: identity on both paths,
// and the bad-block report with its table reads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "qxlib/programs/info_page.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/tables/drive_tables.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "support/vendor_fixture.h"
#include "utility/pages/bad_block_page.h"
#include "utility/pages/erase_count_page.h"
#include "utility/pages/identity_page.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DrivePagesTest : public VendorFixture {
protected:
    void SetUp() override {
        VendorFixture::SetUp();
        FirmwareDrives();
    }
    void PutSystemImage(int slot, const Bytes& image) {
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().systemImage = image;
    }
    Bytes buffer_ = Bytes(128 * 1024, 0);
    FlashConfig config_{};
    BinFileList bins_{};
    SystemInfo info_{};
    GlobalParameter settings_{};
};

TEST_F(DrivePagesTest, SataIdentityFromTheDrive) {
    const utility::SataIdentityTexts t = utility::ParseInfo(kSataSlot, buffer_);
    EXPECT_EQ(t.ModelNameEdit, "Model Name: QX SSD 128GB");
    EXPECT_EQ(t.SNEdit, "Serial Number: QX0000000001");
}

TEST_F(DrivePagesTest, UsbIdentityFromTheMemoryImage) {
    Bytes image(4096, 0);
    image[100] = 0x34;
    image[101] = 0x12;
    std::memcpy(&image[118], "QX", 2);
    image[158] = 2 + 2 * 3;
    image[159] = 3;
    image[160] = 'Q';
    image[162] = 'X';
    image[164] = '!';
    std::memcpy(&image[0x300], "QXSS", 4);
    PutSystemImage(kUsbSlot, image);
    const utility::UsbIdentityTexts t = utility::ParseUSBInfo(kUsbSlot, config_, bins_, info_, buffer_);
    EXPECT_EQ(t.VIDEdit, "1234");
    EXPECT_EQ(t.VendorNameEdit, "QX");
    EXPECT_EQ(t.ManufacturStringEdit, "QX!");
    EXPECT_EQ(t.CapEdit, std::to_string(GetCapacityMB(kUsbSlot)) + " MB");
    EXPECT_EQ(t.TotalLBAEdit, std::to_string(GetCapacityBytes(kUsbSlot) / 512));
    EXPECT_NE(t.CapEdit, "0 MB");
}

TEST_F(DrivePagesTest, UsbIdentityStaysEmptyWithoutSystemInformation) {
    DriveOf(kUsbSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x86));
    const utility::UsbIdentityTexts t = utility::ParseUSBInfo(kUsbSlot, config_, bins_, info_, buffer_);
    EXPECT_EQ(t.VIDEdit, "");
    EXPECT_EQ(t.SNUSBEdit, "");
}

TEST_F(DrivePagesTest, BadBlockReportReadsOneTablePerChannelAndRow) {
    Bytes image(4096, 0);
    std::memcpy(&image[0x300], "QXSS", 4);
    PutSystemImage(kSataSlot, image);
    TableContext ctx{config_, settings_, bins_, info_, buffer_};
    ASSERT_TRUE(AllocDeviceSlotBuffers());
    const utility::BadBlockPage page = utility::ProcessBadBlockInfo(kSataSlot, ctx, false);
    FreeDeviceSlotBuffers();
    int tableReads = 0;
    for (const auto& block : VendorBlocks(kSataSlot))
        if (block.size() > 2 && block[2] == 0x00) ++tableReads;
    EXPECT_EQ(tableReads, config_.ChannelCount * config_.BankCount * config_.FlashGeometry.DiesPerCe);
    ASSERT_GE(page.BadBlockMemo.size(), 6u);
    EXPECT_EQ(page.BadBlockMemo[0], std::string(97, '-'));
    EXPECT_EQ(page.DetalBadInfoMemo[0], "ErrType 1 (Ecc Over)");
}

}  // namespace
}  // namespace qx::test

namespace qx::test {
namespace {

// The erase-count page from a simulated drive whose firmware model chooses
// the table layout.
class EraseCountDriveTest : public DrivePagesTest {
protected:
    EraseCountDriveTest() {
        config_.ChannelCount = 2;
        config_.BankCount = 1;
        config_.FlashGeometry.DiesPerCe = 1;
    }
    void Model(const char* model, std::uint32_t blocks) {
        Bytes image(4096, 0);
        std::memcpy(&image[0x300 + 36], model, 3);
        PutSystemImage(kSataSlot, image);
        std::memcpy(&info_.SystemHeaderCopy[36], model, 3);
        auto hold = DriveOf(kSataSlot).Lock();
        sim::DriveModel& m = DriveOf(kSataSlot).Model();
        m.cfg.blocksPerCe = static_cast<std::uint16_t>(blocks);
        m.eraseCounts[sim::NandAddress{0, 0, 1, 0}.Key()] = 70000;
        m.eraseCounts[sim::NandAddress{1, 0, 2, 0}.Key()] = 9;
    }
};

TEST_F(EraseCountDriveTest, PerChannelTables) {
    Model("849", 3);
    const utility::EraseCountPage page = utility::GetEraseCount(kSataSlot, config_, info_, buffer_);
    EXPECT_EQ(page.EraseMemo, (std::vector<std::string>{"Ch/CE\t[0]/[0]\t[1]/[0]\t", "0000\t 0\t 0\t",
                                                         "0001\t65534\t 0\t", "0002\t 0\t 9\t"}));
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 10923\n");
    EXPECT_EQ(page.MeraseEdit, "Max. erase count = 65534\n\n");
}

TEST_F(EraseCountDriveTest, Model818Table) {
    Model("818", 3);
    const utility::EraseCountPage page = utility::GetEraseCount(kSataSlot, config_, info_, buffer_);
    EXPECT_EQ(page.EraseMemo, (std::vector<std::string>{"Ch/CE\t[0]/[0]\t[1]/[0]\t", "0000\t0\t0\t",
                                                         "0001\t70000\t70000\t", "0002\t9\t9\t"}));
    EXPECT_EQ(page.AeraseEdit, "\nAverage erase count = 23336\n");
}

TEST_F(EraseCountDriveTest, Model810Table) {
    Model("810", 2);
    const utility::EraseCountPage page = utility::GetEraseCount(kSataSlot, config_, info_, buffer_);
    EXPECT_EQ(page.EraseMemo[0], "Ch/CE\t[0]/[0]\t[1]/[0]\t");
    ASSERT_EQ(page.EraseMemo.size(), 3u);
    EXPECT_EQ(page.EraseMemo[2], "0001\t65534\t65534\t");
}

}  // namespace
}  // namespace qx::test
