// Two drives worked on at once: what one slot's firmware download or table
// read-back changes stays with that slot, and the other slot's requests go
// out exactly as they did before.
#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "firmware/firmware_fixture.h"
#include "qxlib/firmware/firmware_upload.h"
#include "qxlib/vendor_access/v_access.h"

namespace qx::test {
namespace {

class ParallelSlots : public FirmwareFixture {
protected:
    ParallelSlots() { logUse_ = LogUse::Requests; }   // these tests read what each drive was sent

    void SetUp() override {
        FirmwareFixture::SetUp();
        AddExtraDrive(DriveOf(kSataSlot).Config());
    }

    // The protocol byte and ATA command of every tunnel transfer one drive
    // got, as "08/8A" pairs.
    std::set<std::string> TunnelCodes(const std::string& path) const {
        std::set<std::string> codes;
        for (const sim::LoggedRequest& r : rack_.Log().For(path)) {
            const auto& c = r.cdb;
            if (c.size() < 10 || c[0] != 0xA1 || c[6] != 0x34 || c[7] != 0x12) continue;
            char code[8];
            std::snprintf(code, sizeof code, "%02X/%02X", c[1], c[9]);
            codes.insert(code);
        }
        return codes;
    }

    // Register traffic of the loader: a reply read (data in) and a write
    // (command only) each round.
    static bool RegisterRound(int slot) {
        std::uint8_t value = 0;
        return VA_ReadRegister(slot, 0xB8000004, &value) && VA_WriteRegister(slot, 0xB8000008, value);
    }
};

TEST_F(ParallelSlots, OneSlotsFirmwareDownloadLeavesTheOtherSlotsTunnelAlone) {
    TransferMode = 1;          // the settings chose the controller's PIO tunnel
    ForcePioTransfer = false;
    SeedSlotTransfer(kSataSlot);
    SeedSlotTransfer(kExtraSlot);
    PrepareDrive(kSataSlot);
    rack_.Log().Clear();

    std::atomic<bool> downloaded{false};
    std::atomic<int> failedRounds{0};
    std::thread other([&] {
        while (!downloaded.load())
            if (!RegisterRound(kExtraSlot)) ++failedRounds;
    });
    const bool ok = Download(kSataSlot);
    downloaded = true;
    other.join();
    ASSERT_TRUE(ok);
    // And after the download, with its slot on the UDMA tunnel for good.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(RegisterRound(kExtraSlot));
    EXPECT_EQ(failedRounds.load(), 0);

    // The downloading slot moved its data through the UDMA tunnel once the
    // program was booted again; the other slot never left the PIO one.
    EXPECT_EQ(TunnelCodes(sataPath_), (std::set<std::string>{"08/8A", "0A/8F", "14/86", "16/88"}));
    EXPECT_EQ(TunnelCodes(extraPath_), (std::set<std::string>{"08/8A", "0A/8F"}));
    EXPECT_EQ(TransferModeOf(kSataSlot), 2);
    EXPECT_EQ(TransferModeOf(kExtraSlot), 1);
    EXPECT_EQ(TransferMode, 1) << "the settings' choice is no drive's to change";
}

TEST_F(ParallelSlots, OneSlotsTableReadBackTurnsOnDumpsForThatSlotOnly) {
    DumpDebugFile = false;
    PrepareDrive(kSataSlot);
    ASSERT_TRUE(ReadBackTablePages(kSataSlot, Ctx()));
    EXPECT_TRUE(std::filesystem::exists(dir_->file("10_TPR_00_00.raw")));
    EXPECT_FALSE(DumpDebugFile);

    // Booting the program dumps the image it sent: only for the read-back slot.
    const std::string image = dir_->file("11_WCM.raw");
    std::filesystem::remove(image);
    ASSERT_TRUE(GetCodeBlockList(kExtraSlot, Ctx()));
    EXPECT_FALSE(std::filesystem::exists(image)) << "the other slot follows the settings";
    ASSERT_TRUE(GetCodeBlockList(kSataSlot, Ctx()));
    EXPECT_TRUE(std::filesystem::exists(image));

    // A new run on the slot follows the settings again.
    SeedSlotTransfer(kSataSlot);
    std::filesystem::remove(image);
    ASSERT_TRUE(GetCodeBlockList(kSataSlot, Ctx()));
    EXPECT_FALSE(std::filesystem::exists(image));
}

}  // namespace
}  // namespace qx::test
