// Which code-block page gets what, written with which ECC mode, option and
// sectors-per-page byte: the whole plan of one code block after a download,
// as golden data, for normal and low-page mode and with the remap and SMART
// tables on and off. Every code block gets the same plan.
#include "firmware/firmware_fixture.h"

namespace qx::test {
namespace {


class PagePlan : public FirmwareFixture {
protected:
    Lines DownloadedPlan(int slot) {
        PrepareDrive(slot);
        EXPECT_TRUE(Download(slot));
        const Bytes file = ReadFileBytes(kSystemFirmware);
        const Lines plan = Plan(slot, 0, file);
        for (std::uint16_t block = 1; block < 4; ++block) EXPECT_EQ(Plan(slot, block, file), plan) << "code block " << block;
        return plan;
    }
};

// ECC mode 2: the information page goes with ECC mode 3 and the
// sectors-per-page byte 4; tables with option 1 x 2 + 1 (scramble on), bin
// pages with option 1. The 32 KB firmware takes 9 pages from 8.
TEST_F(PagePlan, NormalModeWithRemapAndSmart) {
    settings_.EnKeepSmartInfo = 1;
    const Lines golden = {
        "0 info 3/1/4", "1 T1 2/3/8",  "2 T2 2/3/8",  "3 T3 2/3/8",   "4 T4 2/3/8",    "5 T5 2/3/8",
        "6 T6 2/3/8",   "7 T7 2/3/8",  "8 B0 2/1/8",  "9 B1 2/1/8",   "10 B2 2/1/8",   "11 B3 2/1/8",
        "12 B4 2/1/8",  "13 B5 2/1/8", "14 B6 2/1/8", "15 B7 2/1/8",  "16-59 B8 2/1/8", "60 T8 2/3/8",
        "61-255 T9 2/3/8",
    };
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(DownloadedPlan(slot), golden);
    }
}

// Seven tables kept: page 3 gets the system page's table, page 5 the one
// of page 6; pages 60 and 61 the sixth and seventh sets.
TEST_F(PagePlan, NormalModeWithoutRemapAndSmart) {
    config_.Options[kOptRemap] = 0;
    config_.Options[kOptScramble] = 0;
    config_.EccMode = 3;
    const Lines golden = {
        "0 info 3/1/8", "1 T1 3/2/8",  "2 T2 3/2/8",  "3-4 T4 3/2/8", "5-6 T6 3/2/8",   "7 T7 3/2/8",
        "8 B0 3/1/8",   "9 B1 3/1/8",  "10 B2 3/1/8", "11 B3 3/1/8",  "12 B4 3/1/8",    "13 B5 3/1/8",
        "14 B6 3/1/8",  "15 B7 3/1/8", "16-59 B8 3/1/8", "60 T8 3/2/8", "61-255 T9 3/2/8",
    };
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(DownloadedPlan(slot), golden);
    }
}

// Low-page set 1 (type 3): tables at TablePageList 1..9 = 1, 2, 3, 4, 5, 8,
// 9, 12, 13; bin pages at PageMap 28, 29, 32, 33, ..., 44.
//  - The download reads the tables from pages 1..7, 60 and 61, as in normal
//    mode: tables 6..9 come from pages pre-format left blank (6, 7, 60, 61)
//    and go to 8, 9 and 12 blank too.
//  - The last table page (13) is not written; the gaps 6-7 and 10-11 are
//    filled with the next table, 14..27 with the last, in the bin format.
//  - Bin page gaps are filled with the next page, except before the file's
//    last page (42-43); after it pages up to 59 repeat it.
TEST_F(PagePlan, LowPageMode) {
    config_.EnCodeBlockLowPage = 1;
    config_.LowPageType = 3;
    FillCodeBlockPageTables(config_);
    settings_.EnKeepSmartInfo = 1;
    const Lines golden = {
        "0 info 3/1/4",  "1 T1 2/3/8",     "2 T2 2/3/8",     "3 T3 2/3/8",     "4 T4 2/3/8",    "5 T5 2/3/8",
        "6-7 - 2/1/8",   "8-9 - 2/3/8",    "10-11 - 2/1/8",  "12 - 2/3/8",     "13 - none",     "14-27 - 2/1/8",
        "28 B0 2/1/8",   "29 B1 2/1/8",    "30-32 B2 2/1/8", "33 B3 2/1/8",    "34-36 B4 2/1/8", "37 B5 2/1/8",
        "38-40 B6 2/1/8", "41 B7 2/1/8",   "42-43 - none",   "44-59 B8 2/1/8", "60-255 - none",
    };
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(DownloadedPlan(slot), golden);
    }
}

// A 100 KB bin file on 8 KB pages takes 14 pages: 13 of data, the 13th
// 0x11 after the file's last 4 KB, and a 14th of 0x11 ending in 55 AA EC 31;
// as the only file, pages after it up to 59 repeat the 14th.
TEST_F(PagePlan, HundredKilobyteFileOnEightKilobytePages) {
    // A drive with 16 sectors a page behind a bridge.
    constexpr int kSlot = kExtraSlot;
    sim::DriveConfig cfg = DriveOf(kSataSlot).Config();
    cfg.sectorsPerPage = 16;
    sim::SimDrive& drive = AddExtraDrive(cfg);
    config_.FlashTypeWord = 0x1012;
    DecodeFlashGeometry(config_, config_.FlashGeometry);

    Bytes file = ReadFileBytes(kSystemFirmware);
    file.resize(100 * 1024, 0x77);
    const std::string name = dir_->file("SYS_100K.bin");
    WriteFileBytes(name, file);
    UseBinFile(name);

    buffer_.assign(kScratchSize, 0);
    ASSERT_TRUE(GetCodeBlockList(kSlot, Ctx()));
    ASSERT_TRUE(PreFormat(kSlot, Ctx(), false, false, false));
    ASSERT_TRUE(Download(kSlot));
    EXPECT_EQ(bins_.Placements[0].StartPage, 8);
    EXPECT_EQ(bins_.Placements[0].PageCount, 14);

    auto page = [&](std::uint16_t p) {
        auto hold = drive.Lock();
        Bytes b(8192);
        drive.Model().nand.Read({1, 0, 2, p}, b);
        return b;
    };
    Bytes thirteenth(8192, 0x11);
    std::copy_n(file.begin() + 12 * 8192, 4096, thirteenth.begin());
    EXPECT_EQ(page(20), thirteenth);
    Bytes last(8192, 0x11);
    std::copy(std::begin(kBinFileEndMark), std::end(kBinFileEndMark), last.end() - 4);
    EXPECT_EQ(page(21), last);
    for (std::uint16_t p = 22; p < 60; ++p) EXPECT_EQ(page(p), last) << "filler page " << p;
    {
        auto hold = drive.Lock();
        EXPECT_TRUE(sim::CodeBlockBootable(drive.Model(), 2, 1));
    }
}

}  // namespace
}  // namespace qx::test
