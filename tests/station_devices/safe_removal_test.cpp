#include "rescan_fixture.h"

namespace qx::test {
namespace {

using SafeRemovalTest = RescanFixture;

TEST_F(SafeRemovalTest, RemovesEveryConnectedDrive) {
    LoadRack({Drive("q455", "QXA"), Drive("q814", "QXB")}, "root=4\nport=0.1 drive01\nport=0.4 drive02\n");
    rescan_.RefreshDevices();
    ASSERT_EQ(rescan_.LastDeviceCount(), 2);
    view_.safeRemoveColors.clear();
    rescan_.SafeRmBtnClick();
    EXPECT_FALSE(machine_->Plugged(DrivePath(1)));
    EXPECT_FALSE(machine_->Plugged(DrivePath(2)));
    EXPECT_EQ(rescan_.LastDeviceCount(), 0);
    EXPECT_EQ(view_.safeRemoveColors,
              (std::vector<std::uint32_t>{station::kColorRed, station::kColorWindowText, station::kColorGreen}));
    EXPECT_TRUE(prompter_.Records().empty());
}

// A veto is tried again four times, 500 ms apart; one that outlasts the
// five tries leaves the drive in and the operator is warned.
TEST_F(SafeRemovalTest, VetoOutlastingFiveTriesWarns) {
    const struct {
        int vetoTries;
        bool warned;
    } cases[] = {{4, false}, {5, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vetoTries);
        LoadRack({Drive("q455", "QXA"), Drive("q455", "QXB")}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
        prompter_.Clear();
        rescan_.RefreshDevices();
        const std::uint32_t held = Active(1).ParentDevInst;
        machine_->Devices().VetoRemoval(held, "E:\\ is in use", c.vetoTries);
        const std::uint64_t start = clock_.NowMs();
        rescan_.SafeRmBtnClick();
        EXPECT_EQ(machine_->Devices().RemovalRequests(held), 5);
        EXPECT_GE(clock_.NowMs() - start, 4u * 500u);
        EXPECT_FALSE(machine_->Plugged(DrivePath(1)));
        EXPECT_EQ(machine_->Plugged(DrivePath(2)), c.warned);
        EXPECT_TRUE(Traced("Safe removal of device " + std::to_string(held) + " refused (try 1): E:\\ is in use\r\n"));
        const auto records = prompter_.Records();
        if (c.warned) {
            ASSERT_EQ(records.size(), 1u);
            EXPECT_EQ(records[0].caption, "Warning");
            EXPECT_EQ(records[0].text, "Unable to remove all device!");
            EXPECT_EQ(records[0].icon, ui::BoxIcon::Warning);
            EXPECT_EQ(rescan_.LastDeviceCount(), 1);
        } else {
            EXPECT_TRUE(records.empty());
        }
        machine_->Uninstall();
        machine_.reset();
        std::filesystem::remove_all(rackDir_.path());
        std::filesystem::create_directories(rackDir_.path());
    }
}

TEST_F(SafeRemovalTest, NothingConnectedDoesNothing) {
    LoadRack({}, "root=4\n");
    rescan_.RefreshDevices();
    view_.safeRemoveColors.clear();
    view_.startEnabled.clear();
    rescan_.SafeRmBtnClick();
    EXPECT_TRUE(view_.safeRemoveColors.empty());
    EXPECT_TRUE(view_.startEnabled.empty());
}

}  // namespace
}  // namespace qx::test
