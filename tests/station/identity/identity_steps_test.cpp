// Serial number, WWN and PPID of each started drive: where each comes from,
// how the counter and UID step, and the queue of serials that failed drives
// gave back.
#include <gtest/gtest.h>

#include <set>

#include "station/identity/identity_fixture.h"

namespace qx::test {
namespace {

using station::RunControls;

// One run as the controller drives it: the queued number for the first
// drive, then identity and stepping per started port.
std::vector<std::string> StartRun(station::IdentitySteps& steps, std::initializer_list<int> ports,
                                  RunControls controls = {true, true}, bool rebuildOnly = false) {
    std::vector<std::string> serials;
    steps.TakeQueuedSerial(rebuildOnly);
    for (int p : ports) {
        steps.AssignPortIdentity(p);
        serials.emplace_back(PortText(ActivePortTable[static_cast<std::size_t>(p)].SerialNumber));
        steps.AdvanceSerialNumbers(rebuildOnly, controls);
    }
    return serials;
}

class IdentityStepsTest : public IdentityFixture {
protected:
    void SetUp() override {
        IdentityFixture::SetUp();
        CopyFixedText(settings_->SerialNum, "SN0000A");
        CopyFixedText(settings_->UID, "5000AAAA");
        settings_->TestItemEnable[kItemDownload] = 1;
        Connect({0, 1, 2, 3, 4, 5});
    }
};

struct PrecedenceCase {
    const char* name;
    void (*setup)(GlobalParameter&, station::BarcodeState&);
    const char* serial;
    const char* wwn;
    const char* ppid;
};

TEST_F(IdentityStepsTest, AssignPortIdentityTakesEachTextFromItsStrongestSource) {
    const PrecedenceCase cases[] = {
        {"counter and UID", [](GlobalParameter&, station::BarcodeState&) {}, "SN0000A", "5000AAAA", "OLDPPID"},
        {"scanned codes ignored while their switches are off",
         [](GlobalParameter&, station::BarcodeState& b) {
             CopyFixedText(b.PortBarcodeSN[3], "SCAN3");
             CopyFixedText(b.PortBarcodeWWN[3], "WWNSCAN3");
             CopyFixedText(b.PortBarcodePPID[3], "PPID3");
         },
         "SN0000A", "5000AAAA", "OLDPPID"},
        {"bar codes win over the counter",
         [](GlobalParameter& s, station::BarcodeState& b) {
             s.EnBarCode = s.EnBarCodeWWN = s.EnPPID = 1;
             CopyFixedText(b.PortBarcodeSN[3], "SCAN3");
             CopyFixedText(b.PortBarcodeWWN[3], "WWNSCAN3");
             CopyFixedText(b.PortBarcodePPID[3], "PPID3");
         },
         "SCAN3", "WWNSCAN3", "PPID3"},
        {"an empty scanned code leaves the counter",
         [](GlobalParameter& s, station::BarcodeState&) { s.EnBarCode = s.EnBarCodeWWN = s.EnPPID = 1; }, "SN0000A",
         "5000AAAA", "OLDPPID"},
        {"an MES WWN counts with EnADATAWWN",
         [](GlobalParameter& s, station::BarcodeState& b) {
             s.EnADATAWWN = 1;
             CopyFixedText(b.PortBarcodeWWN[3], "5000C500A1B2C3D4");
         },
         "SN0000A", "5000C500A1B2C3D4", "OLDPPID"},
        {"the fixed ReMP serial wins over a bar code",
         [](GlobalParameter& s, station::BarcodeState& b) {
             s.EnBarCode = s.EnReMPSN = 1;
             CopyFixedText(b.PortBarcodeSN[3], "SCAN3");
             CopyFixedText(s.ReMPSerialNum[3], "REMP04");
         },
         "REMP04", "5000AAAA", "OLDPPID"},
        {"update mode keeps the drive's own serial",
         [](GlobalParameter& s, station::BarcodeState&) { s.EnUpdateFirmwareMode = 1; }, "DRIVE-OWN", "5000AAAA",
         "OLDPPID"},
        {"the derived WWN comes last, from the final serial",
         [](GlobalParameter& s, station::BarcodeState& b) {
             s.EnBarCode = s.EnBarCodeWWN = s.EnRudavuzSnToWWN = 1;
             s.RudavuzSnToWWNMode = 0;
             CopyFixedText(b.PortBarcodeSN[3], "ABCDEFGHI15061200042");
             CopyFixedText(b.PortBarcodeWWN[3], "WWNSCAN3");
         },
         "ABCDEFGHI15061200042", "05612002a", "OLDPPID"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        CopyFixedText(Rec(3).SerialNumber, "DRIVE-OWN");
        CopyFixedText(Rec(3).Ppid, "OLDPPID");
        c.setup(*settings_, *barcodes_);
        steps_->AssignPortIdentity(3);
        EXPECT_EQ(Sn(3), c.serial);
        EXPECT_EQ(Wwn(3), c.wwn);
        EXPECT_EQ(Ppid(3), c.ppid);
    }
}

TEST_F(IdentityStepsTest, LongSourcesAreCutToTheRecordsFields) {
    settings_->EnBarCodeWWN = 1;
    CopyFixedText(barcodes_->PortBarcodeWWN[1], std::string(40, 'W'));   // cut to the buffer's 17
    steps_->AssignPortIdentity(1);
    EXPECT_EQ(Wwn(1), std::string(17, 'W'));
}

struct AdvanceCase {
    const char* name;
    RunControls controls;
    bool rebuildOnly;
    std::uint8_t download, barcode, snDecimal, uidDecimal;
    const char* serialAfter;
    const char* uidAfter;
};

TEST_F(IdentityStepsTest, AdvanceSerialNumbersStepsOnlyThroughItsGates) {
    const AdvanceCase cases[] = {
        {"both boxes, hexadecimal", {true, true}, false, 1, 0, 0, 0, "SN0000B", "5000AAAB"},
        {"serial only", {true, false}, false, 1, 0, 0, 0, "SN0000B", "5000AAAA"},
        {"UID only", {false, true}, false, 1, 0, 0, 0, "SN0000A", "5000AAAB"},
        {"neither box", {false, false}, false, 1, 0, 0, 0, "SN0000A", "5000AAAA"},
        {"rebuild only", {true, true}, true, 1, 0, 0, 0, "SN0000A", "5000AAAA"},
        {"no download step", {true, true}, false, 0, 0, 0, 0, "SN0000A", "5000AAAA"},
        {"bar codes stop both", {true, true}, false, 1, 1, 0, 0, "SN0000A", "5000AAAA"},
        {"decimal", {true, true}, false, 1, 0, 1, 1, "SN00001", "50000001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.snDecimal) CopyFixedText(settings_->SerialNum, "SN00000");
        if (c.uidDecimal) CopyFixedText(settings_->UID, "50000000");
        settings_->TestItemEnable[kItemDownload] = c.download;
        settings_->EnBarCode = c.barcode;
        settings_->SNDecimal = c.snDecimal;
        settings_->UIDDecimal = c.uidDecimal;
        steps_->AdvanceSerialNumbers(c.rebuildOnly, c.controls);
        EXPECT_EQ(Counter(), c.serialAfter);
        EXPECT_EQ(Uid(), c.uidAfter);
    }
}

TEST_F(IdentityStepsTest, ScannedSerialsDriveTheRunAndTheCounterStaysPut) {
    settings_->EnBarCode = 1;
    CopyFixedText(barcodes_->PortBarcodeSN[3], "SCANNED-3");
    const auto serials = StartRun(*steps_, {2, 3});
    EXPECT_EQ(serials, (std::vector<std::string>{"SN0000A", "SCANNED-3"}));
    EXPECT_EQ(Counter(), "SN0000A");
    EXPECT_EQ(steps_->PortBarcodeSerial(3), "SCANNED-3");
}

TEST_F(IdentityStepsTest, CheckReMPSerialsNamesTheFirstConnectedPortWithoutOne) {
    settings_->EnReMPSN = 1;
    for (auto& s : settings_->ReMPSerialNum) CopyFixedText(s, "N/A");
    for (int p : {0, 1, 2, 4, 5}) CopyFixedText(settings_->ReMPSerialNum[p], "R" + std::to_string(p));
    EXPECT_EQ(steps_->CheckReMPSerials(), 3);
    CopyFixedText(settings_->ReMPSerialNum[3], "R3");
    EXPECT_EQ(steps_->CheckReMPSerials(), -1);
    settings_->EnReMPSN = 0;
    CopyFixedText(settings_->ReMPSerialNum[3], "N/A");
    EXPECT_EQ(steps_->CheckReMPSerials(), -1);
}

class ReuseQueueTest : public IdentityStepsTest {
protected:
    void SetUp() override {
        IdentityStepsTest::SetUp();
        settings_->SNErrReuse = 1;
    }
};

TEST_F(ReuseQueueTest, FailedSerialsComeBackFirstAndTheCounterGoesOnWhereItStood) {
    EXPECT_EQ(StartRun(*steps_, {0, 1, 2, 3}), (std::vector<std::string>{"SN0000A", "SN0000B", "SN0000C", "SN0000D"}));
    EXPECT_EQ(Counter(), "SN0000E");
    steps_->RebuildSnReuseQueue({"SN0000B", "SN0000D"});

    // Second run: the two failed numbers first, then new ones from the counter.
    EXPECT_EQ(StartRun(*steps_, {0, 1, 2, 3}), (std::vector<std::string>{"SN0000B", "SN0000D", "SN0000E", "SN0000F"}));
    EXPECT_EQ(Counter(), "SN00010");   // hexadecimal: F carries
    EXPECT_TRUE(steps_->Queue().entries.empty());
}

TEST_F(ReuseQueueTest, QueuedNumbersLeftOverStayQueuedAndTheCounterIsWhatIsSaved) {
    StartRun(*steps_, {0});
    steps_->RebuildSnReuseQueue({"Q1", "Q2", "Q3"});
    // Only one drive: Q2 was set up for a next drive that never started.
    EXPECT_EQ(StartRun(*steps_, {0}), (std::vector<std::string>{"Q1"}));
    EXPECT_EQ(Counter(), "SN0000B");   // what the window shows and the file keeps
    steps_->RebuildSnReuseQueue({"Q1"});
    EXPECT_EQ(steps_->Queue().entries, (std::vector<std::string>{"Q1", "Q2", "Q3"}));
    EXPECT_EQ(StartRun(*steps_, {0, 1, 2, 3, 4}),
              (std::vector<std::string>{"Q1", "Q2", "Q3", "SN0000B", "SN0000C"}));
}

TEST_F(ReuseQueueTest, NoNumberIsGivenTwiceOverManyRunsWithFailures) {
    std::set<std::string> issued;
    std::vector<std::string> failedPool;
    for (int run = 0; run < 6; ++run) {
        const auto serials = StartRun(*steps_, {0, 1, 2, 3, 4});
        std::vector<std::string> failed;
        for (std::size_t i = 0; i < serials.size(); ++i) {
            // A number handed out again must be one that failed before.
            const bool again = !issued.insert(serials[i]).second;
            if (again) {
                auto it = std::find(failedPool.begin(), failedPool.end(), serials[i]);
                ASSERT_NE(it, failedPool.end()) << serials[i] << " issued twice";
                failedPool.erase(it);
            }
            if ((run + static_cast<int>(i)) % 3 == 0) failed.push_back(serials[i]);
        }
        failedPool.insert(failedPool.end(), failed.begin(), failed.end());
        steps_->RebuildSnReuseQueue(failed);
    }
}

TEST_F(ReuseQueueTest, AQueuedNumberIsNotSpentOnADriveThatTookAnotherSerial) {
    StartRun(*steps_, {0});
    steps_->RebuildSnReuseQueue({"Q1"});
    settings_->EnReMPSN = 1;
    CopyFixedText(settings_->ReMPSerialNum[0], "REMP01");
    EXPECT_EQ(StartRun(*steps_, {0}), (std::vector<std::string>{"REMP01"}));
    settings_->EnReMPSN = 0;
    EXPECT_EQ(StartRun(*steps_, {0}), (std::vector<std::string>{"Q1"}));
}

TEST_F(ReuseQueueTest, RebuildOnlyAndRunsWithoutDownloadLeaveTheQueueAlone) {
    StartRun(*steps_, {0});
    steps_->RebuildSnReuseQueue({"Q1"});
    EXPECT_EQ(StartRun(*steps_, {0}, {true, true}, true), (std::vector<std::string>{"SN0000B"}));
    settings_->TestItemEnable[kItemDownload] = 0;
    EXPECT_EQ(StartRun(*steps_, {0}), (std::vector<std::string>{"SN0000B"}));
    settings_->TestItemEnable[kItemDownload] = 1;
    EXPECT_EQ(StartRun(*steps_, {0}), (std::vector<std::string>{"Q1"}));
}

TEST_F(IdentityStepsTest, WithoutReuseTheQueueIsNeitherBuiltNorUsed) {
    steps_->RebuildSnReuseQueue({"Q1"});
    EXPECT_TRUE(steps_->Queue().entries.empty());
    EXPECT_EQ(StartRun(*steps_, {0}), (std::vector<std::string>{"SN0000A"}));
}

TEST_F(IdentityStepsTest, SetBarcodeEnteredMarksTheSharedCodesAsTaken) {
    steps_->SetBarcodeEntered();
    EXPECT_EQ(barcodes_->BarcodeEntered, 1);
}

}  // namespace
}  // namespace qx::test
