#include <gtest/gtest.h>

#include <mutex>

#include "platform/named_mutex.h"
#include "qxlib/settings/global_parameter.h"
#include "settings/file_bytes.h"
#include "station/panels/panel_drawing.h"
#include "station/panels/yield_file.h"
#include "support/temp_dir.h"

namespace qx::station {
namespace {

PortRecord Connected(const char* serial = "SN01", int overall = 0) {
    PortRecord r{};
    r.Present = 1;
    r.Connected = 1;
    CopyPortText(r.SerialNumber, serial);
    r.CapacityMB = 122104;
    r.OverallResult = static_cast<OverallResult>(overall);
    return r;
}

TEST(PanelDrawing, TextsAndColoursPerCase) {
    struct Case {
        const char* name;
        PortRecord record;
        PanelDrawing expected;
    };
    std::vector<Case> cases;
    {
        PortRecord r{};
        cases.push_back({"nothing on the port", r, {}});
        r.Present = 1;
        cases.push_back({"not one of our drives", r, {false, kPanelButtonFace, "Not QX", {}, {}, false}});
    }
    {
        PortRecord r = Connected("");
        cases.push_back({"connected, no serial yet", r, {true, kPanelYellow, "122104 MB", {}, {}, true}});
        r = Connected("SN01");
        CopyPortText(r.Wwn, "5001B44A12345678");
        cases.push_back({"connected with serial and WWN", r,
                         {true, kPanelYellow, {}, "SN01", "5001B44A12345678", false}});
    }
    cases.push_back({"passed", Connected("SN01", 1), {true, kPanelLime, "Pass", "SN01", {}, false}});
    {
        PortRecord r = Connected("SN01", -1);
        r.DisplayCode = 10;
        cases.push_back({"failed step", r, {true, kPanelRed, "(E00) R/W Test Fail", "SN01", {}, false}});
        r.DisplayCode = 55;
        r.BadUnitCount = 1;
        r.BadUnitIndex = 7;
        cases.push_back({"one bad unit", r, {true, kPanelRed, "Fail (B01)(07)", "SN01", {}, false}});
        r.BadUnitCount = 2;
        cases.push_back({"two bad units", r, {true, kPanelRed, "Fail (B01)(- -)", "SN01", {}, false}});
        r.BadUnitCount = 0;
        r.DisplayCode = 16;
        r.StepStatus[16] = kStepFailed;
        r.Temperature = -5;
        cases.push_back({"temperature", r, {true, kPanelRed, "Fail (Q09), Temperature:-5", "SN01", {}, false}});
        r.StepStatus[16] = kStepOff;
        r.DisplayCode = 42;
        cases.push_back({"timeout", r, {true, kPanelRed, "(T00)  Fail", "SN01", {}, false}});
    }
    for (const Case& c : cases) EXPECT_EQ(DrawPortPanel(0, c.record, {}), c.expected) << c.name;
}

TEST(PanelDrawing, CapacityAfterPassAskedOnlyForPassedPorts) {
    std::vector<int> asked;
    const CapacityAfterPass capacity = [&](int port) {
        asked.push_back(port);
        return 114473;
    };
    EXPECT_EQ(DrawPortPanel(3, Connected("SN", 1), capacity).caption, "Pass - 114473 MB");
    DrawPortPanel(4, Connected("SN", -1), capacity);
    DrawPortPanel(5, Connected("SN", 0), capacity);
    EXPECT_EQ(asked, (std::vector<int>{3}));
}

TEST(PanelRedraw, BooksEachFinishedDriveOnce) {
    std::array<PortRecord, kPortCount> ports{};
    GlobalParameter settings{};
    settings.TotalTestCount = 10;
    settings.NumberOfPass = 8;
    ports[0] = Connected("A", 1);
    ports[0].PendingYield = 1;
    ports[1] = Connected("B", -1);
    ports[1].PendingYield = -1;
    ports[2] = Connected("C", -1);   // timed out: nothing pending
    ports[3].PendingYield = 1;        // not connected: not booked
    const auto drawings = UpdateDrawPanel(ports, 4, 4, settings, {});
    EXPECT_EQ(drawings.size(), 4u);
    EXPECT_EQ(settings.TotalTestCount, 12u);
    EXPECT_EQ(settings.NumberOfPass, 9u);
    EXPECT_EQ(ports[0].PendingYield, 0);
    EXPECT_EQ(ports[3].PendingYield, 1);
    UpdateDrawPanel(ports, 4, 4, settings, {});
    EXPECT_EQ(settings.TotalTestCount, 12u) << "a second redraw counts nothing again";
    EXPECT_EQ(YieldText(settings), "9 / 12");
}

TEST(PanelRedraw, LoopsStopAtFiftyAndAtTheBuiltPanels) {
    std::array<PortRecord, kPortCount> ports{};
    GlobalParameter settings{};
    for (PortRecord& r : ports) {
        r = Connected("X", 1);
        r.PendingYield = 1;
    }
    EXPECT_EQ(UpdateDrawPanel(ports, 51, 50, settings, {}).size(), 50u);
    EXPECT_EQ(settings.TotalTestCount, 50u);
    // Ports found by a later rescan have records but no panels.
    for (PortRecord& r : ports) r.PendingYield = 1;
    EXPECT_EQ(UpdateDrawPanel(ports, 8, 5, settings, {}).size(), 5u);
    EXPECT_EQ(settings.TotalTestCount, 58u) << "their drives are still booked";
}

TEST(PanelRedraw, RunsInsideTheRescansHoldOfThePortScanMutex) {
    std::array<PortRecord, kPortCount> ports{};
    GlobalParameter settings{};
    platform::NamedMutex rescan("QXMPAcess");
    std::lock_guard<platform::NamedMutex> hold(rescan);
    EXPECT_TRUE(UpdateDrawPanel(ports, 2, 2, settings, {}).size() == 2u) << "the owner takes it again";
}

TEST(YieldFile, LoadSaveReset) {
    test::TempDir dir;
    const std::string logDir = dir.path().string() + "/";
    GlobalParameter settings{};
    settings.TotalTestCount = 99;
    LoadYield(logDir, settings);
    EXPECT_EQ(settings.TotalTestCount, 0u) << "no file reads as 0";
    test::WriteBytes(logDir + "QXSSD.log", "[TestRecord]\r\nTotalTestCount=41\r\nNumberOfPass=40\r\n");
    LoadYield(logDir, settings);
    EXPECT_EQ(YieldText(settings), "40 / 41");
    ++settings.TotalTestCount;
    ASSERT_TRUE(SaveYield(logDir, settings));
    EXPECT_EQ(test::ReadBytes(logDir + "QXSSD.log"), "[TestRecord]\r\nTotalTestCount=42\r\nNumberOfPass=40\r\n");
    ASSERT_TRUE(ResetYield(logDir, settings));
    EXPECT_EQ(YieldText(settings), "0 / 0");
    EXPECT_EQ(test::ReadBytes(logDir + "QXSSD.log"), "[TestRecord]\r\nTotalTestCount=0\r\nNumberOfPass=0\r\n");
}

}  // namespace
}  // namespace qx::station
