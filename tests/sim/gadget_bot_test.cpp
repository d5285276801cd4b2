// The gadget's Bulk-Only Transport side: wrappers on the wire, and what a
// rack drive answers to command blocks the way a USB host sends them
// (sense handed over by REQUEST SENSE, failures the host must reset for).
#include <gtest/gtest.h>

#include "sim/gadget/bot_target.h"
#include "sim/gadget/bot_wire.h"
#include "sim/gadget/ffs_descriptors.h"
#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

using platform::Direction;

Bytes Wrapper(std::uint32_t tag, std::uint32_t length, std::uint8_t flags, std::uint8_t lun, const Bytes& cdb) {
    Bytes w(kCbwLength, 0);
    w[0] = 'U', w[1] = 'S', w[2] = 'B', w[3] = 'C';
    for (std::size_t i = 0; i < 4; ++i) {
        w[4 + i] = static_cast<std::uint8_t>(tag >> (8 * i));
        w[8 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    w[12] = flags;
    w[13] = lun;
    w[14] = static_cast<std::uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), w.begin() + 15);
    return w;
}

TEST(BotWireTest, CommandBlockWrappersParseOrAreRefused) {
    const Bytes inquiry{0x12, 0, 0, 0, 36, 0};
    struct Case {
        const char* what;
        Bytes bytes;
        bool valid;
        Direction dir;
    };
    Bytes badSignature = Wrapper(1, 36, 0x80, 0, inquiry);
    badSignature[3] = 'S';
    Bytes zeroCdb = Wrapper(1, 0, 0, 0, inquiry);
    zeroCdb[14] = 0;
    Bytes longCdb = Wrapper(1, 0, 0, 0, inquiry);
    longCdb[14] = 17;
    Bytes extra = Wrapper(1, 0, 0, 0, inquiry);
    extra.push_back(0);
    const Case cases[] = {
        {"data in", Wrapper(7, 36, 0x80, 0, inquiry), true, Direction::In},
        {"data out", Wrapper(7, 512, 0x00, 0, inquiry), true, Direction::Out},
        {"no data whatever the flag", Wrapper(7, 0, 0x80, 0, inquiry), true, Direction::None},
        {"wrong signature", badSignature, false, Direction::None},
        {"CDB length 0", zeroCdb, false, Direction::None},
        {"CDB length 17", longCdb, false, Direction::None},
        {"32 bytes", extra, false, Direction::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto cbw = ParseCbw(c.bytes);
        ASSERT_EQ(cbw.has_value(), c.valid);
        if (!cbw) continue;
        EXPECT_EQ(cbw->tag, 7u);
        EXPECT_EQ(cbw->dir, c.dir);
        EXPECT_EQ(cbw->cdb, inquiry);
    }
    const auto cbw = ParseCbw(Wrapper(0x01020304, 0x00010200, 0x80, 3, inquiry));
    ASSERT_TRUE(cbw);
    EXPECT_EQ(cbw->tag, 0x01020304u);
    EXPECT_EQ(cbw->dataLength, 0x00010200u);
    EXPECT_EQ(cbw->lun, 3);
}

TEST(BotWireTest, StatusWrapperBytes) {
    const auto w = BuildCsw(0xA1B2C3D4, 0x200, CswStatus::Failed);
    const Bytes expect{'U', 'S', 'B', 'S', 0xD4, 0xC3, 0xB2, 0xA1, 0x00, 0x02, 0x00, 0x00, 0x01};
    EXPECT_EQ(Bytes(w.begin(), w.end()), expect);
    EXPECT_EQ(BuildCsw(1, 0, CswStatus::PhaseError)[12], 2);
}

TEST(FfsDescriptorsTest, LengthsAndCountsMatchTheBlobs) {
    const Bytes d = BotFunctionDescriptors();
    auto le32 = [](const Bytes& b, std::size_t at) {
        return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
    };
    EXPECT_EQ(le32(d, 0), 3u);                      // v2 magic
    EXPECT_EQ(le32(d, 4), d.size());
    EXPECT_EQ(le32(d, 8), 7u);                      // full, high and super speed
    // Header and three counts, then 3 + 3 + 5 descriptors.
    std::size_t at = 24, count = 0;
    while (at < d.size()) {
        ASSERT_GT(d[at], 0);
        at += d[at];
        ++count;
    }
    EXPECT_EQ(at, d.size());
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(d[24 + 5], 0x08);                     // mass storage, SCSI, Bulk-Only
    EXPECT_EQ(d[24 + 6], 0x06);
    EXPECT_EQ(d[24 + 7], 0x50);
    EXPECT_EQ(d[33 + 2], kBotInEndpoint);
    EXPECT_EQ(d[40 + 2], kBotOutEndpoint);
    const Bytes s = BotFunctionStrings();
    EXPECT_EQ(le32(s, 4), s.size());
    EXPECT_EQ(s.back(), 0);
}

class BotTargetTest : public ::testing::Test, public RackTest {
protected:
    BotTargetTest() { rack.AddDrive(kBridgePath, {}); }

    Cbw Command(const Bytes& cdb, std::uint32_t length, Direction dir, std::uint8_t lun = 0) {
        Cbw c;
        c.tag = ++tag_;
        c.cdb = cdb;
        c.dataLength = length;
        c.dir = length ? dir : Direction::None;
        c.lun = lun;
        return c;
    }
    // REQUEST SENSE as usb-storage sends it after a failed command.
    Bytes RequestSense(std::uint8_t alloc = 96) {
        Bytes data(alloc);
        const auto out = target.Execute(Command({0x03, 0, 0, 0, alloc, 0}, alloc, Direction::In), data);
        EXPECT_EQ(out.status, CswStatus::Passed);
        data.resize(out.transferred);
        return data;
    }

    BotTarget target{rack, kBridgePath};

private:
    std::uint32_t tag_ = 0;
};

TEST_F(BotTargetTest, SenseOfAFailedCommandGoesToTheNextRequestSenseOnly) {
    // IDENTIFY through ATA PASS-THROUGH(16) with CK_COND: the data and the
    // registers both come back, the registers as descriptor sense.
    const Bytes identify{0x85, 0x08, 0x2E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xA0, 0xEC, 0};
    Bytes data(512);
    const auto out = target.Execute(Command(identify, 512, Direction::In), data);
    EXPECT_EQ(out.status, CswStatus::Failed);
    EXPECT_EQ(out.transferred, 512u);
    const Bytes sense = RequestSense();
    ASSERT_GE(sense.size(), 22u);
    EXPECT_EQ(sense[0], 0x72);
    EXPECT_EQ(sense[8], 0x09);                      // ATA status return descriptor
    EXPECT_EQ(sense[21] & 0x01, 0);                 // no ERR: the command went well
    EXPECT_EQ(RequestSense(18)[2], 0x00);           // taken: NO SENSE now

    // The host's allocation length cuts the sense.
    target.Execute(Command(identify, 512, Direction::In), data);
    EXPECT_EQ(RequestSense(18).size(), 18u);
}

TEST_F(BotTargetTest, RefusalsReachTheHostAsSense) {
    struct Case {
        const char* what;
        Bytes cdb;
        std::uint8_t lun;
        std::uint8_t key, asc;
    };
    const Case cases[] = {
        {"MODE SENSE is no command of the bridge", {0x1A, 0, 0x3F, 0, 192, 0}, 0, 0x05, 0x20},
        {"a second LUN", {0x12, 0, 0, 0, 36, 0}, 1, 0x05, 0x25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes data(192);
        const auto out = target.Execute(Command(c.cdb, static_cast<std::uint32_t>(data.size()), Direction::In, c.lun), data);
        EXPECT_EQ(out.status, CswStatus::Failed);
        EXPECT_EQ(out.transferred, 0u);
        const Bytes sense = RequestSense(18);
        ASSERT_EQ(sense.size(), 18u);
        EXPECT_EQ(sense[2], c.key);
        EXPECT_EQ(sense[12], c.asc);
    }
}

TEST_F(BotTargetTest, WrittenSectorsReadBackFromTheDrive) {
    Bytes out(1024);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7);
    const Bytes write10{0x2A, 0, 0, 0, 0, 0x10, 0, 0, 2, 0};
    EXPECT_EQ(target.Execute(Command(write10, 1024, Direction::Out), out).status, CswStatus::Passed);
    EXPECT_EQ(rack.Find(kBridgePath)->ReadUserSectors(0x10, 2), out);
    Bytes in(1024);
    const auto r = target.Execute(Command({0x28, 0, 0, 0, 0, 0x10, 0, 0, 2, 0}, 1024, Direction::In), in);
    EXPECT_EQ(r.status, CswStatus::Passed);
    EXPECT_EQ(r.transferred, 1024u);
    EXPECT_EQ(in, out);
}

// What no device could answer (a failed transfer, a drive gone from the
// bus) is a phase error: the host resets and fails the request. The next
// command finds the drive as before.
TEST_F(BotTargetTest, TransportFailuresArePhaseErrorsAndTheNextCommandWorks) {
    const Bytes inquiry{0x12, 0, 0, 0, 36, 0};
    Bytes data(36);
    SimDrive& d = *rack.Find(kBridgePath);
    d.AddFault(FaultRule::Of(FaultKind::SyscallFails).OnOpcode(0x12).Times(1));
    EXPECT_EQ(target.Execute(Command(inquiry, 36, Direction::In), data).status, CswStatus::PhaseError);
    EXPECT_EQ(target.Execute(Command(inquiry, 36, Direction::In), data).status, CswStatus::Passed);

    rack.SetUnplugged(kBridgePath, true);
    EXPECT_EQ(target.Execute(Command(inquiry, 36, Direction::In), data).status, CswStatus::PhaseError);
    rack.SetUnplugged(kBridgePath, false);
    EXPECT_EQ(target.Execute(Command(inquiry, 36, Direction::In), data).status, CswStatus::Passed);
}

// A hung command waits until the host resets, which cancels the serving
// thread's token: it must end then, not after the drive's long wait.
TEST_F(BotTargetTest, AHungCommandEndsWhenTheHostResets) {
    rack.Find(kBridgePath)->AddFault(FaultRule::Of(FaultKind::Hang).OnOpcode(0x12).Times(1));
    const Bytes inquiry{0x12, 0, 0, 0, 36, 0};
    Bytes data(36);
    platform::CancelToken token;
    {
        platform::CancelScope scope(token);
        token.Cancel();
        const std::uint64_t t0 = clock.NowMs();
        EXPECT_EQ(target.Execute(Command(inquiry, 36, Direction::In), data).status, CswStatus::PhaseError);
        EXPECT_EQ(clock.NowMs(), t0);
    }
    const auto out = target.Execute(Command(inquiry, 36, Direction::In), data);
    EXPECT_EQ(out.status, CswStatus::Passed);
    EXPECT_EQ(out.transferred, 36u);
}

}  // namespace
}  // namespace qx::sim::test
