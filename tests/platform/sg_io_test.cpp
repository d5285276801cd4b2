// The Linux backend's request filling and sense decoding, with the ioctl
// injected: what would go to the kernel is captured and a reply is played back.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/linux/sg_io.h"

namespace qx::platform::linux_sg {
namespace {

struct Captured {
    std::vector<std::uint8_t> cdb;
    int direction = 0;
    unsigned dxferLen = 0;
    unsigned timeoutMs = 0;
    std::vector<std::uint8_t> dataOut;
};

// A fake kernel: records the request, then fills sense/status/data.
struct FakeKernel {
    Captured seen;
    int opens = 0, closes = 0;
    int openFlags = -1;
    int ioctlResult = 0;
    int ioctlErrno = 0;
    unsigned char status = 0;
    unsigned short hostStatus = 0;
    std::vector<std::uint8_t> sense;
    std::vector<std::uint8_t> dataIn;
    int resid = 0;

    LinuxDeviceIo Make() {
        return LinuxDeviceIo(
            [this](int, unsigned long req, void* arg) {
                EXPECT_EQ(req, static_cast<unsigned long>(SG_IO));
                auto* h = static_cast<sg_io_hdr_t*>(arg);
                seen.cdb.assign(h->cmdp, h->cmdp + h->cmd_len);
                seen.direction = h->dxfer_direction;
                seen.dxferLen = h->dxfer_len;
                seen.timeoutMs = h->timeout;
                auto* data = static_cast<std::uint8_t*>(h->dxferp);
                if (h->dxfer_direction == SG_DXFER_TO_DEV) seen.dataOut.assign(data, data + h->dxfer_len);
                if (h->dxfer_direction == SG_DXFER_FROM_DEV && !dataIn.empty())
                    std::memcpy(data, dataIn.data(), std::min<std::size_t>(dataIn.size(), h->dxfer_len));
                if (ioctlResult != 0) {
                    errno = ioctlErrno;
                    return ioctlResult;
                }
                h->status = status;
                h->host_status = hostStatus;
                h->resid = resid;
                const std::size_t n = std::min<std::size_t>(sense.size(), h->mx_sb_len);
                if (n) std::memcpy(h->sbp, sense.data(), n);
                h->sb_len_wr = static_cast<unsigned char>(n);
                return 0;
            },
            [this](const char*, int flags) { openFlags = flags; ++opens; return 1000 + opens; },
            [this](int) { ++closes; return 0; });
    }
};

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
        EXPECT_EQ(k.seen.cdb, std::vector<std::uint8_t>(cdb, cdb + 10));
        EXPECT_EQ(k.seen.direction, SG_DXFER_FROM_DEV);
        EXPECT_EQ(k.seen.dxferLen, 512u);
        EXPECT_EQ(k.seen.timeoutMs, 300000u);
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

TEST(SgIo, AtaTaskFilesGoOutAsPassThrough16WithCkCond) {
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
    AtaCommand ext;
    ext.ext48 = true;
    ext.current = {0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x27, 0};
    ext.previous = {0x00, 0x00, 0x11, 0x22, 0x33, 0xE0, 0x27, 0};
    const Case cases[] = {
        {"pio in", identify, {0x85, 0x08, 0x2E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}, SG_DXFER_FROM_DEV},
        {"dma out", dmaWrite, {0x85, 0x0C, 0x26, 0, 0, 0, 0x01, 0, 0xFF, 0, 0x34, 0, 0x12, 0xE0, 0x88, 0}, SG_DXFER_TO_DEV},
        {"48-bit no data", ext, {0x85, 0x07, 0x20, 0, 0, 0, 0, 0x11, 0, 0x22, 0, 0x33, 0, 0xE0, 0x27, 0}, SG_DXFER_NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeKernel k;
        auto io = k.Make();
        auto h = io.Open("/dev/sdx", ShareMode::Exclusive).handle;
        h->Ata(c.cmd);
        EXPECT_EQ(k.seen.cdb, std::vector<std::uint8_t>(c.cdb.begin(), c.cdb.end()));
        EXPECT_EQ(k.seen.direction, c.direction);
    }
}

TEST(SgIo, AtaRegistersComeBackFromDescriptorSense) {
    FakeKernel k;
    k.status = 0x02;
    // Descriptor sense with the ATA status return descriptor, extend bit set.
    k.sense = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 14,
               0x09, 0x0C, 0x01, 0x40, 0xAA, 0x01, 0xBB, 0x02, 0xCC, 0x03, 0xDD, 0x04, 0xE0, 0x51};
    auto io = k.Make();
    auto h = io.Open("/dev/sdx", ShareMode::Exclusive).handle;
    AtaCommand cmd;
    cmd.current = {0, 0, 0, 0, 0, 0xE0, 0x25, 0};
    const auto r = h->Ata(cmd);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.current, (TaskFile{0x40, 0x01, 0x02, 0x03, 0x04, 0xE0, 0x51, 0}));
    EXPECT_EQ(r.previous, (TaskFile{0, 0xAA, 0xBB, 0xCC, 0xDD, 0, 0, 0}));
}

TEST(SgIo, SenseDecodingRejectsWhatHoldsNoRegisters) {
    TaskFile cur, prev;
    const std::vector<std::uint8_t> shortSense = {0x72, 0, 0};
    EXPECT_FALSE(DecodeAtaSense(shortSense, cur, prev));
    // A descriptor list that claims more than it holds stops at the end.
    const std::vector<std::uint8_t> truncated = {0x72, 0x01, 0, 0, 0, 0, 0, 40, 0x09, 0x0C, 0, 0};
    EXPECT_FALSE(DecodeAtaSense(truncated, cur, prev));
    const std::vector<std::uint8_t> fixed = {0x70, 0, 0x01, 0x04, 0x51, 0xE0, 0x08, 0, 0, 0x11, 0x22, 0x33};
    ASSERT_TRUE(DecodeAtaSense(fixed, cur, prev));
    EXPECT_EQ(cur, (TaskFile{0x04, 0x08, 0x11, 0x22, 0x33, 0xE0, 0x51, 0}));
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

TEST(SgIo, FixedSenseOfARefusedCommandHoldsNoRegisters) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> sense;
        bool registers;
    };
    const Case cases[] = {
        // What a SCSI-only USB disk answers to ATA PASS-THROUGH (seen on QEMU's).
        {"illegal request, invalid opcode", {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00}, false},
        {"unit attention", {0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0x00}, false},
        {"not ready", {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x04, 0x00}, false},
        {"recovered, ATA information", {0x70, 0, 0x01, 0, 0x50, 0xE0, 0x01, 10, 0, 0, 0, 0, 0x00, 0x1D}, true},
        {"aborted command", {0x70, 0, 0x0B, 0x04, 0x51, 0xE0, 0x01, 10, 0, 0, 0, 0, 0x00, 0x00}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TaskFile cur, prev;
        EXPECT_EQ(DecodeAtaSense(c.sense, cur, prev), c.registers);
    }
}

TEST(SgIo, AtaCommandRefusedAsIllegalRequestIsADeviceError) {
    FakeKernel k;
    k.status = 0x02;
    k.sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
    auto io = k.Make();
    auto h = io.Open("/dev/sdx", ShareMode::Exclusive).handle;
    std::vector<std::uint8_t> sector(512);
    AtaCommand identify;
    identify.current = {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0};
    identify.dir = Direction::In;
    identify.data = sector;
    const auto r = h->Ata(identify);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.current[kTfStatus] & 0x01, 0x01);
}

}  // namespace
}  // namespace qx::platform::linux_sg
