// The check after a download: the table pages of the first code block carry
// their tags (once for each bin file the information page names) and the
// drive's wear is low, on a simulated drive running its firmware.
#include <gtest/gtest.h>

#include <algorithm>

#include "qxlib/tables/code_page_check.h"
#include "tables/table_drive_fixture.h"

namespace qx::test {
namespace {

class CodePageCheckTest : public TableDriveFixture {
protected:
    CodePageCheckTest() { logUse_ = LogUse::Requests; }

    // Pages 1..3 of the code block on every channel; untaggedPage (1..3)
    // lacks its tag on channel 0 only, the one the check looks at.
    void PutCodeBlock(int slot, std::uint8_t binCount, int untaggedPage, bool remap = true) {
        config_.Options[kOptRemap] = remap ? 1 : 0;
        PutSystem(slot, binCount);
        const CodeBlockTag* tags[] = {&kDefectTableTag, &kEarlyBadTableTag, &kRemapTableTag};
        for (std::uint16_t page = 1; page <= 3; ++page) {
            Page p = Tagged(*tags[page - 1]);
            for (std::uint8_t ch = 0; ch < config_.ChannelCount; ++ch) {
                Page onChannel = p;
                if (ch == 0 && page == untaggedPage) onChannel[15] ^= 0xFF;
                Put(slot, ch, 0, kCodeBlock, page, onChannel);
            }
        }
    }

    void SetWear(int slot, std::uint64_t raw) {
        Drive(slot, [&](sim::DriveModel& m) {
            for (sim::SmartAttribute& a : m.smart)
                if (a.id == 0xAD) a.raw = raw;
        });
    }

    int FirmwarePageReads(int slot) const {
        const Texts sent = Sent(slot);
        return static_cast<int>(std::count(sent.begin(), sent.end(), "V04"));
    }

    bool Check(int slot) {
        ClearLog();
        return CheckCodePages(slot, tables_);
    }
};

// The case table: which page lacks its tag, the remap option, the bin files
// named, the wear and whether it is checked; what the check answers, why,
// (a pass leaves the buffer as the reads left it) and how many firmware
// page reads it takes (the first is the information
// page that rereading the system information finds).
TEST_F(CodePageCheckTest, AnswersEachCaseOnBothPaths) {
    struct Case {
        const char* name;
        int untaggedPage;
        bool remap;
        std::uint8_t bins;
        std::uint64_t wear;
        bool checkWear;
        bool ok;
        std::uint8_t why;
        int pageReads;
    };
    const Case cases[] = {
        {"all tagged, one bin file", 0, true, 1, 4, false, true, 0, 1 + 3},
        {"all tagged, two bin files: the same pages twice", 0, true, 2, 4, false, true, 0, 1 + 6},
        {"defect page untagged", 1, true, 2, 4, false, false, kCodePageDefectUntagged, 1 + 1},
        {"early page untagged", 2, true, 1, 4, false, false, kCodePageEarlyUntagged, 1 + 2},
        {"remap page untagged", 3, true, 1, 4, false, false, kCodePageRemapUntagged, 1 + 3},
        {"remap page untagged, remap off", 3, false, 1, 4, false, true, 0, 1 + 2},
        {"no bin files: no page is checked", 1, true, 0, 4, false, true, 0, 1},
        {"wear 100 passes", 0, true, 1, 100, true, true, 0, 1 + 3},
        {"wear 101 fails", 0, true, 1, 101, true, false, kCodePageWearTooHigh, 1 + 3},
        {"wear 101 unchecked", 0, true, 1, 101, false, true, 0, 1 + 3},
        {"wear 0x1_0064: 16 bits of the raw value count", 0, true, 1, 0x10064, true, true, 0, 1 + 3},
        {"no bin files, wear 101", 0, true, 0, 101, true, false, kCodePageWearTooHigh, 1},
        {"untagged page before the wear", 2, true, 1, 101, true, false, kCodePageEarlyUntagged, 1 + 2},
    };
    for (const Case& c : cases) {
        for (int slot : kBothSlots) {
            SCOPED_TRACE(testing::Message() << c.name << ", slot " << slot);
            Drive(slot, [](sim::DriveModel& m) { m.nand.Erase(0, 0, kCodeBlock); });
            PutCodeBlock(slot, c.bins, c.untaggedPage, c.remap);
            SetWear(slot, c.wear);
            settings_.EnCheckTablesErase = c.checkWear ? 1 : 0;

            EXPECT_EQ(Check(slot), c.ok);
            if (!c.ok) {
                EXPECT_EQ(buffer_[0], c.why);
            }
            EXPECT_EQ(FirmwarePageReads(slot), c.pageReads);
            EXPECT_EQ(bins_.Count, c.bins);
        }
    }
}

// A SMART read the drive refuses fails the check without a reason: the
// buffer keeps the last page read.
TEST_F(CodePageCheckTest, RefusedSmartFailsWithoutAReason) {
    settings_.EnCheckTablesErase = 1;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PutCodeBlock(slot, 1, 0);
        sim::FaultRule refuse;
        if (slot == kUsbSlot) {
            refuse.kind = sim::FaultKind::SyscallFails;
            refuse.vendorSub = 0x05;   // the firmware's SMART page
        } else {
            refuse.kind = sim::FaultKind::AtaError;
            refuse.opcode = 0xB0;      // SMART
        }
        DriveOf(slot).AddFault(refuse);
        EXPECT_FALSE(Check(slot));
        EXPECT_EQ(buffer_[0], kRemapTableTag[0]);
        DriveOf(slot).ClearFaults();
    }
}

}  // namespace
}  // namespace qx::test
