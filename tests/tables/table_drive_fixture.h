// A simulated drive running its firmware with its tables in flash, as the
// table operations meet it after a download: the memory image names code
// blocks 10..13 and the later-bad list blocks 100 and 120, and code block 10
// holds a whole information page, so that rereading the system information
// gives back this drive's own configuration.
#pragma once

#include <cstring>
#include <vector>

#include "diagnostics/diag_fixture.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/tables/drive_tables.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/programs/system_info.h"

namespace qx::test {

using Page = std::vector<std::uint8_t>;

// A table page of 4 KB (one channel's page) that carries the tag.
inline Page Tagged(const CodeBlockTag& tag) {
    Page p(4096, 0);
    std::copy(tag.begin(), tag.end(), p.begin());
    return p;
}
inline void Word(Page& p, std::size_t at, std::uint16_t v) {
    p[at] = static_cast<std::uint8_t>(v);
    p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

class TableDriveFixture : public DiagFixture {
protected:
    static constexpr std::uint16_t kCodeBlock = 10;

    void SetUp() override {
        DiagFixture::SetUp();
        DecodeFlashGeometry(config_, config_.FlashGeometry);
        for (int slot : kBothSlots) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            ASSERT_TRUE(s.DefectTable.Allocate(kDefectTableSize));
            ASSERT_TRUE(s.EarlyTable.Allocate(kEarlyTableSize));
            ASSERT_TRUE(s.LaterBadPages.Allocate(kLaterBadPagesSize));
            s.CodeBlocks = {kCodeBlock, 11, 12, 13};
            s.LaterBadBlockFirst = 50;    // block 100
            s.LaterBadBlockOther = 60;    // block 120
            SetState(slot, sim::ControllerState::Firmware);
        }
        VendorModeOn(kSataSlot);
    }
    void TearDown() override {
        for (int slot : kBothSlots) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            s.DefectTable.Release();
            s.EarlyTable.Release();
            s.LaterBadPages.Release();
            s.LaterBadBlockFirst = s.LaterBadBlockOther = 0;
        }
        DiagFixture::TearDown();
    }

    void Put(int slot, std::uint8_t ch, std::uint8_t ce, std::uint16_t block, std::uint16_t page, const Page& p) {
        Drive(slot, [&](sim::DriveModel& m) { m.nand.Program({ch, ce, block, page}, p); });
    }
    void PutOnEveryChannel(int slot, std::uint16_t page, const Page& p) {
        for (std::uint8_t ch = 0; ch < config_.ChannelCount; ++ch) Put(slot, ch, 0, kCodeBlock, page, p);
    }

    // What the firmware shows at memory address 0 (its header page, with this
    // drive's geometry, code blocks and list blocks) and the information page
    // naming binCount bin files. model: the controller model text.
    void PutSystem(int slot, std::uint8_t binCount, const char* model = "849") {
        std::vector<std::uint8_t> image(kSystemImageBytes, 0);
        std::memcpy(&image[0x300], "QXSS", 4);
        std::memcpy(&image[0x324], model, 4);
        BinFileList bins{};
        ASSERT_TRUE(BuildSysBinHeader(slot, config_, settings_, image));
        ASSERT_TRUE(BuildSysBinGeometry(slot, config_, bins, false, image));
        Drive(slot, [&](sim::DriveModel& m) { m.systemImage = image; });

        bins.Count = binCount;
        bins.SizesKB = {200, 60};
        Page set(InfoPageSetBytes(config_), 0);
        ASSERT_TRUE(PatchGdpParamArea(slot, config_, settings_, set));
        ASSERT_TRUE(BuildInfoPage(slot, config_, bins, set, 5));
        const std::size_t pageBytes = std::size_t{config_.FlashGeometry.SectorsPerPage} * 512;
        for (std::uint8_t ch = 0; ch < config_.ChannelCount; ++ch)
            Put(slot, ch, 0, kCodeBlock, 0, Page(set.begin() + ch * pageBytes, set.begin() + (ch + 1) * pageBytes));
    }

    // The worker's own copies, which the operations rewrite from the drive.
    FlashConfig worker_{};
    BinFileList bins_{};
    SystemInfo info_{};
    TableContext tables_{worker_, settings_, bins_, info_, buffer_};
};

}  // namespace qx::test
