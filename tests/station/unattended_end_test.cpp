// How a run nobody watches ends: which settings stop it before any round,
// and which exit code a script reads when several things went wrong.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "qxlib/settings/global_parameter.h"
#include "station/entry/exit_codes.h"
#include "station/entry/operator_settings.h"
#include "station/entry/unattended_exit.h"

namespace qx::station {
namespace {

using Names = std::vector<std::string>;

TEST(UnattendedStart, SettingsThatNeedAPersonAreNamed) {
    struct Case {
        const char* what;
        std::function<void(GlobalParameter&)> set;
        bool workOrder;
        Names names;
    };
    const Case cases[] = {
        {"a plain round", [](GlobalParameter&) {}, false, {}},
        {"serial bar codes", [](GlobalParameter& s) { s.EnBarCode = 1; }, false, {"[Setting] EnBarCode"}},
        {"shared serial bar code",
         [](GlobalParameter& s) {
             s.EnBarCode = 1;
             s.BarCodeInputMode = 1;
         },
         false, {"[Setting] EnBarCode"}},
        {"PPID", [](GlobalParameter& s) { s.EnPPID = 1; }, false, {"[Setting] EnPPID"}},
        {"WWN bar codes", [](GlobalParameter& s) { s.EnBarCodeWWN = 1; }, false, {"[Setting] EnBarCodeWWN"}},
        {"work order", [](GlobalParameter&) {}, true, {"[Setting] EnableWorkOrder"}},
        {"title dialog", [](GlobalParameter& s) { s.ShowTitle = 2; }, false, {"[Setting] ShowTitle"}},
        // The MES is asked only for a scanned serial: no person of its own.
        {"MES WWN alone", [](GlobalParameter& s) { s.EnADATAWWN = 1; }, false, {}},
        {"several, in the order asked",
         [](GlobalParameter& s) {
             s.ShowTitle = 1;
             s.EnBarCode = s.EnBarCodeWWN = 1;
         },
         true, {"[Setting] ShowTitle", "[Setting] EnableWorkOrder", "[Setting] EnBarCode", "[Setting] EnBarCodeWWN"}},
    };
    for (const Case& c : cases) {
        GlobalParameter s{};
        c.set(s);
        EXPECT_EQ(SettingsNeedingOperator(s, c.workOrder), c.names) << c.what;
    }
    EXPECT_EQ(NeedsOperatorText({"[Setting] EnBarCode", "[Setting] EnableWorkOrder"}),
              "Fablane: [Setting] EnBarCode, [Setting] EnableWorkOrder needs an operator, and nobody can answer "
              "without a display: no round was started");
}

TEST(UnattendedEnd, TheMostSeriousFailureGivesTheCode) {
    struct Case {
        bool results, settings, needsOperator;
        int code;
    };
    const Case cases[] = {
        {false, false, false, kExitDone},
        {true, false, false, kExitResultsNotWritten},
        {false, true, false, kExitSettingsNotSaved},
        {false, false, true, kExitNeedsOperator},
        {true, true, true, kExitResultsNotWritten},
        {false, true, true, kExitSettingsNotSaved},
        {true, false, true, kExitResultsNotWritten},
    };
    for (const Case& c : cases) {
        UnattendedEnd end;
        end.writes.results = c.results;
        end.writes.settings = c.settings;
        end.needsOperator = c.needsOperator;
        EXPECT_EQ(UnattendedExitCode(end), c.code) << c.results << c.settings << c.needsOperator;
    }
}

}  // namespace
}  // namespace qx::station
