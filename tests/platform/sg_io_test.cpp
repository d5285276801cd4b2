// The Linux backend's request filling and sense decoding, with the ioctl
// injected: what would go to the kernel is captured and a reply is played back.
#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "platform/sat_ata.h"
#include "support/fake_kernel.h"

namespace qx::platform::linux_sg {
namespace {

using test::FakeKernel;

TEST(SgIo, ScsiReadFillsHeaderAndReportsBytesMoved) {
    FakeKernel k;
    k.dataIn = {1, 2, 3, 4};
    k.resid = 508;
    auto io = k.Make();
    {
        auto opened = io.Open("/dev/sdx", ShareMode::Shared);
        ASSERT_TRUE(opened.handle);
        std::uint8_t cdb[10] = {0x28, 0, 0, 0, 0, 7, 0, 0, 1, 0};
        std::vector<std::uint8_t> buf(512);
        const auto r = opened.handle->Scsi(ScsiCommand::DataIn(cdb, buf, std::chrono::seconds(300)));
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.transferred, 4u);
        EXPECT_EQ(buf[3], 4);
        EXPECT_EQ(k.Last().cdb, std::vector<std::uint8_t>(cdb, cdb + 10));
        EXPECT_EQ(k.Last().direction, SG_DXFER_FROM_DEV);
        EXPECT_EQ(k.Last().dxferLen, 512u);
        EXPECT_EQ(k.Last().timeoutMs, 300000u);
    }
    EXPECT_EQ(k.opens, 1);
    EXPECT_EQ(k.closes, 1);
}

TEST(SgIo, ScsiFailuresCarryAnError) {
    FakeKernel k;
    k.ioctlResult = -1;
    k.ioctlErrno = ENODEV;
    auto io = k.Make();
    auto h = io.Open("/dev/sdx", ShareMode::Shared).handle;
    std::uint8_t cdb[6] = {0};
    auto r = h->Scsi(ScsiCommand::DataIn(cdb, {}, std::chrono::seconds(5)));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ENODEV);

    k.ioctlResult = 0;
    k.hostStatus = 0x07;   // host error: the request never reached the drive
    r = h->Scsi(ScsiCommand::DataIn(cdb, {}, std::chrono::seconds(5)));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error, 0);
}

TEST(SgIo, CheckConditionIsACompletedCallWithSense) {
    FakeKernel k;
    k.status = 0x02;
    k.sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0};
    auto io = k.Make();
    auto h = io.Open("/dev/sdx", ShareMode::Shared).handle;
    std::uint8_t cdb[6] = {0x12};
    const auto r = h->Scsi(ScsiCommand::DataIn(cdb, {}, std::chrono::seconds(5)));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.status, 0x02);
    EXPECT_EQ(r.sense[2], 0x05);
}

// Only a command without data asks for its registers with CK_COND; a data
// command's protocol follows its DMA flag.
TEST(SgIo, AtaTaskFilesGoOutAsPassThrough16) {
    struct Case {
        const char* name;
        AtaCommand cmd;
        std::array<std::uint8_t, 16> cdb;
        int direction;
    };
    std::vector<std::uint8_t> sector(512);
    AtaCommand identify;
    identify.current = {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0};
    identify.dir = Direction::In;
    identify.data = sector;
    AtaCommand dmaWrite = identify;
    dmaWrite.current = {0x00, 0x01, 0xFF, 0x34, 0x12, 0xE0, 0x88, 0};
    dmaWrite.dir = Direction::Out;
    dmaWrite.dma = true;
    AtaCommand readDma = identify;
    readDma.current = {0x00, 0x01, 0x05, 0x00, 0x00, 0xE0, 0xC8, 0};
    readDma.dma = true;
    AtaCommand writeDmaExt = dmaWrite;
    writeDmaExt.ext48 = true;
    writeDmaExt.current = {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0x35, 0};
    writeDmaExt.previous = {0x00, 0x00, 0x10, 0x00, 0x00, 0xE0, 0x35, 0};
    AtaCommand ext;
    ext.ext48 = true;
    ext.current = {0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x27, 0};
    ext.previous = {0x00, 0x00, 0x11, 0x22, 0x33, 0xE0, 0x27, 0};
    const Case cases[] = {
        {"pio in", identify, {0x85, 0x08, 0x0E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}, SG_DXFER_FROM_DEV},
        {"dma out", dmaWrite, {0x85, 0x0C, 0x06, 0, 0, 0, 0x01, 0, 0xFF, 0, 0x34, 0, 0x12, 0xE0, 0x88, 0}, SG_DXFER_TO_DEV},
        {"dma in", readDma, {0x85, 0x0C, 0x0E, 0, 0, 0, 0x01, 0, 0x05, 0, 0, 0, 0, 0xE0, 0xC8, 0}, SG_DXFER_FROM_DEV},
        {"48-bit dma out", writeDmaExt,
         {0x85, 0x0D, 0x06, 0, 0, 0, 0x01, 0x10, 0, 0, 0, 0, 0, 0xE0, 0x35, 0}, SG_DXFER_TO_DEV},
        {"48-bit no data", ext, {0x85, 0x07, 0x20, 0, 0, 0, 0, 0x11, 0, 0x22, 0, 0x33, 0, 0xE0, 0x27, 0}, SG_DXFER_NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeKernel k;
        auto io = k.Make();
        auto h = io.Open("/dev/sdx", ShareMode::Exclusive).handle;
        h->Ata(c.cmd);
        EXPECT_EQ(k.Last().cdb, std::vector<std::uint8_t>(c.cdb.begin(), c.cdb.end()));
        EXPECT_EQ(k.Last().direction, c.direction);
    }
}

TEST(SgIo, AtaRegistersComeBackFromTheSense) {
    FakeKernel k;
    k.status = 0x02;
    // Descriptor sense with the ATA status return descriptor, extend bit set.
    k.sense = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 14,
               0x09, 0x0C, 0x01, 0x40, 0xAA, 0x01, 0xBB, 0x02, 0xCC, 0x03, 0xDD, 0x04, 0xE0, 0x51};
    auto io = k.Make();
    auto h = io.Open("/dev/sdx", ShareMode::Exclusive).handle;
    AtaCommand cmd;
    cmd.current = {0, 0, 0, 0, 0, 0xE0, 0x25, 0};
    auto r = h->Ata(cmd);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.registers);
    EXPECT_EQ(r.current, (TaskFile{0x40, 0x01, 0x02, 0x03, 0x04, 0xE0, 0x51, 0}));
    EXPECT_EQ(r.previous, (TaskFile{0, 0xAA, 0xBB, 0xCC, 0xDD, 0, 0, 0}));

    // A refused NOP as Linux 6.1 answers it with D_SENSE=0.
    k.sense = {0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04, 0x41, 0x40, 0x00,
               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    r = h->Ata(cmd);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.current, (TaskFile{0x04, 0x00, 0x00, 0x00, 0x00, 0x40, 0x41, 0}));
}

// A disk closed after a write open makes udev re-probe it and hold a lock on
// it; the next exclusive request would then find the drive busy.
TEST(SgIo, RequestsOpenTheDiskReadOnlyInBothShareModes) {
    for (const ShareMode mode : {ShareMode::Shared, ShareMode::Exclusive}) {
        FakeKernel k;
        auto io = k.Make();
        ASSERT_TRUE(io.Open("/dev/sdx", mode).handle);
        EXPECT_EQ(k.openFlags & O_ACCMODE, O_RDONLY);
    }
}

// udev's lock on a disk that just changed: waited for on the clock within
// the wait given, never for a lock this process holds.
class LockWait : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&clock_); }
    void TearDown() override { SetClock(nullptr); }
    std::uint64_t Now() { return clock_.NowMs(); }
    VirtualClock clock_;
    FakeKernel k_;
    LinuxDeviceIo io_ = k_.Make();
};

TEST_F(LockWait, ALockHeldByAnotherProcessIsWaitedFor) {
    struct Case {
        const char* name;
        ShareMode mode;
        int foreignMode;
        std::uint64_t heldMs;
        std::uint64_t waitMs;
        bool opens;
        std::uint64_t elapsedMs;   // until the open returned
    };
    const Case cases[] = {
        {"exclusive after a write-close", ShareMode::Exclusive, LOCK_SH, 300, 10'000, true, 300},
        {"shared after a partition re-read", ShareMode::Shared, LOCK_EX, 1'234, 10'000, true, 1'240},
        {"shared beside udev's shared lock", ShareMode::Shared, LOCK_SH, 5'000, 10'000, true, 0},
        {"held past the time-out", ShareMode::Exclusive, LOCK_EX, 11'000, 10'000, false, 10'000},
        {"no wait asked", ShareMode::Exclusive, LOCK_EX, 300, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        k_.foreignLockUntilMs = Now() + c.heldMs;
        k_.foreignLockMode = c.foreignMode;
        const std::uint64_t start = Now();
        auto opened = io_.OpenWaiting("/dev/sdx", c.mode, std::chrono::milliseconds(c.waitMs));
        EXPECT_EQ(opened.handle != nullptr, c.opens);
        EXPECT_EQ(opened.error, c.opens ? 0 : EBUSY);
        EXPECT_EQ(Now() - start, c.elapsedMs);
        clock_.Advance(20'000);
    }
    EXPECT_EQ(k_.opens, k_.closes) << "every file opened was closed";
}

TEST_F(LockWait, ALockThisProcessHoldsIsNotWaitedFor) {
    auto first = io_.OpenWaiting("/dev/sdx", ShareMode::Exclusive, std::chrono::seconds(10));
    ASSERT_TRUE(first.handle);
    const std::uint64_t start = Now();
    for (const ShareMode mode : {ShareMode::Exclusive, ShareMode::Shared}) {
        auto second = io_.OpenWaiting("/dev/sdx", mode, std::chrono::seconds(10));
        EXPECT_FALSE(second.handle);
        EXPECT_EQ(second.error, EBUSY);
    }
    EXPECT_EQ(Now(), start);
    // Two shared requests live side by side; an exclusive one is refused at once.
    first.handle.reset();
    auto shared = io_.OpenWaiting("/dev/sdx", ShareMode::Shared, std::chrono::seconds(10));
    ASSERT_TRUE(shared.handle);
    EXPECT_TRUE(io_.OpenWaiting("/dev/sdx", ShareMode::Shared, std::chrono::seconds(10)).handle);
    EXPECT_FALSE(io_.OpenWaiting("/dev/sdx", ShareMode::Exclusive, std::chrono::seconds(10)).handle);
    EXPECT_EQ(Now(), start);
    shared.handle.reset();
    EXPECT_TRUE(io_.OpenWaiting("/dev/sdx", ShareMode::Exclusive, std::chrono::seconds(10)).handle);
}

TEST_F(LockWait, ACancelledWorkerStopsWaiting) {
    CancelToken token;
    CancelScope scope(token);
    token.Cancel();
    k_.foreignLockUntilMs = Now() + 5'000;
    const std::uint64_t start = Now();
    auto opened = io_.OpenWaiting("/dev/sdx", ShareMode::Exclusive, std::chrono::seconds(10));
    EXPECT_FALSE(opened.handle);
    EXPECT_EQ(opened.error, ECANCELED);
    EXPECT_EQ(Now(), start);
}

}  // namespace
}  // namespace qx::platform::linux_sg
