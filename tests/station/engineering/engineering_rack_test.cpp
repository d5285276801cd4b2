// The engineering functions against the simulated drives: flash detection on
// the first connected port, and the viewer's page and sector reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/diag_fixture.h"
#include "qxlib/discovery/port_record.h"
#include "station/engineering/flash_auto_detect.h"
#include "station/engineering/flash_page_reads.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "station/engineering/hex_dump.h"
#include "ui/scripted_prompter.h"

namespace qx::test {
namespace {

using station::DetectOutcome;

class EngineeringRackTest : public DiagFixture {
protected:
    void SetUp() override {
        DiagFixture::SetUp();
        savedPortCount_ = PortCount;
        for (PortRecord& r : ActivePortTable) r.Connected = 0;
        PortCount = 2;
    }
    void TearDown() override {
        for (PortRecord& r : ActivePortTable) r.Connected = 0;
        PortCount = savedPortCount_;
        DiagFixture::TearDown();
    }
    int savedPortCount_ = 0;
    ui::ScriptedPrompter prompter_;
};

TEST_F(EngineeringRackTest, DetectionTouchesOnlyTheFirstConnectedDrive) {
    for (int first : kBothSlots) {
        SCOPED_TRACE(first);
        ClearLog();
        for (PortRecord& r : ActivePortTable) r.Connected = 0;
        ActivePortTable[static_cast<std::size_t>(first)].Connected = 1;
        if (first == kSataSlot) ActivePortTable[kUsbSlot].Connected = 1;
        const station::FlashDetection d = station::DetectFlashOnFirstPort(PortCount, config_, settings_);
        EXPECT_EQ(d.Outcome, DetectOutcome::Detected);
        EXPECT_EQ(d.Port, first);
        EXPECT_EQ(d.Result.FlashId(), (std::array<std::uint8_t, 5>{0x98, 0xDE, 0x94, 0x93, 0x76}));
        EXPECT_EQ(d.Result.Channels(), 4);
        EXPECT_EQ(d.Result.Banks(), 2);
        EXPECT_EQ(config_.DrvCurrent, 2);
        EXPECT_EQ(config_.BankCount, 0);
        EXPECT_FALSE(Requests(first).empty());
        const int other = first == kSataSlot ? kUsbSlot : kSataSlot;
        EXPECT_TRUE(Requests(other).empty()) << "only the first connected drive is asked";
    }
}

TEST_F(EngineeringRackTest, DetectionWithoutAConnectedPortOrWithAFailedBoot) {
    station::FlashDetection none = station::DetectFlashOnFirstPort(PortCount, config_, settings_);
    EXPECT_EQ(none.Outcome, DetectOutcome::NoConnectedPort);
    EXPECT_EQ(none.Result.Bytes, (std::array<std::uint8_t, 18>{}));
    ActivePortTable[kUsbSlot].Connected = 1;
    DriveOf(kUsbSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x05));
    const station::FlashDetection failed = station::DetectFlashOnFirstPort(PortCount, config_, settings_);
    EXPECT_EQ(failed.Outcome, DetectOutcome::Failed);
    EXPECT_EQ(failed.Result.Bytes, (std::array<std::uint8_t, 18>{}));
    EXPECT_EQ(station::FlashIdMessage(failed.Result),
              "Flash's CE:0\nFlash's Maker Code:0\nFlash's Device Code:0\nFlash's 3rd Code:0\nFlash's 4th Code:0\n"
              "Flash's 5th Code:0\nSSD's total channel:0\nSSD's total bank:0\n");
}

station::FlashReadRequest Pages(std::uint16_t page, std::uint16_t count, station::PageReadMode mode) {
    station::FlashReadRequest r;
    r.Bank = 1;
    r.Block = 20;
    r.Page = page;
    r.PageCount = count;
    r.Mode = mode;
    return r;
}

TEST_F(EngineeringRackTest, PageReadsInBothModes) {
    config_.BankCount = 2;
    config_.EccMode = 1;
    for (int slot : kBothSlots) {
        const auto qx = station::ReadFlashPageDumps(slot, config_, settings_, Pages(3, 2, station::PageReadMode::QxSsd),
                                                    prompter_);
        ASSERT_TRUE(qx);
        for (int ch = 0; ch < 4; ++ch) {
            const auto& lines = (*qx)[static_cast<std::size_t>(ch)];
            ASSERT_EQ(lines.size(), 2u * 8 * 512 / 16);
            EXPECT_EQ(lines[256].substr(0, 8), "00001000") << "the second page's offset counts on";
        }
        EXPECT_TRUE((*qx)[4].empty());
        const auto custom = station::ReadFlashPageDumps(slot, config_, settings_,
                                                        Pages(3, 1, station::PageReadMode::Custom), prompter_);
        ASSERT_TRUE(custom);
        // 4 x (1028 + 28) bytes a page: 9 sectors with one separator line.
        EXPECT_EQ((*custom)[0].size(), 1u + 9 * 512 / 16);
        EXPECT_EQ((*custom)[0][0], "-------------------------------------------------------------");
    }
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(EngineeringRackTest, AFailingPageKeepsThePagesBeforeIt) {
    config_.BankCount = 2;
    ClearLog();
    ASSERT_TRUE(station::ReadFlashPageDumps(kSataSlot, config_, settings_, Pages(0, 1, station::PageReadMode::QxSsd),
                                            prompter_));
    // The read's vendor command is the last one the single page sent.
    const auto blocks = VendorBlocks(kSataSlot);
    ASSERT_FALSE(blocks.empty());
    const std::uint8_t readSub = blocks.back()[2];

    DriveOf(kSataSlot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(readSub).Skip(2 * 4 * 2));   // two pages of four channels, command and data
    const auto dumps = station::ReadFlashPageDumps(kSataSlot, config_, settings_,
                                                   Pages(0, 5, station::PageReadMode::QxSsd), prompter_);
    ASSERT_TRUE(dumps);
    EXPECT_EQ((*dumps)[0].size(), 2u * 8 * 512 / 16);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Read Page fail!"});
}

TEST_F(EngineeringRackTest, PageReadGuards) {
    config_.ChannelCount = 9;
    EXPECT_FALSE(station::ReadFlashPageDumps(kSataSlot, config_, settings_, Pages(0, 1, station::PageReadMode::QxSsd),
                                             prompter_));
    config_.ChannelCount = 4;
    config_.EccMode = 4;
    EXPECT_FALSE(station::ReadFlashPageDumps(kSataSlot, config_, settings_,
                                             Pages(0, 1, station::PageReadMode::Custom), prompter_));
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"Invalid Read Flash Parameters", "Invalid Read Flash Parameters"}));
    EXPECT_TRUE(Requests(kSataSlot).empty());
}

TEST_F(EngineeringRackTest, SectorReadBounds) {
    struct Case {
        long long fromEnd;   // LBA below the capacity the drive reports
        long long count;
        bool ok;
    };
    for (const Case& c : std::vector<Case>{{2, 1, true}, {1, 1, false}, {0, 0, false}, {1000, 128, true},
                                           {1000, 129, false}}) {
        for (int slot : kBothSlots) {
            SetState(slot, sim::ControllerState::Firmware);
            const long long lba = static_cast<long long>(GetDriveCapacity(slot)) - c.fromEnd;
            prompter_.Clear();
            const auto lines = station::ReadDiskSectorDump(slot, config_, lba, c.count, prompter_);
            EXPECT_EQ(lines.has_value(), c.ok) << c.fromEnd << " " << c.count << " slot " << slot;
            if (c.ok) {
                EXPECT_EQ(lines->size(), static_cast<std::size_t>(c.count) * 32);
            } else {
                EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Invalid Read Disk Parameters"});
            }
        }
    }
}

TEST_F(EngineeringRackTest, ANegativeLbaIsRefusedBeforeAnyRead) {
    SetState(kUsbSlot, sim::ControllerState::Firmware);
    ClearLog();
    EXPECT_FALSE(station::ReadDiskSectorDump(kUsbSlot, config_, -1, 1, prompter_));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Invalid Read Disk Parameters"});
    for (const std::string& w : Sent(kUsbSlot)) EXPECT_NE(w, "R10");
}

TEST_F(EngineeringRackTest, SectorReadFailures) {
    for (int slot : kBothSlots) {
        SetState(slot, sim::ControllerState::Firmware);
        DriveOf(slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnOpcode(0x28));
        prompter_.Clear();
        EXPECT_FALSE(station::ReadDiskSectorDump(slot, config_, 0, 1, prompter_));
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Read Disk Sector fail"});
        DriveOf(slot).ClearFaults();
        // A loader whose firmware never takes over: the SATA path waits in
        // vain for the signed reply, the USB drive answers as a loader again.
        SetState(slot, sim::ControllerState::Loader);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.neverBoots = true; });
        prompter_.Clear();
        EXPECT_FALSE(station::ReadDiskSectorDump(slot, config_, 0, 1, prompter_));
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{slot == kSataSlot ? "Reload system firmware fail"
                                                                                  : "No system firmware"});
    }
}

TEST_F(EngineeringRackTest, SavedDumpIsTheHexDumpWithCrLf) {
    SetState(kSataSlot, sim::ControllerState::Firmware);
    const auto lines = station::ReadDiskSectorDump(kSataSlot, config_, 100, 1, prompter_);
    ASSERT_TRUE(lines);
    const std::string path = dir_->file("dump.txt");
    ASSERT_TRUE(station::SaveDumpLines(path, *lines));
    std::vector<std::uint8_t> sector(512);
    ASSERT_EQ(SCSI_Read10(kSataSlot, sector.data(), 1, 100), 1);
    std::string expected;
    for (std::size_t at = 0; at < sector.size(); at += 16) {
        char line[80];
        std::snprintf(line, sizeof line, "%08zX ", at);
        expected += line;
        for (std::size_t i = 0; i < 16; ++i) {
            std::snprintf(line, sizeof line, i == 4 || i == 12 ? "  %02X" : i == 8 ? " - %02X" : " %02X",
                          sector[at + i]);
            expected += line;
        }
        expected += "\r\n";
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string got(expected.size() + 10, '\0');
    got.resize(std::fread(got.data(), 1, got.size(), f));
    std::fclose(f);
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace qx::test
