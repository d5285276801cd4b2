// The rack's request log: off unless asked for, bounded as a ring, long
// data kept as a digest; and requests on many drives at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sim/rack/log_options_text.h"
#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

using platform::Direction;

class SimRequestLogTest : public ::testing::Test, public RackTest {
protected:
    // An INQUIRY whose allocation length tells the requests apart.
    static Bytes Inquiry(std::uint8_t tag) { return {0x12, 0, 0, 0, tag, 0}; }
};

TEST_F(SimRequestLogTest, ANewRackKeepsNothing) {
    rack.AddDrive(kBridgePath, {});
    Bytes data(36);
    ASSERT_EQ(SendScsi(kBridgePath, Inquiry(36), Direction::In, data).status, 0);
    EXPECT_FALSE(rack.Log().Enabled());
    EXPECT_EQ(rack.Log().Size(), 0u);
}

// Each drive keeps its own last requests, so a chatty drive does not push a
// quiet one's out; a snapshot gives them in order of arrival.
TEST_F(SimRequestLogTest, ARingKeepsEachDrivesLastRequestsInOrder) {
    rack.AddDrive(kBridgePath, {});
    rack.AddDrive(kUsbPath, {});
    rack.Log().Configure({.keep = true, .ringSize = 3});
    Bytes data(64);
    for (std::uint8_t tag = 1; tag <= 10; ++tag)
        SendScsi(tag % 2 ? kBridgePath : kUsbPath, Inquiry(tag), Direction::In, data);
    for (std::uint8_t tag = 11; tag <= 12; ++tag) SendScsi(kBridgePath, Inquiry(tag), Direction::In, data);

    const auto log = rack.Log().Snapshot();
    const std::uint8_t kept[] = {6, 8, 9, 10, 11, 12};
    ASSERT_EQ(log.size(), std::size(kept));
    for (std::size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i].cdb, Inquiry(kept[i])) << i;
    const auto bridge = rack.Log().For(kBridgePath);
    ASSERT_EQ(bridge.size(), 3u);
    EXPECT_EQ(bridge[0].cdb, Inquiry(9));
    EXPECT_EQ(bridge[2].cdb, Inquiry(12));

    rack.Log().Clear();
    SendScsi(kBridgePath, Inquiry(13), Direction::In, data);
    ASSERT_EQ(rack.Log().Size(), 1u);
    EXPECT_EQ(rack.Log().Snapshot()[0].cdb, Inquiry(13));
}

// A long run writes gigabytes: the log keeps a sector's worth of bytes (the
// tunnel's command sector) and of longer data only its length and digest.
TEST_F(SimRequestLogTest, LongDataOutIsKeptAsLengthAndDigestUnlessAskedFor) {
    rack.AddDrive(kBridgePath, {});
    struct Case {
        std::size_t bytes;
        bool wholeData;
        bool kept;
    };
    const Case cases[] = {
        {512, false, true}, {1024, false, false}, {1024, true, true}, {65536, false, false},
    };
    for (const Case& c : cases) {
        rack.Log().Configure({.keep = true, .wholeData = c.wholeData});
        Bytes out(c.bytes);
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7);
        const auto sectors = static_cast<std::uint8_t>(c.bytes / 512 >> 8);
        const auto low = static_cast<std::uint8_t>(c.bytes / 512);
        SendScsi(kBridgePath, {0x2A, 0, 0, 0, 0, 8, 0, sectors, low, 0}, Direction::Out, out);

        const auto log = rack.Log().Snapshot();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].wireLength, c.bytes);
        EXPECT_EQ(log[0].dataOutDigest, DataDigest(out)) << c.bytes;
        EXPECT_EQ(log[0].dataOut, c.kept ? out : Bytes{}) << c.bytes << " bytes, whole " << c.wholeData;
    }
    EXPECT_NE(DataDigest(Bytes(1024, 0)), DataDigest(Bytes(1025, 0)));
}

TEST_F(SimRequestLogTest, SettingAsTheRackFileHoldsIt) {
    struct Case {
        const char* text;
        bool valid;
        LogOptions options;
    };
    const Case cases[] = {
        {"off", true, {}},
        {"all", true, {.keep = true}},
        {"ring 4096", true, {.keep = true, .ringSize = 4096}},
        {"ring 0", false, {}},
        {"ring", false, {}},
        {"ring 12x", false, {}},
        {"ring -3", false, {}},
        {"on", false, {}},
    };
    for (const Case& c : cases) {
        const auto options = LogOptionsFromText(c.text);
        ASSERT_EQ(options.has_value(), c.valid) << c.text;
        if (!c.valid) continue;
        EXPECT_EQ(options->keep, c.options.keep) << c.text;
        EXPECT_EQ(options->ringSize, c.options.ringSize) << c.text;
        EXPECT_EQ(LogOptionsToText(*options), c.text);
    }
}

// A drive plugged in again at its path is a new device: a handle left open
// on the old one neither blocks an exclusive open nor reaches the new drive.
TEST_F(SimRequestLogTest, ADrivePluggedInAgainIsANewDevice) {
    rack.AddDrive(kBridgePath, {});
    auto old = platform::Devices().Open(kBridgePath, platform::ShareMode::Exclusive);
    ASSERT_TRUE(old.handle);
    EXPECT_EQ(platform::Devices().Open(kBridgePath, platform::ShareMode::Shared).error, EBUSY);
    rack.RemoveDrive(kBridgePath);
    rack.AddDrive(kBridgePath, {});
    auto fresh = platform::Devices().Open(kBridgePath, platform::ShareMode::Exclusive);
    ASSERT_TRUE(fresh.handle);
    Bytes data(36);
    EXPECT_EQ(old.handle->Scsi({Inquiry(36), Direction::In, data}).error, ENODEV);
    EXPECT_EQ(fresh.handle->Scsi({Inquiry(36), Direction::In, data}).status, 0);
    EXPECT_EQ(rack.OpenHandles(), 2);
}

// Eight workers on eight drives at once, each opening and closing per
// request as the library does: every request arrives, every handle closes,
// and each drive's ring holds exactly its size.
TEST_F(SimRequestLogTest, ManyDrivesAtOnce) {
    constexpr int kDrives = 8;
    constexpr int kRequests = 200;
    std::vector<std::string> paths;
    for (int i = 0; i < kDrives; ++i) {
        paths.push_back(kBridgePath + std::to_string(i));
        rack.AddDrive(paths.back(), {});
    }
    rack.Log().Configure({.keep = true, .ringSize = 50});
    std::atomic<int> failed{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < kDrives; ++i) {
        workers.emplace_back([&, i] {
            Bytes data(36);
            for (int n = 0; n < kRequests; ++n)
                if (SendScsi(paths[static_cast<std::size_t>(i)], Inquiry(36), Direction::In, data).status != 0) ++failed;
        });
    }
    for (auto& w : workers) w.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(rack.OpenHandles(), 0);
    EXPECT_EQ(rack.Log().Size(), std::size_t{kDrives} * 50);
    for (const std::string& path : paths) EXPECT_EQ(rack.Log().For(path).size(), 50u);
}

}  // namespace
}  // namespace qx::sim::test
