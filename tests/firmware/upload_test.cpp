// The upload reads the table pages and the bin files back into files; the
// download does the same after its writes when dumps are on.
#include "firmware/firmware_fixture.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/firmware/firmware_upload.h"

namespace qx::test {
namespace {

class Upload : public FirmwareFixture {
protected:
    static std::string UpName(unsigned file, unsigned block, unsigned channel) {
        char name[32];
        std::snprintf(name, sizeof name, "UP%2.2X%2.2X%2.2X.raw", file, block, channel);
        return name;
    }
};

TEST_F(Upload, BinFilesComeBackPerCodeBlockAndChannel) {
    const Bytes file = ReadFileBytes(kSystemFirmware);
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        SetSlotTransferMode(slot, 1);
        BinFileList read{};
        read.Count = 1;
        read.SizesKB[0] = 32;
        ASSERT_TRUE(UploadFirmware(slot, Ctx(), read));
        EXPECT_EQ(TransferModeOf(slot), 2);
        EXPECT_EQ(read.Placements[0].StartPage, 8);
        EXPECT_EQ(read.Placements[0].PageCount, 9);
        for (unsigned block = 0; block < 4; ++block)
            for (unsigned ch = 0; ch < 4; ++ch) {
                const Bytes up = ReadFileBytes(dir_->file(UpName(0, block, ch)));
                ASSERT_EQ(up.size(), 9u * 4096) << UpName(0, block, ch);
                // The header page as patched, then the file's pages as written.
                EXPECT_EQ(Slice(up, 0x060, 12), Hex("58 51 31 30 33 32 35 34 37 36 39 38"));
                for (std::size_t k = 1; k < 9; ++k)
                    EXPECT_EQ(Slice(up, k * 4096, 4096), BinPage(file, k, 9, 4096)) << "page " << k;
            }
        // Table pages read back as dumps; dumps stay on for this slot only.
        EXPECT_TRUE(SlotDumpsOn(slot));
        EXPECT_FALSE(DumpDebugFile);
        const Bytes system = ReadFileBytes(dir_->file("10_TPR_03_04.raw"));
        ASSERT_EQ(system.size(), kPageSetBytes);
        EXPECT_TRUE(HasCodeBlockTag(std::span(system).subspan(3 * 4096), kSystemPageTag));
        EXPECT_EQ(Slice(ReadFileBytes(dir_->file("10_TPR_02_00.raw")), 0, 15), Bytes(config_.BlocksHeaderText, config_.BlocksHeaderText + 15));
        SeedSlotTransfer(slot);
        EXPECT_FALSE(SlotDumpsOn(slot)) << "a new run follows the settings again";
    }
}

TEST_F(Upload, DownloadWithDumpsReadsTheBinFilesBack) {
    DumpDebugFile = true;
    PrepareDrive(kUsbSlot);
    ASSERT_TRUE(Download(kUsbSlot));
    EXPECT_EQ(ReadFileBytes(dir_->file(UpName(0, 2, 1))).size(), 9u * 4096);
    // The download's dumps: the tables as read and as written, the header page.
    for (const char* name : {"buffer_CP_1.raw", "codepage_CP_61.raw", "test_CP.raw", "10_WT07.raw", "10_WT61.raw",
                             "SysBinHead.raw", "InfoPage.raw"})
        EXPECT_TRUE(std::filesystem::exists(dir_->file(name))) << name;
    EXPECT_EQ(ReadFileBytes(dir_->file("test_CP.raw")).size(), 8u * kPageSetBytes) << "remap on, SMART off: 8 sets";
}

TEST_F(Upload, UploadFailsWhenAFileCannotBeCreated) {
    PrepareDrive(kSataSlot);
    ASSERT_TRUE(Download(kSataSlot));
    std::filesystem::create_directory(dir_->file(UpName(0, 1, 2)));   // a folder in the file's place
    BinFileList read{};
    read.Count = 1;
    read.SizesKB[0] = 32;
    EXPECT_FALSE(ReadBackBinFiles(kSataSlot, Ctx(), read));
}

TEST_F(Upload, FailedTablePageReadFailsTheUpload) {
    PrepareDrive(kSataSlot);
    ASSERT_TRUE(Download(kSataSlot));
    DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x89));
    BinFileList read{};
    read.Count = 1;
    read.SizesKB[0] = 32;
    EXPECT_FALSE(UploadFirmware(kSataSlot, Ctx(), read));
    DriveOf(kSataSlot).ClearFaults();
    DumpDebugFile = false;
}

}  // namespace
}  // namespace qx::test
