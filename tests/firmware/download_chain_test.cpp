// The whole chain on both paths: pre-format builds the tables, the download
// rewrites the code blocks, and the firmware boots from what was written and
// answers IDENTIFY with the identity the download patched in.
#include "firmware/firmware_fixture.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/transport/vendor_builders.h"
#include "qxlib/transport/vendor_command.h"
#include "sim/model/identify_data.h"
#include "sim/rack/state_file.h"

namespace qx::test {
namespace {

class DownloadChain : public FirmwareFixture {
protected:
    // The firmware runs after the enable command and answers IDENTIFY.
    void BootsWithWrittenIdentity(int slot) {
        Bytes page(PageSetBytes(config_));
        ASSERT_EQ(EnterFirmwareMode(slot, config_, page), 1);
        {
            auto hold = DriveOf(slot).Lock();
            ASSERT_EQ(DriveOf(slot).Model().state, sim::ControllerState::Firmware);
        }
        // The SATA path asks IDENTIFY; the controller's own USB interface
        // has none, so there the identity is read where the firmware keeps
        // it: the IDENTIFY template of its system memory image.
        Bytes identify(512);
        if (slot == kSataSlot) {
            ASSERT_TRUE(IdentifyDevice(slot, identify.data(), 1));
        } else {
            Bytes image(4096);
            ASSERT_EQ(VC_ReadMemory(slot, 3, 0, image.data(), 8), 1);
            identify = Slice(image, 0x04C, 512);
        }
        auto text = [&](std::size_t word, std::size_t chars) {
            std::string s(reinterpret_cast<const char*>(&identify[2 * word]), chars);
            SwapBytePairs(reinterpret_cast<std::uint8_t*>(s.data()), s.size());
            return s;
        };
        EXPECT_EQ(text(10, 20), "QX0123456789        ");
        EXPECT_EQ(text(27, 40), "Quorlix QX SSD 256GB                    ");
        EXPECT_EQ(text(23, 8), "FW1.02  ");
        // World wide name 123456789 under the OUI 00AB12.
        EXPECT_EQ(Slice(identify, 216, 8), Hex("0A 50 21 B1 45 23 89 67"));
    }
};

TEST_F(DownloadChain, FirmwareBootsFromTheWrittenCodeBlocksOnBothPaths) {
    for (bool lowPage : {false, true})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << (lowPage ? ", low-page" : ", normal"));
            config_.EnCodeBlockLowPage = lowPage;
            config_.LowPageType = 3;
            FillCodeBlockPageTables(config_);
            PrepareDrive(slot);
            // Pre-format left the information page and the tables: nothing to boot.
            {
                auto hold = DriveOf(slot).Lock();
                EXPECT_FALSE(sim::FirmwareBootable(DriveOf(slot).Model(), 1));
            }
            ASSERT_TRUE(Download(slot));
            {
                auto hold = DriveOf(slot).Lock();
                const sim::DriveModel& m = DriveOf(slot).Model();
                for (std::uint16_t block : m.cfg.codeBlocks)
                    EXPECT_TRUE(sim::CodeBlockBootable(m, block, 1)) << "code block " << block;
            }
            BootsWithWrittenIdentity(slot);
        }
}

// A drive put away in its firmware (a rack folder saved after the run)
// comes back answering with the identity the download gave it.
TEST_F(DownloadChain, ASavedDriveComesBackInItsFirmwareWithTheDownloadedIdentity) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        Bytes page(PageSetBytes(config_));
        ASSERT_EQ(EnterFirmwareMode(slot, config_, page), 1);
        const std::string file = dir_->file("drive" + std::to_string(slot) + ".state");
        auto hold = DriveOf(slot).Lock();
        const sim::DriveModel& before = DriveOf(slot).Model();
        ASSERT_TRUE(sim::SaveDriveState(before, file, nullptr));
        sim::DriveModel after(before.cfg);
        ASSERT_TRUE(sim::LoadDriveState(after, file, nullptr));
        EXPECT_EQ(after.state, sim::ControllerState::Firmware);
        const sim::Sector identify = sim::BuildIdentify(after);
        EXPECT_EQ(identify, sim::BuildIdentify(before));
        std::string serial(reinterpret_cast<const char*>(&identify[20]), 20);
        SwapBytePairs(reinterpret_cast<std::uint8_t*>(serial.data()), serial.size());
        EXPECT_EQ(serial, "QX0123456789        ");
    }
}

TEST_F(DownloadChain, EachDownloadCountsTheSequenceOn) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        // The factory firmware carried sequence 1.
        EXPECT_EQ(get_le16(NandPage(slot, 2, 0, 0).data() + 0x210), 2);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        for (const std::uint16_t block : std::array<std::uint16_t, 4>{0, 1, 2, 3}) {
            const Bytes info = NandPage(slot, block, 0, 0);
            EXPECT_EQ(get_le16(info.data() + 0x210), 3);
            EXPECT_EQ(info[0x1D], block) << "the page names its own block";
            EXPECT_EQ(NandPage(slot, block, 0, 1)[0x1D], 0);
            EXPECT_EQ(NandPage(slot, block, 0, 3)[0x18], 3);
        }
    }
}

// A program that answers busy for a poll or two before each action's result
// (as a real controller does while it works) still takes the whole download:
// the pre-format waits its busy polls out, and the code-block erase the
// download reads once without waiting is over by that read.
TEST_F(DownloadChain, AProgramBusyForSomePollsStillTakesTheDownload) {
    for (const int busyPolls : {1, 2})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << "busy polls " << busyPolls << ", slot " << slot);
            Drive(slot, [&](sim::DriveModel& m) {
                m.cfg.busyPolls = busyPolls;
                m.actions.clear();
            });
            const std::uint64_t start = clock_.NowMs();
            PrepareDrive(slot);
            EXPECT_GE(clock_.NowMs() - start, static_cast<std::uint64_t>(busyPolls) * 3000u)
                << "the pre-format was answered busy";
            EXPECT_TRUE(Download(slot));
            {
                auto hold = DriveOf(slot).Lock();
                const auto& actions = DriveOf(slot).Model().actions;
                ASSERT_FALSE(actions.empty());
                EXPECT_EQ(actions.back().action, 1);
                EXPECT_EQ(actions.back().flags & 0x10, 0x10) << "the erase before the download";
            }
            BootsWithWrittenIdentity(slot);
            Drive(slot, [](sim::DriveModel& m) { m.cfg.busyPolls = 0; });
        }
}

TEST_F(DownloadChain, NothingIsWrittenWhenTheProgramCannotBlankTheCodeBlocks) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.actionStatus = 0x0F; });   // action 1 fails
        EXPECT_FALSE(Download(slot));
        Drive(slot, [](sim::DriveModel& m) { m.cfg.actionStatus = 0; });
        EXPECT_EQ(Writes(slot), 0);
        // The tables pre-format left are still there.
        EXPECT_TRUE(HasCodeBlockTag(NandPage(slot, 0, 4, 0), kSystemPageTag));
    }
}

TEST_F(DownloadChain, FailedWriteEndsTheStepAtOnce) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        sim::FaultRule f;
        f.vendorSub = 0x8A;
        f.skip = slot == kSataSlot ? 2 * 5 : 5;   // the sixth page write (the SATA path: two requests each)
        f.count = 1;
        DriveOf(slot).AddFault(f);
        EXPECT_FALSE(Download(slot));
        DriveOf(slot).ClearFaults();
        EXPECT_EQ(Writes(slot), 5) << "no write after the failed one";
    }
}

TEST_F(DownloadChain, TransferModeForTheDownload) {
    struct Case {
        std::uint8_t before;
        bool forcePio;
        std::uint8_t after;
    };
    TransferMode = 2;
    for (const Case c : {Case{1, false, 2}, Case{2, false, 2}, Case{0, false, 0}, Case{2, true, 1}, Case{1, true, 1}}) {
        SetSlotTransferMode(kSataSlot, c.before);
        ForcePioTransfer = c.forcePio;
        UseFirmwareTransferMode(kSataSlot);
        EXPECT_EQ(TransferModeOf(kSataSlot), c.after) << int{c.before} << " force " << c.forcePio;
        EXPECT_EQ(TransferMode, 2) << "the settings' choice stays";
    }
    ForcePioTransfer = true;
    SeedSlotTransfer(kSataSlot);
    PrepareDrive(kSataSlot);
    ASSERT_TRUE(Download(kSataSlot));
    EXPECT_EQ(TransferModeOf(kSataSlot), 1);
    EXPECT_EQ(TransferMode, 2);
    BootsWithWrittenIdentity(kSataSlot);
}

}  // namespace
}  // namespace qx::test
