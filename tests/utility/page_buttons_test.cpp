// The page buttons over a simulated drive, without widgets: what each turns
// on in the window, which messages it shows and when it sends nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "utility/page_buttons.h"
#include "utility/support/utility_rack_fixture.h"

namespace qx::test {
namespace {

class PageButtonsTest : public UtilityRackFixture {
protected:
    // A fresh window over the folder, with this Sondrel.ini (none when empty).
    utility::PageButtons& Buttons(const std::string& ini = {}) {
        buttons_.reset();
        std::filesystem::remove(folder_.file("Sondrel.ini"));
        if (!ini.empty()) std::ofstream(folder_.file("Sondrel.ini")) << ini;
        Logic().FormShow();
        buttons_ = std::make_unique<utility::PageButtons>(*logic_);
        return *buttons_;
    }
    bool Seen(const std::string& event) const {
        return std::find(events_.begin(), events_.end(), event) != events_.end();
    }
    std::unique_ptr<utility::PageButtons> buttons_;
};

TEST_F(PageButtonsTest, GetSmartInfoEnablesSaveAndResetOnlyAsSondrelIniAllows) {
    const struct {
        const char* ini;
        bool reset;
    } cases[] = {
        {"", false},
        {"[Setting]\nEnResetSmart=0\n", false},
        {"[Setting]\nEnResetSmart=1\n", true},
        {"[Setting]\nEnResetSmart=x\n", false},
    };
    Add(IdePath(0), Produced("IDE0"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        utility::PageButtons& buttons = Buttons(c.ini);
        events_.clear();
        buttons.GetSmartInfoBnClick();
        EXPECT_TRUE(Seen("Enable SaveSmartInfoBn"));
        EXPECT_EQ(Seen("Enable ResetSmartInfoBn"), c.reset);
        EXPECT_EQ(Seen("Show ResetSmartInfoBn"), c.reset);
    }
}

TEST_F(PageButtonsTest, SaveAndResetAreEnabledEvenWhenTheSmartReadFails) {
    sim::SimDrive& drive = Add(IdePath(0), Produced("IDE0"));
    drive.AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails));
    utility::PageButtons& buttons = Buttons("[Setting]\nEnResetSmart=1\n");
    events_.clear();
    buttons.GetSmartInfoBnClick();
    EXPECT_EQ(view_.Cell(utility::GridId::StringGrid1, 0, 0), "");
    EXPECT_TRUE(Seen("Enable SaveSmartInfoBn"));
    EXPECT_TRUE(Seen("Show ResetSmartInfoBn"));
}

TEST_F(PageButtonsTest, ASmartReadFillsTheGridFromRowOneAndTheCaption) {
    Add(IdePath(0), Produced("IDE0"));
    Buttons().GetSmartInfoBnClick();
    EXPECT_EQ(view_.Cell(utility::GridId::StringGrid1, 0, 0), "ID");
    EXPECT_EQ(view_.Cell(utility::GridId::StringGrid1, 1, 0), "09");
    EXPECT_EQ(view_.Cell(utility::GridId::StringGrid1, 1, 6), "00 00 00 00 00 78");
    EXPECT_EQ(view_.Lines(utility::MemoId::SMARTMemo).at(0), "Power on hour=120");
    EXPECT_EQ(view_.Caption(utility::CaptionId::GroupBox4).rfind("\nSMART (v", 0), 0u);
}

TEST_F(PageButtonsTest, ResetOnTheUsbPathSendsNothingAndReportsThreeFailures) {
    Add(UsbPath(0), NativeUsb("USB0"));
    utility::PageButtons& buttons = Buttons("[Setting]\nEnResetSmart=1\n");
    logic_->ListView1SelectItem(0, true);
    prompter_.Clear();
    const std::size_t sent = Log().size();
    buttons.ResetSmartInfoBnClick();
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Failed in reseting SMART(PowerCycleCount)",
                                                           "Failed in reseting SMART(PowerLossCount)",
                                                           "Failed in reseting SMART(LifeTimestamp)"}));
    EXPECT_EQ(Log().size(), sent);
}

TEST_F(PageButtonsTest, TheGdpLogButtonWithoutGdpBinWarnsWithThePathAndReadsNothing) {
    Add(IdePath(0), Produced("IDE0"));
    utility::PageButtons& buttons = Buttons();
    const std::size_t sent = Log().size();
    buttons.ReadFwDebugMsgGDPClick();
    EXPECT_EQ(prompter_.Texts(),
              std::vector<std::string>{"<WARNING> Can't find file : " + logic_->FolderText() + "GDP.bin"});
    EXPECT_FALSE(Seen("ShowPage 7"));
    EXPECT_EQ(Log().size(), sent);
}

}  // namespace
}  // namespace qx::test
