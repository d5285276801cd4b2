// The refresh of a selected drive: the order of its steps, what it sends,
// what it leaves in the window, and its failure routes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "qxlib/programs/program_paths.h"
#include "qxlib/transport/slot_transfer.h"
#include "utility/support/utility_rack_fixture.h"
#include "utility/page_index.h"

namespace qx::test {
namespace {

class RefreshTest : public UtilityRackFixture {
protected:
    // Scans and selects row `row`; returns the index of the first event of the selection.
    std::size_t ScanAndSelect(int row = 0, std::vector<std::string> args = {}) {
        Logic(std::move(args)).FormShow();
        sentBeforeSelect_ = Log().size();
        const std::size_t mark = events_.size();
        logic_->ListView1SelectItem(row, true);
        return mark;
    }
    void ExpectSlotBuffersReleased() {
        for (const DeviceSlot& s : DeviceSlots) {
            EXPECT_FALSE(s.EarlyTable);
            EXPECT_FALSE(s.DefectTable);
            EXPECT_FALSE(s.RemapTablePages);
            EXPECT_FALSE(s.LaterBadPages);
            EXPECT_FALSE(s.BadBlockMap);
        }
    }
    std::size_t sentBeforeSelect_ = 0;

    static sim::DriveConfig Model849(const std::string& variant, const std::string& version = "3A0151") {
        sim::DriveConfig c = Produced("S849");
        c.systemModel = "849";
        c.systemVersion = version;
        c.systemVariant = variant;
        return c;
    }
};

TEST_F(RefreshTest, SelectingARowRunsTheStepsInOrder) {
    Add(UsbPath(0), Model849("41"));
    const std::size_t mark = ScanAndSelect();
    const std::size_t before = sentBeforeSelect_;
    EXPECT_EQ(EventsSince(mark), (Events{"Clear", "ParseInfo @0", "ShowSSDInfo @0", "ShowSplash",
                                         "ProcessBadBlockInfo @0", "GetEraseCount @0", "HidePage 7",
                                         "ShowFWDebugMessage 1 q1 @0", "ShowPage 7", "CloseSplash", "HidePage 8",
                                         "ActivePage 0"}));
    const auto log = Log();
    ASSERT_GT(log.size(), before);
    // Step 4 comes first: SET FEATURES through the bridge.
    const auto& first = log[before];
    ASSERT_EQ(first.cdb.size(), 12u);
    EXPECT_EQ(first.cdb[0], 0xA1);
    EXPECT_EQ(first.cdb[9], 0xEF);
    EXPECT_EQ(pages_.MapSizeSeen(), kBadBlockMapSize);
    EXPECT_EQ(logic_->QueryDramLayout(), 1);
    EXPECT_TRUE(prompter_.Records().empty());
    ExpectSlotBuffersReleased();
}

TEST_F(RefreshTest, DpdFtlBlockShowsNineLinesOfTheMemoryImage) {
    sim::SimDrive& d = Add(UsbPath(0), Produced("DPD"));
    std::vector<std::uint8_t> image;
    {
        auto hold = d.Lock();
        image = d.Model().systemImage;
    }
    ASSERT_GE(image.size(), 0x590u);
    ScanAndSelect();
    const auto lines = view_.Lines(utility::MemoId::DpdFTLMemo);
    ASSERT_EQ(lines.size(), 9u);
    // Each line: the image offset, then its 16 bytes as the drive holds them.
    for (std::size_t i = 0; i < 9; ++i) {
        const std::size_t at = 0x500 + 16 * i;
        char expected[128];
        const std::uint8_t* b = &image[at];
        std::snprintf(expected, sizeof expected,
                      "<%4.4zX>%2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, %2.2X, || %2.2X, %2.2X, %2.2X, %2.2X, "
                      "%2.2X, %2.2X, %2.2X, %2.2X",
                      at, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                      b[14], b[15]);
        EXPECT_EQ(lines[i], expected) << i;
    }
}

TEST_F(RefreshTest, FailedDpdReadLeavesTheMemoEmptyAndFinishes) {
    sim::SimDrive& d = Add(UsbPath(0), Model849("41"));
    pages_.afterEraseCount = [&d] { d.AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x86)); };
    const std::size_t mark = ScanAndSelect();
    EXPECT_TRUE(view_.Lines(utility::MemoId::DpdFTLMemo).empty());
    const Events since = EventsSince(mark);
    const Events tail(since.end() - 6, since.end());
    EXPECT_EQ(tail, (Events{"HidePage 7", "ShowFWDebugMessage 1 q1 @0", "ShowPage 7", "CloseSplash", "HidePage 8",
                            "ActivePage 0"}));
    ExpectSlotBuffersReleased();
}

TEST_F(RefreshTest, DeselectingEmptiesTheWindowAndSendsNothing) {
    Add(UsbPath(0), Produced("A"));
    ScanAndSelect();
    ASSERT_FALSE(view_.AllText().empty());
    const std::size_t sent = Log().size();
    logic_->ListView1SelectItem(0, false);
    EXPECT_EQ(view_.AllText(), "");
    EXPECT_EQ(Log().size(), sent);
}

TEST_F(RefreshTest, MovingRowsClearsThenReadsTheNewDrive) {
    Add(IdePath(0), Produced("A"));
    Add(IdePath(1), Produced("B"));
    ScanAndSelect(0);
    const std::size_t sent = Log().size();
    const std::size_t mark = events_.size();
    logic_->ListView1SelectItem(0, false);
    EXPECT_EQ(Log().size(), sent);
    EXPECT_EQ(EventsSince(mark), Events{"Clear"});
    logic_->ListView1SelectItem(1, true);
    EXPECT_EQ(EventsSince(mark)[2], "ParseInfo @1");
    EXPECT_EQ(logic_->CurrentDevice(), 1);
    const auto log = Log();
    for (std::size_t i = sent; i < log.size(); ++i) EXPECT_EQ(log[i].path, Lower(IdePath(1)));
}

TEST_F(RefreshTest, LoaderDriveShowsTheMessageAndLeavesTheWindowEmpty) {
    // Scanned while running its firmware, found in its loader when selected.
    sim::SimDrive& d = Add(UsbPath(0), Produced("L"));
    Logic().FormShow();
    {
        auto hold = d.Lock();
        d.Model().ChangeState(sim::ControllerState::Loader);
    }
    const std::size_t mark = events_.size();
    logic_->ListView1SelectItem(0, true);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"FAIL!!!. The SSD doesn't run on system mode now."});
    EXPECT_EQ(EventsSince(mark), Events{"Clear"});
    EXPECT_EQ(view_.AllText(), "");
    EXPECT_FALSE(logic_->Outcome().ReachedCommandLine);
    ExpectSlotBuffersReleased();
}

TEST_F(RefreshTest, LoaderDriveInSpecialModeReadsLogsThroughTheProgramFile) {
    TempDir work(true);   // the special mode traces to the working folder
    sim::SimDrive& d = Add(UsbPath(0), Produced("L"));
    Logic().FormShow();
    logic_->SpecialTipShapeMouseDown(true);
    {
        auto hold = d.Lock();
        d.Model().ChangeState(sim::ControllerState::Loader);
    }
    prompter_.Clear();
    const std::string gdp = logic_->FolderText() + "GDP.bin";
    logic_->ListView1SelectItem(0, true);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"<WARNING> Can't find file : " + gdp});
    EXPECT_EQ(GdpImagePath(), gdp);
    EXPECT_EQ(gdp.front(), '/');

    std::ofstream(gdp) << "program";
    prompter_.Clear();
    const std::size_t mark = events_.size();
    logic_->ListView1SelectItem(0, true);
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_EQ(EventsSince(mark), (Events{"Clear", "ShowFWDebugMessage 2 q0 @0", "ShowPage 7", "ActivePage 7"}));
    ExpectSlotBuffersReleased();
}

TEST_F(RefreshTest, UnreadableControllerMemoryKeepsTheIdentityFields) {
    sim::SimDrive& d = Add(UsbPath(0), Produced("M"));
    Logic().FormShow();
    d.AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x86));
    const std::size_t mark = events_.size();
    logic_->ListView1SelectItem(0, true);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Can't find code block."});
    EXPECT_EQ(EventsSince(mark), (Events{"Clear", "ParseInfo @0"}));
    EXPECT_EQ(view_.Text(utility::EditId::ModelNameEdit), "SATA model");
    ExpectSlotBuffersReleased();
}

TEST_F(RefreshTest, UsbPathDriveIsReadWithTheUsbIdentity) {
    Add(UsbPath(0), NativeUsb("N"));
    const std::size_t mark = ScanAndSelect();
    EXPECT_EQ(EventsSince(mark)[1], "ParseUSBInfo @0");
    ExpectSlotBuffersReleased();
}

TEST_F(RefreshTest, UartLogPageFollowsTheFirmwareHeader) {
    struct Case {
        const char* name;
        std::string model, version, variant;
        bool logsRead;
        int query;   // QueryDramLayout after the refresh
    };
    const Case cases[] = {
        {"849 v3 asks for the layout", "849", "3A0151", "41", true, 1},
        {"variant 42 uses fixed addresses", "849", "3A0151", "42", true, 0},
        {"variant 43", "849", "3A0151", "43", true, 0},
        {"variant 44", "849", "3A0151", "44", true, 0},
        {"849 v2 keeps the page hidden", "849", "2A0151", "41", false, 0},
        {"843 keeps the page hidden", "843", "3A0151", "41", false, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::DriveConfig cfg = Model849(c.variant, c.version);
        cfg.systemModel = c.model;
        const std::string path = UsbPath(n++);
        rack_.AddDrive(Lower(path), cfg);
        sim::SimDeviceTree only;
        only.AddDisk(path);
        platform::SetDeviceTree(&only);
        events_.clear();
        ScanAndSelect();
        platform::SetDeviceTree(&tree_);
        EXPECT_EQ(std::count(events_.begin(), events_.end(), "ShowFWDebugMessage 1 q" + std::to_string(c.query) + " @0"),
                  c.logsRead ? 1 : 0);
        EXPECT_EQ(view_.PageVisible(utility::kPageUartLog), c.logsRead);
        EXPECT_EQ(logic_->QueryDramLayout(), c.query);
    }
}

TEST_F(RefreshTest, QueryDramLayoutKeepsItsValueForOtherDrives) {
    Add(UsbPath(0), Model849("41"));
    Add(UsbPath(1), Produced("843"));
    ScanAndSelect(0);
    ASSERT_EQ(logic_->QueryDramLayout(), 1);
    logic_->ListView1SelectItem(0, false);
    logic_->ListView1SelectItem(1, true);
    EXPECT_EQ(logic_->QueryDramLayout(), 1);
}

TEST_F(RefreshTest, EveryReadLoadsTheTunnelItsDeviceWasProbedWith) {
    Add(IdePath(0), Produced("IDE"));
    Add(UsbPath(1), Produced("B1", "q461"));   // scanned last: the switch ends at 1
    Logic().FormShow();
    EXPECT_EQ(TransferMode.load(), 1);
    EXPECT_EQ(TransferModeOf(0), 2);
    EXPECT_EQ(TransferModeOf(1), 1);
    SetSlotTransferMode(0, 1);   // the slot was used otherwise since the scan
    const std::size_t sent = Log().size();
    logic_->ListView1SelectItem(0, true);
    EXPECT_EQ(TransferModeOf(0), 2);
    const auto log = Log();
    for (std::size_t i = sent; i < log.size(); ++i) {
        const auto& r = log[i];
        EXPECT_NE(r.current[platform::kTfCommand], 0x8A) << "vendor PIO tunnel on a UDMA device";
    }
}

TEST_F(RefreshTest, FormShowClearsOnlyWhenSomethingIsListed) {
    Logic().FormShow();
    EXPECT_EQ(events_, (Events{"HidePage 5", "HidePage 6", "HidePage 7", "HidePage 8", "DeviceList", "ActivePage 0"}));
    Add(IdePath(0), Produced("A"));
    events_.clear();
    logic_->FormShow();
    EXPECT_EQ(events_, (Events{"DeviceList", "ActivePage 0", "Clear", "ActivePage 0"}));
    EXPECT_EQ(view_.List().Lines.size(), 1u);
}

TEST_F(RefreshTest, ScanButtonRescansAndSaysSo) {
    Logic();
    rescanError_ = 5;
    testing::internal::CaptureStdout();
    logic_->ScanBnClick();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "CM_Reenumerate_DevNode failed: 5\n");
    EXPECT_EQ(rescans_, 1);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Device scan is finished"});
    EXPECT_EQ(events_.back(), "ActivePage 0");
}

}  // namespace
}  // namespace qx::test
