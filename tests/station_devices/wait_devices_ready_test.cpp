#include "rescan_fixture.h"

namespace qx::test {
namespace {

using WaitDevicesReadyTest = RescanFixture;

// The count of the last refresh is the mark: a count that settles there
// ends the wait at the first matching; one that never does makes seven
// matchings with six pauses of 3 s between them.
TEST_F(WaitDevicesReadyTest, MatchesUntilTheCountOfTheLastRefresh) {
    LoadRack({Drive("q455", "QXA"), Drive("q455", "QXB")}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
    rescan_.RefreshDevices();
    std::uint64_t start = clock_.NowMs();
    rescan_.WaitDevicesReady();
    EXPECT_LT(clock_.NowMs() - start, 3000u);
    EXPECT_EQ(rescan_.ConnectedCount(), 2);

    ASSERT_TRUE(machine_->Unplug(DrivePath(2)));   // no refresh: the mark stays 2
    start = clock_.NowMs();
    rescan_.WaitDevicesReady();
    const std::uint64_t waited = clock_.NowMs() - start;
    EXPECT_GE(waited, 6u * 3000u);
    EXPECT_LT(waited, 7u * 3000u);
    EXPECT_EQ(rescan_.ConnectedCount(), 1);
}

// Each connected drive is unlocked and, out of its loader, put into
// vendor mode 10 before the matching.
TEST_F(WaitDevicesReadyTest, PutsFirmwareDrivesIntoVendorMode) {
    LoadRack({Drive("q455", "QXA")}, "root=4\nport=0.1 drive01\n");
    rescan_.RefreshDevices();
    machine_->Rack().Find(DrivePath(1))->SetVendorMode(false);
    rescan_.WaitDevicesReady();
    EXPECT_TRUE(machine_->Rack().Find(DrivePath(1))->VendorMode());
}

}  // namespace
}  // namespace qx::test
