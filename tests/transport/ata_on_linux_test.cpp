// The ATA route of the library on the Linux backend, with a fake kernel that
// answers as Linux 6.1's libata does: the command blocks that go out, the
// verdict on rejected commands in each sense format, the registers handed
// back, and udev's lock met by a request.
#include <gtest/gtest.h>

#include <vector>

#include "platform/trace_sink.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/pass_through.h"
#include "support/fake_kernel.h"

namespace qx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::TaskFile;

constexpr int kSlot = 7;
const char* const kDisk = "/dev/disk/by-path/pci-0000:00:1f.2-ata-1";

Bytes Padded(Bytes b) {
    b.resize(32, 0);
    return b;
}

class AtaOnLinux : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetClock(&clock_);
        platform::SetDevices(&io_);
        platform::SetTraceSink([this](std::string_view t) { traces_.emplace_back(t); });
        DeviceSlots[kSlot].InterfacePath = kDisk;
        DeviceSlots[kSlot].DirectAta = 1;
    }
    void TearDown() override {
        DeviceSlots[kSlot].InterfacePath.clear();
        DeviceSlots[kSlot].DirectAta = 0;
        platform::SetTraceSink({});
        platform::SetDevices(nullptr);
        platform::SetClock(nullptr);
        EXPECT_EQ(k_.opens, k_.closes) << "a request left the disk open";
    }
    void Answer(std::uint8_t status, Bytes sense) {
        k_.status = status;
        k_.sense = std::move(sense);
    }
    Bytes SentCdb() const { return k_.Last().cdb; }

    platform::VirtualClock clock_;
    test::FakeKernel k_;
    platform::linux_sg::LinuxDeviceIo io_ = k_.Make();
    std::vector<std::string> traces_;
};

// DMA commands go out with the DMA protocol (85 0C / 0D), the others as PIO
// or non-data; only non-data commands carry CK_COND.
TEST_F(AtaOnLinux, EachCommandGoesOutWithItsProtocol) {
    struct Case {
        const char* name;
        bool ext;
        bool read;
        std::uint8_t command;
        int length;
        std::uint8_t byte1, byte2;
    };
    const Case cases[] = {
        {"READ DMA", false, true, 0xC8, 512, 0x0C, 0x0E},
        {"WRITE DMA", false, false, 0xCA, 512, 0x0C, 0x06},
        {"vendor UDMA read", false, true, 0x86, 512, 0x0C, 0x0E},
        {"vendor UDMA write", false, false, 0x88, 512, 0x0C, 0x06},
        {"READ DMA EXT", true, true, 0x25, 512, 0x0D, 0x0E},
        {"WRITE DMA EXT", true, false, 0x35, 512, 0x0D, 0x06},
        {"READ LOG DMA EXT", true, true, 0x47, 512, 0x0D, 0x0E},
        {"WRITE LOG DMA EXT", true, false, 0x57, 512, 0x0D, 0x06},
        {"IDENTIFY", false, true, 0xEC, 512, 0x08, 0x0E},
        {"READ MULTIPLE", false, true, 0xC4, 512, 0x08, 0x0E},
        {"WRITE MULTIPLE", false, false, 0xC5, 512, 0x0A, 0x06},
        {"READ LOG EXT", true, true, 0x2F, 512, 0x09, 0x0E},
        {"FLUSH CACHE", false, false, 0xE7, 0, 0x06, 0x20},
        {"READ NATIVE MAX EXT", true, false, 0x27, 0, 0x07, 0x20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes data(512);
        std::uint8_t tf[8] = {0, 1, 0, 0, 0, 0xE0, c.command, 0};
        std::uint8_t prev[8] = {};
        const int r = c.ext ? (c.read ? ReadATACommandWithTimeOutValueExt(kDisk, tf, prev, data.data(), c.length, 10)
                                      : WriteATACommandWithTimeOutValueExt(kDisk, tf, prev, data.data(), c.length, 10))
                            : (c.read ? ReadATACommandWithTimeOutValue(kDisk, tf, data.data(), c.length, 10)
                                      : WriteATACommandWithTimeOutValue(kDisk, tf, data.data(), c.length, 10));
        EXPECT_EQ(r, 1);
        ASSERT_EQ(SentCdb().size(), 16u);
        EXPECT_EQ(SentCdb()[0], 0x85);
        EXPECT_EQ(SentCdb()[1], c.byte1);
        EXPECT_EQ(SentCdb()[2], c.byte2);
        EXPECT_EQ(SentCdb()[14], c.command);
    }
}

// What the kernel answered, on the real disk, to commands the drive refused:
// each fails with the drive's error and status registers, in either format.
TEST_F(AtaOnLinux, RejectedCommandsFailWithTheDrivesRegisters) {
    struct Case {
        const char* name;
        Bytes sense;
        std::uint8_t error, status;
    };
    const Case cases[] = {
        {"D_SENSE=0, Linux 6.1", Padded({0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04, 0x41, 0x40, 0x00}),
         0x04, 0x41},
        {"D_SENSE=0, SAT layout", Padded({0xF0, 0x00, 0x0B, 0x04, 0x51, 0x40, 0x00, 0x0A}), 0x04, 0x51},
        {"D_SENSE=1", {0x72, 0x0B, 0x00, 0x00, 0, 0, 0, 0x0E, 0x09, 0x0C, 0x00, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x41},
         0x04, 0x41},
    };
    // NOP, an opcode no drive has, SET FEATURES EEh: all refused.
    const std::uint8_t nop[12] = {0xA1, 0x06, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x00, 0x00, 0x00};
    const std::uint8_t f0[12] = {0xA1, 0x06, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0xF0, 0x00, 0x00};
    const std::uint8_t setFeatures[12] = {0xA1, 0x06, 0x20, 0xEE, 0x00, 0x00, 0x00, 0x00, 0xE0, 0xEF, 0x00, 0x00};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Answer(2, c.sense);
        for (const auto* block : {nop, f0, setFeatures})
            EXPECT_EQ(ExecSlotPassThrough(kSlot, false, block, 12, nullptr, 0, false), -2);
        std::uint8_t tf[8] = {0, 0, 0, 0, 0, 0xE0, 0x00, 0};
        EXPECT_EQ(WriteATACommandWithTimeOutValue(kDisk, tf, nullptr, 0, 10), 0);
        EXPECT_EQ(tf[platform::kTfError], c.error);
        EXPECT_EQ(tf[platform::kTfStatus], c.status);
    }
}

TEST_F(AtaOnLinux, FortyEightBitReturnsReachTheCaller) {
    // READ NATIVE MAX EXT of 0x1FFFFFFF (a 256 GiB disk).
    Answer(2, {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E,
               0x09, 0x0C, 0x01, 0x00, 0x00, 0x00, 0x1F, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x40, 0x50});
    std::uint8_t tf[8] = {0, 0, 0, 0, 0, 0xE0, 0x27, 0};
    std::uint8_t prev[8] = {};
    EXPECT_EQ(WriteATACommandWithTimeOutValueExt(kDisk, tf, prev, nullptr, 0, 10), 1);
    const std::uint64_t max = tf[2] | tf[3] << 8 | tf[4] << 16 | std::uint64_t{prev[2]} << 24 |
                              std::uint64_t{prev[3]} << 32 | std::uint64_t{prev[4]} << 40;
    EXPECT_EQ(max, 0x1FFFFFFFu);

    // An uncorrectable READ DMA EXT past 2^28 names its sector in full.
    Answer(2, {0x72, 0x03, 0x11, 0x04, 0, 0, 0, 0x0E,
               0x09, 0x0C, 0x01, 0x40, 0x00, 0x01, 0x10, 0x05, 0x00, 0x00, 0x00, 0x00, 0x40, 0x51});
    Bytes data(512);
    std::uint8_t read[8] = {0, 1, 0x05, 0, 0, 0x40, 0x25, 0};
    std::uint8_t readHigh[8] = {0, 0, 0x10, 0, 0, 0, 0, 0};
    EXPECT_EQ(ReadATACommandWithTimeOutValueExt(kDisk, read, readHigh, data.data(), 512, 10), -3);
    EXPECT_EQ(traces_.back(), "UNC(ReadATACommandWithTimeOutValueExt)\r\n");
    EXPECT_EQ(read[2], 0x05);
    EXPECT_EQ(readHigh[2], 0x10);

    // The fixed format only says a high byte is nonzero: the trace says so.
    Answer(2, Padded({0x70, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x10, 0x51, 0x40, 0x01,
                      0x21, 0x00, 0x00, 0x00, 0xA0, 0x05, 0x00, 0x00}));
    std::uint8_t pastEnd[8] = {0, 1, 0x05, 0, 0, 0x40, 0x25, 0};
    std::uint8_t pastEndHigh[8] = {0, 0, 0x10, 0, 0, 0, 0, 0};
    EXPECT_EQ(ReadATACommandWithTimeOutValueExt(kDisk, pastEnd, pastEndHigh, data.data(), 512, 10), 0);
    EXPECT_EQ(pastEnd[platform::kTfError], 0x10);
    EXPECT_EQ(pastEnd[2], 0x05);
    EXPECT_EQ(traces_.back(), "48-bit registers not returned in full (fixed-format sense)\r\n");
}

// Right after a write-close or a partition-table re-read udev holds the disk
// for a moment: the request waits for it, on the clock, within its time-out.
TEST_F(AtaOnLinux, ARequestWaitsForUdevsLock) {
    const std::uint8_t identify[12] = {0xA1, 0x08, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00, 0x00};
    Bytes id(512);
    struct Case {
        const char* name;
        int foreignMode;
        std::uint64_t heldMs;
        int expected;
        bool sent;
        std::uint64_t sentAtMs;
    };
    const Case cases[] = {
        {"after a write-close", LOCK_SH, 400, 1, true, 400},
        {"after a partition re-read", LOCK_EX, 1'500, 1, true, 1'500},
        {"held past the 10 s time-out", LOCK_EX, 12'000, -2, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        k_.requests.clear();
        const std::uint64_t start = clock_.NowMs();
        k_.foreignLockUntilMs = start + c.heldMs;
        k_.foreignLockMode = c.foreignMode;
        EXPECT_EQ(ExecSlotPassThrough(kSlot, true, identify, 12, id.data(), 512, false), c.expected);
        ASSERT_EQ(k_.requests.size(), c.sent ? 1u : 0u);
        if (c.sent) {
            EXPECT_EQ(k_.Last().atMs - start, c.sentAtMs);
        }
        clock_.Advance(20'000);
    }

    // A sector read (shared) beside udev's shared probe goes at once; after
    // a partition re-read (exclusive) it waits too.
    for (const int mode : {LOCK_SH, LOCK_EX}) {
        SCOPED_TRACE(mode);
        k_.requests.clear();
        const std::uint64_t start = clock_.NowMs();
        k_.foreignLockUntilMs = start + 700;
        k_.foreignLockMode = mode;
        EXPECT_EQ(ReadSectorsSCSI(kDisk, id.data(), 0, 512), 1);
        ASSERT_EQ(k_.requests.size(), 1u);
        EXPECT_EQ(k_.Last().atMs - start, mode == LOCK_SH ? 0u : 700u);
        clock_.Advance(20'000);
    }
}

}  // namespace
}  // namespace qx
