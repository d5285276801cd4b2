// Program actions and the status poll: what is sent, how long the poll
// waits on the virtual clock, and how it ends.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_builders.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

class ProgramTest : public VendorFixture {
protected:
    ProgramTest() { logUse_ = LogUse::Requests; }

    // A program in code RAM whose actions answer busy for that many status
    // reads, then the final status.
    void Program(int slot, int busyPolls, std::uint8_t finalStatus) {
        RunProgram(slot);
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().cfg.busyPolls = busyPolls;
        DriveOf(slot).Model().cfg.actionStatus = finalStatus;
    }
    // The status reads of the log (the command on the USB path, the command
    // sector on the SATA path) and when they arrived.
    std::vector<std::uint64_t> StatusReadTimes(int slot) const {
        std::vector<std::uint64_t> out;
        for (const sim::LoggedRequest& r : Requests(slot))
            if (Word(r) == "V00") out.push_back(r.timeMs);
        return out;
    }
    static Texts StatusRead(int slot) { return slot == kSataSlot ? Texts{"V00", "<00"} : Texts{"V00"}; }
    // The source path is what the compiler was given; its tail is fixed.
    static bool IsReadFailedTrace(const std::string& line, int result) {
        const std::string tail = "src/qxlib/vendor_access/v_access.cpp, Function = VA_GDP_ExecProg, Line = 130, nRet = " +
                                 std::to_string(result) + "\r\n";
        return line.starts_with("FileName = ") && line.ends_with(tail);
    }
};

struct PollCase {
    int busyPolls;
    bool wait;
    bool ok;
    int statusReads;
    std::uint64_t waitedMs;   // after the 30 ms start
};

TEST_F(ProgramTest, ActionPollsUntilNotBusyOrGivesUpAfterOneWaitWithoutTheWaitFlag) {
    const PollCase cases[] = {
        {0, false, true, 1, 0},
        {0, true, true, 1, 0},
        {3, true, true, 4, 9000},
        {1, false, false, 1, 3000},
        {5, false, false, 1, 3000},
    };
    for (int slot : kBothSlots) {
        for (const PollCase& c : cases) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << " busy " << c.busyPolls << " wait " << c.wait);
            ClearLog();
            Program(slot, c.busyPolls, 0x5A);
            std::uint8_t status = 0;
            const std::uint64_t start = clock_.NowMs();
            EXPECT_EQ(VA_GDP_ExecProg(slot, 2, 0x40, &status, c.wait), c.ok);
            EXPECT_EQ(clock_.NowMs() - start, 30 + c.waitedMs);
            EXPECT_EQ(status, c.ok ? 0x5A : kProgramBusy);

            Texts expected{"V02"};
            for (int i = 0; i < c.statusReads; ++i)
                for (const std::string& w : StatusRead(slot)) expected.push_back(w);
            EXPECT_EQ(Sent(slot), expected);
            EXPECT_EQ(VendorBlocks(slot)[0][3], 0x40);
            const auto reads = StatusReadTimes(slot);
            ASSERT_FALSE(reads.empty());
            EXPECT_EQ(reads.front() - start, 30u);
            for (std::size_t i = 1; i < reads.size(); ++i) EXPECT_EQ(reads[i] - reads[i - 1], 3000u);
            EXPECT_EQ(LayerTraces(), (c.ok ? Texts{} : Texts{"FAILED(VA_GDP_ExecProg)\r\n"}));
        }
    }
}

TEST_F(ProgramTest, EachActionHasItsCommandAndOthersSendNothing) {
    Program(kUsbSlot, 0, 0x00);
    std::uint8_t status = 0xEE;
    for (int action = 1; action <= 4; ++action) {
        ClearLog();
        ASSERT_TRUE(VA_GDP_ExecProg(kUsbSlot, action, static_cast<std::uint8_t>(0x10 + action), &status, false));
        const auto blocks = VendorBlocks(kUsbSlot);
        ASSERT_EQ(blocks.size(), 2u);
        EXPECT_EQ(blocks[0][2], action);
        EXPECT_EQ(blocks[0][3], 0x10 + action);
    }
    for (int action : {0, 5, -1}) {
        ClearLog();
        EXPECT_FALSE(VA_GDP_ExecProg(kUsbSlot, action, 0, &status, true));
        EXPECT_TRUE(Requests(kUsbSlot).empty());
        EXPECT_TRUE(LayerTraces().empty());
    }
}

TEST_F(ProgramTest, FailedActionCommandIsTracedAndNotPolled) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        ClearLog();
        Program(slot, 0, 0);
        sim::FaultRule f;
        f.vendorSub = 0x01;
        DriveOf(slot).AddFault(f);
        std::uint8_t status = 0;
        const std::uint64_t start = clock_.NowMs();
        EXPECT_FALSE(VA_GDP_ExecProg(slot, 1, 0, &status, true));
        EXPECT_EQ(Sent(slot), (Texts{"V01"}));
        EXPECT_EQ(clock_.NowMs(), start);
        EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_GDP_ExecProg)\r\n"}));
        DriveOf(slot).ClearFaults();
    }
}

// A status read that fails in transport gives 2; a SATA reply without the
// tunnel signature (the drive dropped vendor mode, so the pseudo-LBA reads
// as a plain zero sector) gives 3. Both end the poll with the source trace.
TEST_F(ProgramTest, FailedStatusReadIsReportedWithItsResult) {
    struct Case {
        int slot;
        bool dropVendorMode;
        int result;
    };
    for (const Case c : {Case{kUsbSlot, false, 2}, Case{kSataSlot, false, 2}, Case{kSataSlot, true, 3}}) {
        SCOPED_TRACE(c.result);
        ClearLog();
        Program(c.slot, 0, 0);
        if (c.dropVendorMode) {
            auto hold = DriveOf(c.slot).Lock();
            DriveOf(c.slot).Model().vendorMode = false;
        } else {
            sim::FaultRule f;
            f.vendorSub = 0x00;
            DriveOf(c.slot).AddFault(f);
        }
        std::uint8_t status = 0x77;
        EXPECT_FALSE(VA_GDP_ExecProg(c.slot, 3, 0, &status, true));
        const Texts traces = LayerTraces();
        ASSERT_EQ(traces.size(), 2u);
        EXPECT_TRUE(IsReadFailedTrace(traces[0], c.result)) << traces[0];
        EXPECT_EQ(traces[1], "FAILED(VA_GDP_ExecProg)\r\n");
        EXPECT_EQ(status, 0x77);   // nothing decoded
        DriveOf(c.slot).ClearFaults();
    }
}

TEST_F(ProgramTest, WaitReturnPollsWithoutActionOrStartDelay) {
    const PollCase cases[] = {
        {0, false, true, 1, 0},
        {2, true, true, 3, 6000},
        {2, false, false, 1, 3000},
    };
    for (int slot : kBothSlots) {
        for (const PollCase& c : cases) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << " busy " << c.busyPolls << " wait " << c.wait);
            ClearLog();
            Program(slot, c.busyPolls, 0x21);
            // A status read of a running action: start one without polling it
            // (a pre-format: an erase is over by its first status read).
            ASSERT_EQ(VC_ExecProgType3(slot, 0), 1);
            rack_.Log().Clear();
            std::uint8_t status = 0;
            const std::uint64_t start = clock_.NowMs();
            EXPECT_EQ(VA_ST_WaitReturn(slot, &status, c.wait), c.ok);
            EXPECT_EQ(clock_.NowMs() - start, c.waitedMs);
            EXPECT_EQ(StatusReadTimes(slot).size(), static_cast<std::size_t>(c.statusReads));
            EXPECT_EQ(Requests(slot).front().timeMs, start);
            EXPECT_EQ(LayerTraces(), (c.ok ? Texts{} : Texts{"FAILED(VA_ST_WaitReturn)\r\n"}));
        }
    }
}

TEST_F(ProgramTest, WaitReturnFailsOnAFailedStatusRead) {
    Program(kSataSlot, 0, 0);
    {
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().vendorMode = false;
    }
    std::uint8_t status = 0;
    EXPECT_FALSE(VA_ST_WaitReturn(kSataSlot, &status, true));
    EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_ST_WaitReturn)\r\n"}));
}

// With the wait flag set nothing but the watchdog ends a program that stays
// busy: the cancel ends the poll at its next wait.
TEST_F(ProgramTest, CancelledWorkerLeavesAnEndlessBusyPoll) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        ClearLog();
        Program(slot, 1'000'000, 0);
        platform::CancelToken token;
        platform::CancelScope scope(token);
        CancelOnWaitClock cancelling(clock_, token, 6);   // the start delay and five busy waits
        platform::SetClock(&cancelling);
        std::uint8_t status = 0;
        const std::uint64_t start = clock_.NowMs();
        EXPECT_FALSE(VA_GDP_ExecProg(slot, 3, 0, &status, true));
        EXPECT_EQ(clock_.NowMs() - start, 30u + 5 * 3000u);
        EXPECT_EQ(StatusReadTimes(slot).size(), 6u);
        EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_GDP_ExecProg)\r\n"}));

        ClearLog();
        token.Reset();
        CancelOnWaitClock again(clock_, token, 2);
        platform::SetClock(&again);
        EXPECT_FALSE(VA_ST_WaitReturn(slot, &status, true));
        EXPECT_EQ(StatusReadTimes(slot).size(), 3u);
        EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_ST_WaitReturn)\r\n"}));
        platform::SetClock(&clock_);
    }
}

}  // namespace
}  // namespace qx::test
