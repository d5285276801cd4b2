#include "results_fixture.h"

#include "sim/model/drive_model.h"
#include "station/results/free_block_columns.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

TEST(FreeBlockCounts, EntriesWithIdEBInTableOrder) {
    std::vector<std::uint8_t> smart(512, 0);
    auto entry = [&](std::size_t e, std::uint8_t id, std::uint8_t hi, std::uint8_t lo) {
        smart[2 + e * 12] = id;
        smart[2 + e * 12 + 7] = hi;
        smart[2 + e * 12 + 8] = lo;
    };
    entry(0, 0xEB, 0x01, 0x23);
    entry(1, 0x09, 0x55, 0x55);
    entry(29, 0xEB, 0x00, 0x07);
    entry(30, 0xEB, 0x00, 0x09);   // past the 30 entries
    EXPECT_EQ(station::FreeBlockCounts(smart), (std::vector<int>{291, 7}));
    EXPECT_TRUE(station::FreeBlockCounts(std::span<const std::uint8_t>(smart).first(100)).size() == 1);
}

class FreeBlockRows : public VendorFixture {
protected:
    FreeBlockRows() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        VendorFixture::SetUp();
        dir_ = std::make_unique<TempDir>();
        logDir_ = dir_->path().string() + "/";
        writer_.SetLogDir(logDir_);
        writer_.SetTimeSource([] { return kRunEnd; });
        writer_.SetRunLabels({});
        for (int port : {kSataSlot, kUsbSlot}) {
            ports_[static_cast<std::size_t>(port)].Connected = 1;
            ports_[static_cast<std::size_t>(port)].OverallResult = kResultPass;
        }
        portCount_ = 2;
        settings_.TestItemEnable[kItemDownload] = 1;
        settings_.EnDumpFreeBlockInfo = 1;
    }
    // SMART raw bytes 5..10 of an entry are the raw value, low byte first;
    // the free-block count is read from entry bytes 7 and 8.
    void FreeBlockAttribute(int slot, int count) {
        auto hold = DriveOf(slot).Lock();
        const auto raw = static_cast<std::uint64_t>(count >> 8) << 16 | static_cast<std::uint64_t>(count & 0xFF) << 24;
        DriveOf(slot).Model().smart.push_back({0xEB, 100, 0, raw});
    }
    std::vector<std::string> Rows() {
        const std::string text = ReadBytes(logDir_ + "20150614_000.txt");
        std::vector<std::string> rows;
        for (std::size_t at = text.find("\r\n") + 2, end; (end = text.find("\r\n", at)) != std::string::npos;
             at = end + 2) {
            rows.push_back(text.substr(at, end - at));
        }
        return rows;
    }

    UtcZone utc_;
    std::unique_ptr<TempDir> dir_;
    std::string logDir_;
    GlobalParameter settings_{};
    std::array<PortRecord, kPortCount> ports_{};
    int portCount_ = 0;
    ui::ScriptedPrompter prompter_;
    station::StationResults writer_{{settings_, ports_, portCount_, config_, prompter_}};
};

TEST_F(FreeBlockRows, SataDriveInFirmwareGivesItsCountsUsbDriveNone) {
    for (int slot : {kSataSlot, kUsbSlot}) {
        DriveOf(slot).SetState(sim::ControllerState::Firmware);
        FreeBlockAttribute(slot, 291);
    }
    FreeBlockAttribute(kSataSlot, 7);
    writer_.SelectProductionLogFile();
    station::RunInfo run;
    ASSERT_TRUE(writer_.WriteProductionLog(run));
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].ends_with("Pass\t\t000291\t000007")) << rows[0];
    EXPECT_TRUE(rows[1].ends_with("Pass\t")) << rows[1];
}

TEST_F(FreeBlockRows, DriveInItsLoaderIsTakenIntoItsFirmwareFirst) {
    FreeBlockAttribute(kSataSlot, 291);
    VendorModeOn(kSataSlot);
    {
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().cfg.bootDelayMs = 2000;
    }
    writer_.SelectProductionLogFile();
    station::RunInfo run;
    ASSERT_TRUE(writer_.WriteProductionLog(run));
    EXPECT_EQ(DriveOf(kSataSlot).State(), sim::ControllerState::Firmware);
    EXPECT_TRUE(Rows()[0].ends_with("Pass\t\t000291")) << Rows()[0];
}

TEST_F(FreeBlockRows, LoaderThatNeverHandsOverGivesNoCountsButItsRow) {
    FreeBlockAttribute(kSataSlot, 291);
    VendorModeOn(kSataSlot);
    {
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().cfg.neverBoots = true;
    }
    writer_.SelectProductionLogFile();
    station::RunInfo run;
    ASSERT_TRUE(writer_.WriteProductionLog(run));
    ASSERT_EQ(Rows().size(), 2u);
    EXPECT_TRUE(Rows()[0].ends_with("Pass\t")) << Rows()[0];
}

TEST_F(FreeBlockRows, OnlyWithDownloadAndTheSwitch) {
    DriveOf(kSataSlot).SetState(sim::ControllerState::Firmware);
    FreeBlockAttribute(kSataSlot, 291);
    writer_.SelectProductionLogFile();
    for (auto [download, dump] : {std::pair{0, 1}, std::pair{1, 0}}) {
        settings_.TestItemEnable[kItemDownload] = static_cast<std::uint8_t>(download);
        settings_.EnDumpFreeBlockInfo = static_cast<std::uint8_t>(dump);
        station::RunInfo run;
        ASSERT_TRUE(writer_.WriteProductionLog(run));
        EXPECT_TRUE(Rows().back().ends_with("Pass\t"));
    }
    EXPECT_TRUE(Log().empty()) << "the drive is not asked";
}

}  // namespace
}  // namespace qx::test
