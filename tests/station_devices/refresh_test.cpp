#include "rescan_fixture.h"

namespace qx::test {
namespace {

using RefreshTest = RescanFixture;

// START after a refresh that found drives: only with the program images
// present and the connected count the settings ask for.
TEST_F(RefreshTest, StartFollowsConnectDevNumAndTheProgramImages) {
    const struct {
        int connectDevNum;
        bool startAllowed;
        bool enabled;
    } cases[] = {{0, true, true}, {2, true, true}, {3, true, false}, {1, true, false}, {0, false, false}};
    LoadRack({Drive("q455", "QXA"), Drive("q814", "QXB")}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connectDevNum);
        settings_.ConnectDevNum = static_cast<std::uint8_t>(c.connectDevNum);
        window_.startAllowed = c.startAllowed;
        view_.startEnabled.clear();
        rescan_.RefreshDevices();
        EXPECT_EQ(rescan_.LastDeviceCount(), 2);
        EXPECT_EQ(view_.startEnabled, (std::vector<bool>{false, c.enabled}));
    }
    EXPECT_EQ(view_.safeRemoveColors.back(), station::kColorWindowText);
    EXPECT_TRUE(Traced("EnumUSBDevice 1 \r\n"));
    EXPECT_TRUE(Traced("EnumUSBDevice 4 \r\n"));
    EXPECT_TRUE(Traced("EnumUSBDevice 5 \r\n"));
}

TEST_F(RefreshTest, NoDriveTurnsSafeRemoveGreenAndKeepsStartDisabled) {
    LoadRack({}, "root=4\n");
    rescan_.RefreshDevices();
    EXPECT_EQ(rescan_.LastDeviceCount(), 0);
    EXPECT_EQ(view_.safeRemoveColors, (std::vector<std::uint32_t>{station::kColorWindowText, station::kColorGreen}));
    EXPECT_EQ(view_.startEnabled, (std::vector<bool>{false, false}));
    EXPECT_EQ(view_.draws, 2);
    EXPECT_FALSE(Traced("EnumUSBDevice 4 \r\n"));
}

// A port whose drive has gone loses its whole record and its panel texts,
// results included.
TEST_F(RefreshTest, DepartedPortIsClearedWithItsResults) {
    LoadRack({Drive("q455", "QXA"), Drive("q455", "QXB")}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
    rescan_.RefreshDevices();
    Active(1).OverallResult = kResultFail;
    Active(1).ErrorCode = 7;
    ASSERT_TRUE(machine_->Unplug(DrivePath(2)));
    window_.clearedPorts.clear();
    rescan_.RefreshDevices();
    EXPECT_EQ(rescan_.LastDeviceCount(), 1);
    EXPECT_EQ(Active(1).Present, 0);
    EXPECT_EQ(Active(1).ErrorCode, 0);
    EXPECT_EQ(Active(1).OverallResult, kResultNone);
    EXPECT_EQ(Active(0).Connected, 1);
    EXPECT_EQ(window_.clearedPorts, (std::vector<int>{1, 2, 3}));
}

// A scan that reports fewer ports than before: the records beyond the new
// count are cleared too, not left behind as stale drives.
TEST_F(RefreshTest, RecordsBeyondAShrunkPortCountAreCleared) {
    LoadRack({Drive("q455", "QXA"), Drive("q455", "QXB")}, "root=4\nroot=4\nport=0.1 drive01\nport=1.2 drive02\n");
    rescan_.RefreshDevices();
    ASSERT_EQ(PortCount, 8);
    ASSERT_EQ(Active(5).Connected, 1);
    machine_->Usb().SetOpenError(1, 5);   // the second root hub cannot be opened any more
    window_.clearedPorts.clear();
    rescan_.RefreshDevices();
    EXPECT_EQ(PortCount, 4);
    EXPECT_EQ(Active(5).Present, 0);
    EXPECT_EQ(Active(5).Connected, 0);
    EXPECT_EQ(Active(5).DiskPath[0], '\0');
    EXPECT_EQ(window_.clearedPorts, (std::vector<int>{4, 5, 6, 7, 1, 2, 3}));
    EXPECT_EQ(rescan_.LastDeviceCount(), 1);
}

// Per-port mode: each connected drive without a serial number gets its
// own prompt, the answer becomes its serial number.
TEST_F(RefreshTest, PerPortSerialPromptFillsTheRecord) {
    settings_.EnBarCode = 1;
    settings_.EnBarCodeWWN = 1;
    settings_.EnAutoExecuteAfterInputSn = 1;
    LoadRack({Drive("q455", "QXA")}, "root=4\nport=0.2 drive01\n");
    prompter_.Answer(std::optional<ui::BarcodeAnswer>(ui::BarcodeAnswer{"SN0042", ""}));
    prompter_.Answer(std::optional<ui::BarcodeAnswer>(ui::BarcodeAnswer{"5000000000000001", ""}));
    rescan_.RefreshDevices();
    const auto records = prompter_.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].kind, ui::PromptKind::Barcode);
    EXPECT_EQ(records[0].caption, "Please Input the SN(Port2)");
    EXPECT_EQ(records[0].barcode.label1, "Serial Number");
    EXPECT_EQ(records[0].barcode.label2, "");
    EXPECT_EQ(records[1].caption, "Please Input the WWN or UID(Port2)");
    EXPECT_EQ(records[1].barcode.label1, "WWN or UID");
    EXPECT_STREQ(Active(1).SerialNumber, "SN0042");
    EXPECT_STREQ(barcodes_.PortBarcodeSN[1].data(), "SN0042");
    EXPECT_STREQ(Active(1).Wwn, "5000000000000001");
    EXPECT_EQ(barcodes_.SnPromptBusy, 0);
    EXPECT_EQ(barcodes_.WwnPromptBusy, 0);
    EXPECT_EQ(window_.autoExecutes, 1);
    EXPECT_TRUE(Traced("######### - SN is SN0042"));

    // A drive that has its serial number is not asked again.
    prompter_.Clear();
    rescan_.RefreshDevices();
    EXPECT_TRUE(prompter_.Records().empty());
}

// A bar code longer than its buffer is refused, so the next refresh asks
// again instead of a cut serial number going onto the drive.
TEST_F(RefreshTest, OverlongBarcodeIsNotTaken) {
    settings_.EnBarCode = 1;
    LoadRack({Drive("q455", "QXA")}, "root=4\nport=0.1 drive01\n");
    prompter_.Answer(std::optional<ui::BarcodeAnswer>(ui::BarcodeAnswer{std::string(40, '7'), ""}));
    rescan_.RefreshDevices();
    EXPECT_STREQ(Active(0).SerialNumber, "");
    EXPECT_STREQ(barcodes_.PortBarcodeSN[0].data(), "");
}

// Shared mode: the ports take the shared codes; with no drive left the one
// shared prompt asks for what the settings enable.
TEST_F(RefreshTest, SharedModeCopiesTheSharedCodesAndPromptsWhenEmpty) {
    settings_.EnBarCode = 1;
    settings_.EnPPID = 1;
    settings_.BarCodeInputMode = 1;
    LoadRack({Drive("q455", "QXA")}, "root=4\nport=0.1 drive01\n");
    std::snprintf(barcodes_.SharedBarcodeSN.data(), barcodes_.SharedBarcodeSN.size(), "SHARED1");
    std::snprintf(barcodes_.SharedBarcodePPID.data(), barcodes_.SharedBarcodePPID.size(), "PPID9");
    barcodes_.BarcodeEntered = 1;
    rescan_.RefreshDevices();
    EXPECT_TRUE(prompter_.Records().empty());
    EXPECT_STREQ(Active(0).SerialNumber, "SHARED1");
    EXPECT_STREQ(Active(0).Ppid, "PPID9");
    EXPECT_STREQ(barcodes_.PortBarcodeSN[0].data(), "SHARED1");

    ASSERT_TRUE(machine_->Unplug(DrivePath(1)));
    prompter_.Answer(std::optional<ui::BarcodeAnswer>(ui::BarcodeAnswer{"NEXTSN", "NEXTPPID"}));
    rescan_.RefreshDevices();
    const auto records = prompter_.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].caption, "Please Input the SN and PPID");
    EXPECT_EQ(records[0].barcode.label1, "Serial Number");
    EXPECT_EQ(records[0].barcode.label2, "Customer P/N(PPID)");
    EXPECT_STREQ(barcodes_.SharedBarcodeSN.data(), "NEXTSN");
    EXPECT_STREQ(barcodes_.SharedBarcodePPID.data(), "NEXTPPID");
    EXPECT_EQ(barcodes_.BarcodeEntered, 0);
}

// While a per-port prompt is pending a refresh does nothing at all.
TEST_F(RefreshTest, PendingPerPortPromptHoldsTheRefreshBack) {
    settings_.EnBarCode = 1;
    barcodes_.SnPromptBusy = 1;
    LoadRack({Drive("q455", "QXA")}, "root=4\nport=0.1 drive01\n");
    rescan_.RefreshDevices();
    EXPECT_TRUE(view_.startEnabled.empty());
    EXPECT_EQ(Active(0).Present, 0);
}

// A refresh asked for from inside a refresh (a timer served while its
// bar-code dialog is open) does not rescan under the dialog; it comes
// back on timer 51 and runs after the first has ended.
TEST_F(RefreshTest, NestedRefreshIsPutOffToTimer51) {
    settings_.EnBarCode = 1;
    settings_.BarCodeInputMode = 1;   // shared: no per-port prompt guard
    LoadRack({}, "root=4\n");
    bool nestedSawRefresh = false;
    int startCallsBefore = 0;
    prompter_.OnPrompt([&](const ui::PromptRecord&) {
        nestedSawRefresh = rescan_.RefreshInProgress();
        startCallsBefore = static_cast<int>(view_.startEnabled.size());
        rescan_.RefreshDevices();
        EXPECT_EQ(static_cast<int>(view_.startEnabled.size()), startCallsBefore);   // nothing rescanned
    });
    rescan_.RefreshDevices();
    EXPECT_TRUE(nestedSawRefresh);
    EXPECT_FALSE(rescan_.RefreshInProgress());
    ASSERT_TRUE(view_.timers.contains(station::kRescanTimerId));
    EXPECT_EQ(view_.armed.back(), std::make_pair(station::kRescanTimerId, station::kNestedRefreshDelayMs));

    prompter_.OnPrompt({});
    Elapse(station::kNestedRefreshDelayMs);
    EXPECT_EQ(refreshesByTimer_, 1);
}

// Before production the refresh keeps each firmware drive's SMART page;
// a drive in its loader has none to keep and is left alone.
TEST_F(RefreshTest, KeepsTheSmartPageOfFirmwareDrivesOnly) {
    ASSERT_TRUE(AllocDeviceSlotBuffers());
    settings_.EnKeepSmartInfo = 1;
    sim::DriveConfig loader = Drive("q455", "QXB");
    loader.state = sim::ControllerState::Loader;
    LoadRack({Drive("q455", "QXA"), loader}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
    DeviceSlots[0].SmartPageKept = 0;
    DeviceSlots[1].SmartPageKept = 0;
    rescan_.RefreshDevices();
    EXPECT_EQ(rescan_.LastDeviceCount(), 2);
    EXPECT_EQ(DeviceSlots[0].SmartPageKept, 1);
    EXPECT_EQ(DeviceSlots[1].SmartPageKept, 0);
    FreeDeviceSlotBuffers();
}

}  // namespace
}  // namespace qx::test
