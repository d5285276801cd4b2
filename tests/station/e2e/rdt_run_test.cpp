// A whole production run with [TestItems] EnReadRDTLog on the simulated
// rack: a drive behind a bridge and one on the controller's own USB, each
// carrying the log its test firmware left, report before the steps through
// the station's own hook, in virtual time.
#include <filesystem>

#include "station/rack_engine.h"
#include "station/rdt/rdt_fixture.h"
#include "station/run/production_hooks.h"

namespace qx::test {
namespace {

using Names = std::vector<std::string>;

class RdtRunTest : public RdtFixture {
protected:
    void SetUp() override {
        RdtFixture::SetUp();
        ASSERT_TRUE(run_.Open(2));
        for (int p : kBothSlots) RackEngine::Connect(p, PathOf(p), p == kUsbSlot);
        settings_.EnReadRDTLog = 1;
        settings_.TestItemEnable[3] = 1;
        run_.state.programFolder = folder_;
        run_.state.specialMode = true;
        run_.view.controls.checkedCount = 1;
        run_.Make();
    }
    void TearDown() override {
        run_.Close();
        RdtFixture::TearDown();
    }

    // A log with one die whose factory page marks unit 0 and one error.
    void OneDieLog(int slot, std::uint8_t result, const std::string& serial) {
        Log(slot, [&](sim::DriveConfig& c) {
            c.rdtSummary = Summary(result, serial);
            c.rdtDieInfo = DieRecords({{0x80, {0x98, 0xDE, 0x94, 0x93, 0x76, 0x50, 0x00}, 3, 35, 20, 0x0001, 4}});
            c.rdtFactory.assign(4096, 0);
            c.rdtFactory[0] = 0x01;
            c.rdtErrors = ErrorRecords({{0x80, 0x11, 0x0010, 5, 0, 0x30, 50, 400}});
        });
    }
    void InstallHooks() { station::InstallProductionHooks(run_.engine->Controller(), folder_); }
    void Press() { run_.engine->ExecuteBtnClick(); }
    static const PortRecord& Rec(int port) { return ActivePortTable[static_cast<std::size_t>(port)]; }

    RackEngine run_{settings_, config_};
};

TEST_F(RdtRunTest, EachDrivesReportIsFiledByItsResultAndTheRunGoesOn) {
    OneDieLog(kSataSlot, 0x00, "QXSATA1");
    OneDieLog(kUsbSlot, 0x03, "QXUSB2");
    InstallHooks();
    Press();
    EXPECT_EQ(Tree(), (Names{"RDT_NG/", "RDT_NG/P07/", "RDT_NG/P07/QXUSB2/", "RDT_NG/P07/QXUSB2/Factory/",
                             "RDT_NG/P07/QXUSB2/Factory/QXUSB2_F00.ms0", "RDT_NG/P07/QXUSB2/RDT/",
                             "RDT_NG/P07/QXUSB2/RDT/QXUSB2_F00.ms1", "RDT_OK/", "RDT_OK/QXSATA1/",
                             "RDT_OK/QXSATA1/Factory/", "RDT_OK/QXSATA1/Factory/QXSATA1_F00.ms0",
                             "RDT_OK/QXSATA1/RDT/", "RDT_OK/QXSATA1/RDT/QXSATA1_F00.ms1"}));
    const std::string factory = "====================Factory Bad====================\r\n"
                                "Bank:0  unit:0x0000:1  block:0x0000\r\n";
    EXPECT_EQ(Read(Root() + "RDT_OK/QXSATA1/Factory/QXSATA1_F00.ms0"), factory);
    EXPECT_EQ(Read(Root() + "RDT_NG/P07/QXUSB2/Factory/QXUSB2_F00.ms0"), factory);
    const std::string result = Read(Root() + "RDT_OK/QXSATA1/RDT/QXSATA1_F00.ms1");
    EXPECT_EQ(result.rfind("RDT FIRMWARE VERVION : ABCDEFG\r\n", 0), 0u);
    EXPECT_NE(result.find("Bank: 0(0)  Ch: 0, LUN: 0    ID: 98 DE 94 93 76 50 00\r\n"), std::string::npos);
    for (int p : kBothSlots) {
        SCOPED_TRACE(p);
        EXPECT_EQ(Rec(p).StepStatus[3], kStepPassed) << "the report held the drive back";
        EXPECT_EQ(Rec(p).OverallResult, kResultPass);
    }
}

TEST_F(RdtRunTest, ADriveWithoutALogIsNoFailureAndWritesNoFolderOfItsOwn) {
    OneDieLog(kUsbSlot, 0x00, "QXUSB2");
    InstallHooks();
    Press();
    EXPECT_EQ(Tree(), (Names{"RDT_OK/", "RDT_OK/QXUSB2/", "RDT_OK/QXUSB2/Factory/", "RDT_OK/QXUSB2/Factory/QXUSB2_F00.ms0",
                             "RDT_OK/QXUSB2/RDT/", "RDT_OK/QXUSB2/RDT/QXUSB2_F00.ms1"}));
    for (int p : kBothSlots) EXPECT_EQ(Rec(p).OverallResult, kResultPass) << p;
}

TEST_F(RdtRunTest, WithoutTheStationsHookTheDriveFailsWithTheReportsItem) {
    OneDieLog(kSataSlot, 0x00, "QXSATA1");
    Press();
    for (int p : kBothSlots) EXPECT_EQ(Rec(p).ErrorCode, 79) << p;
    EXPECT_FALSE(std::filesystem::exists(Root()));
}

}  // namespace
}  // namespace qx::test
