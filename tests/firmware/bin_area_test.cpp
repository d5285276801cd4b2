// Where the bin files may go: the bin area ends before page 60 in normal
// mode, low-page mode takes one bin file; a firmware that does not fit, or
// whose file is missing, is refused before the drive is touched.
#include "firmware/firmware_fixture.h"
#include "qxlib/programs/gdp_param_area.h"

namespace qx::test {
namespace {

class BinArea : public FirmwareFixture {
protected:
    BinArea() { logUse_ = LogUse::Requests; }

    // A firmware file of the size: the system firmware, then filler.
    std::string FirmwareOf(std::size_t kb) {
        Bytes file = ReadFileBytes(kSystemFirmware);
        file.resize(kb * 1024, 0x3C);
        const std::string name = dir_->file("SYS_" + std::to_string(kb) + "K.bin");
        WriteFileBytes(name, file);
        return name;
    }

    // The step fails and not one request reached the drive.
    void RefusedUntouched(int slot) {
        ClearLog();
        EXPECT_FALSE(Download(slot));
        EXPECT_TRUE(Requests(slot).empty());
    }
};

TEST_F(BinArea, FirmwareEndingOnPage59FitsAndPage60DoesNot) {
    // 4 KB pages: 204 KB takes 51 + 1 pages, 8..59; 208 KB takes 53, 8..60.
    UseBinFile(FirmwareOf(204));
    BinFileList placed = bins_;
    PlaceBinFiles(config_, placed, 8);
    EXPECT_EQ(placed.Placements[0].PageCount, 52);
    EXPECT_TRUE(BinAreaFits(config_, placed));
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        const Bytes file = ReadFileBytes(bins_.Names[0]);
        const Lines plan = Plan(slot, 1, file);
        auto has = [&](const std::string& line) { return std::find(plan.begin(), plan.end(), line) != plan.end(); };
        EXPECT_TRUE(has("8 B0 2/1/8"));
        EXPECT_TRUE(has("59 B51 2/1/8")) << "no filler after the last bin page";
        EXPECT_TRUE(has("60 T8 2/3/8"));
    }

    UseBinFile(FirmwareOf(208));
    placed = bins_;
    PlaceBinFiles(config_, placed, 8);
    EXPECT_FALSE(BinAreaFits(config_, placed));
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        RefusedUntouched(slot);
    }
}

TEST_F(BinArea, TwoFilesShareTheAreaInNormalMode) {
    UseBinFile(FirmwareOf(40), 0);
    UseBinFile(FirmwareOf(20), 1);
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        EXPECT_EQ(bins_.Placements[0].StartPage, 8);
        EXPECT_EQ(bins_.Placements[0].PageCount, 11);
        EXPECT_EQ(bins_.Placements[1].StartPage, 19);
        EXPECT_EQ(bins_.Placements[1].PageCount, 6);
        // The first file's last page ends in the mark; the second file
        // follows it; pages after the second repeat its last.
        const Bytes end = NandPage(slot, 0, 18, 0);
        EXPECT_EQ(Slice(end, 4092, 4), Hex("55 AA EC 31"));
        EXPECT_EQ(Slice(NandPage(slot, 0, 19, 0), 0x300, 4), Hex("51 58 53 53")) << "the second file's first page";
        EXPECT_EQ(NandPage(slot, 0, 59, 3), NandPage(slot, 0, 24, 3));
        auto hold = DriveOf(slot).Lock();
        EXPECT_TRUE(sim::CodeBlockBootable(DriveOf(slot).Model(), 0, 2));
    }
}

TEST_F(BinArea, LowPageModeTakesOneBinFile) {
    config_.EnCodeBlockLowPage = 1;
    config_.LowPageType = 3;
    FillCodeBlockPageTables(config_);
    UseBinFile(FirmwareOf(16), 1);
    BinFileList placed = bins_;
    PlaceBinFiles(config_, placed, FirstBinFilePage(config_));
    EXPECT_FALSE(BinAreaFits(config_, placed));
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        RefusedUntouched(slot);
    }
}

TEST_F(BinArea, LowPageFileMustStayInThePageMap) {
    config_.EnCodeBlockLowPage = 1;
    config_.LowPageType = 2;   // odd pages from 31: PageMap[59] = 149
    FillCodeBlockPageTables(config_);
    bins_ = {};
    UseBinFile(FirmwareOf(236));   // 59 + 1 pages: the page map's 60 entries
    BinFileList placed = bins_;
    PlaceBinFiles(config_, placed, FirstBinFilePage(config_));
    EXPECT_TRUE(BinAreaFits(config_, placed));
    bins_ = {};
    UseBinFile(FirmwareOf(240));   // 61 pages
    placed = bins_;
    PlaceBinFiles(config_, placed, FirstBinFilePage(config_));
    EXPECT_FALSE(BinAreaFits(config_, placed));
}

TEST_F(BinArea, BlockWithoutPages60And61IsRefused) {
    config_.FlashGeometry.PagesPerBlock = 32;   // half pages of 64
    BinFileList placed = bins_;
    PlaceBinFiles(config_, placed, 8);
    EXPECT_FALSE(BinAreaFits(config_, placed));
    RefusedUntouched(kSataSlot);
}

TEST_F(BinArea, MissingBinFileIsRefusedBeforeTheDriveIsTouched) {
    bins_ = {};
    bins_.Count = 1;
    bins_.SizesKB[0] = 32;
    std::snprintf(bins_.Names[0], sizeof bins_.Names[0], "%s", dir_->file("gone.bin").c_str());
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        RefusedUntouched(slot);
    }
    EXPECT_TRUE(Traced("open bin file '" + dir_->file("gone.bin") + "' fail\r\n"));
}

TEST_F(BinArea, PlacementsAgreeWithTheInformationPage) {
    UseBinFile(FirmwareOf(200), 0);
    UseBinFile(FirmwareOf(60), 1);
    BinFileList placed = bins_, built = bins_;
    PlaceBinFiles(config_, placed, 8);
    Bytes page(PageSetBytes(config_));
    ASSERT_TRUE(BuildInfoPage(kSataSlot, config_, built, page, 1));
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(placed.Placements[i].StartPage, built.Placements[i].StartPage);
        EXPECT_EQ(placed.Placements[i].PageCount, built.Placements[i].PageCount);
    }
    // Normal mode: start + k through the page map, nothing past its 60 entries.
    EXPECT_EQ(BinFilePage(config_, placed, 1, 0), 59);
    EXPECT_EQ(BinFilePage(config_, placed, 1, 1), std::nullopt);
    EXPECT_FALSE(BinAreaFits(config_, placed));
}

}  // namespace
}  // namespace qx::test
