// The generated images on a simulated drive: the diagnostic program checks
// the parameter area the station wrote against the drive itself, and the
// firmware boots from the information page and the patched system firmware
// header page the station wrote into the code blocks.
#include <gtest/gtest.h>

#include <fstream>

#include "programs/program_fixture.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/error_items/test_result_decode.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_command.h"
#include "sim/model/drive_model.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

constexpr std::size_t kImage = 128 * 1024;

class GeneratedImagesOnADrive : public VendorFixture {
protected:
    void SetUp() override {
        VendorFixture::SetUp();
        SetGdpImagePath(std::string(QX_BIN_DIR) + "/GDP.bin");
        // The simulated NAND: 8 sectors a page, 256 pages, 2048 blocks, 4 channels, 2 CEs.
        config_ = ToggleConfig();
        config_.FlashTypeWord = 0x1011;
        DecodeFlashGeometry(config_, config_.FlashGeometry);
        for (int slot : kBothSlots) {
            auto hold = DriveOf(slot).Lock();
            DriveOf(slot).Model().cfg.busyPolls = 0;
        }
    }
    void TearDown() override {
        SetGdpImagePath("");
        for (int slot : kBothSlots) {
            DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks = {};
            DeviceSlots[static_cast<std::size_t>(slot)].CodeBlockCount = 0;
        }
        VendorFixture::TearDown();
    }

    void InLoader(int slot) {
        SetState(slot, sim::ControllerState::Loader);
        VendorModeOn(slot);
    }

    GlobalParameter settings_{};
};

TEST_F(GeneratedImagesOnADrive, DiagnosticProgramRunsOnlyWithAParameterAreaThatDescribesTheDrive) {
    struct Case {
        const char* what;
        void (*change)(FlashConfig&, DeviceSlot&);
        bool runs;
    };
    const Case cases[] = {
        {"this drive", [](FlashConfig&, DeviceSlot&) {}, true},
        {"its code blocks", [](FlashConfig&, DeviceSlot& s) { s.CodeBlocks = {2, 1, 0, 3}; }, true},
        {"fewer banks in use", [](FlashConfig& c, DeviceSlot&) { c.BankCount = 1; }, true},
        {"other channels", [](FlashConfig& c, DeviceSlot&) { c.ChannelCount = 2; }, false},
        {"more banks", [](FlashConfig& c, DeviceSlot&) { c.BankCount = 4; }, false},
        {"16-sector pages", [](FlashConfig& c, DeviceSlot&) { c.FlashTypeWord = 0x1012; }, false},
        {"128 pages a block", [](FlashConfig& c, DeviceSlot&) { c.FlashTypeWord = 0x1009; }, false},
        {"4096 blocks", [](FlashConfig& c, DeviceSlot&) { c.FlashTypeWord = 0x1051; }, false},
        {"other code blocks", [](FlashConfig&, DeviceSlot& s) { s.CodeBlocks = {4, 5, 6, 7}; }, false},
    };
    for (int slot : kBothSlots) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << ": " << c.what);
            FlashConfig config = config_;
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            s.CodeBlocks = {};
            c.change(config, s);
            InLoader(slot);
            Bytes copy(kImage);
            std::uint8_t flags = 0;
            ASSERT_TRUE(BootGdpProgram(slot, config, settings_, copy, &flags, 0));
            std::uint8_t status = 0;
            ASSERT_TRUE(VA_GDP_ExecProg(slot, 1, flags, &status, true));
            EXPECT_EQ(status, c.runs ? 0x0E : 0x0F);
            if (c.runs) continue;
            // The program could not build its tables, and says so.
            Bytes info(2048);
            ASSERT_TRUE(VA_ReadGdpErrorInfo(slot, info));
            std::string report;
            int item = 7;
            DecodeScanResult(info[0], std::span(info).subspan(1), config, report, &item);
            EXPECT_EQ(report, "Build Table Fail.\r\n");
            EXPECT_EQ(item, 52);
        }
    }
}

class FirmwareBoot : public GeneratedImagesOnADrive {
protected:
    // What a firmware download leaves in the code blocks: the information
    // page and, at the first bin page, the system firmware's header page
    // patched for this drive. Returns that header page.
    Bytes WriteFirmware(int slot) {
        DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
        s.CodeBlocks = {0, 1, 2, 3};
        s.CodeBlockCount = 4;
        s.SataSpeedBits = 0x0E;
        BinFileList bins{};
        bins.Count = 1;
        bins.SizesKB[0] = 32;
        Bytes info(InfoPageSetBytes(config_), 0);
        EXPECT_TRUE(PatchGdpParamArea(slot, config_, settings_, info));
        EXPECT_TRUE(BuildInfoPage(slot, config_, bins, info, 2));

        Bytes header(4096);
        std::ifstream(std::string(QX_BIN_DIR) + "/SYS_S.bin", std::ios::binary)
            .read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
        EXPECT_TRUE(IsSysBinHeaderPage(header));
        EXPECT_TRUE(BuildSysBinHeader(slot, config_, settings_, header));
        EXPECT_TRUE(BuildSysBinGeometry(slot, config_, bins, false, header));
        EXPECT_TRUE(BuildSysBinIdentity(slot, config_, settings_, header, "QX0123456789", "123456789"));

        auto hold = DriveOf(slot).Lock();
        sim::DriveModel& m = DriveOf(slot).Model();
        for (std::uint16_t block : s.CodeBlocks)
            for (std::uint8_t ch = 0; ch < config_.ChannelCount; ++ch) {
                m.nand.Erase(ch, 0, block);
                m.nand.Program({ch, 0, block, 0}, std::span(info).subspan(ch * header.size(), header.size()));
                m.nand.Program({ch, 0, block, bins.Placements[0].StartPage}, header);
            }
        return header;
    }
};

TEST_F(FirmwareBoot, AnswersIdentifyFromThePatchedTemplate) {
    const Bytes header = WriteFirmware(kSataSlot);
    InLoader(kSataSlot);
    Bytes page(InfoPageSetBytes(config_));
    ASSERT_EQ(EnterFirmwareMode(kSataSlot, config_, page), 1);

    Bytes identify(512);
    ASSERT_TRUE(IdentifyDevice(kSataSlot, identify.data(), 1));
    for (int w = 0; w < 256; ++w) {
        if (w == 60 || w == 61 || (w >= 100 && w <= 103) || w == 255) continue;   // the firmware's own
        EXPECT_EQ(Slice(identify, 2 * static_cast<std::size_t>(w), 2), Slice(header, 0x4C + 2 * static_cast<std::size_t>(w), 2))
            << "word " << w;
    }
    std::string model(reinterpret_cast<const char*>(&identify[54]), 40);
    SwapBytePairs(reinterpret_cast<std::uint8_t*>(model.data()), model.size());
    EXPECT_EQ(model, "Quorlix QX SSD 256GB                    ");
    EXPECT_EQ(GetCapacityFromIdentify(kSataSlot), DriveOf(kSataSlot).CapacitySectors());
}

TEST_F(FirmwareBoot, SystemInformationReadsBackWhatWasWritten) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        const Bytes header = WriteFirmware(slot);
        InLoader(slot);
        Bytes page(InfoPageSetBytes(config_));
        ASSERT_EQ(EnterFirmwareMode(slot, config_, page), 1);
        DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks = {};

        FlashConfig read{};
        BinFileList bins{};
        SystemInfo info{};
        Bytes buffer(kSystemInfoBufferBytes);
        ASSERT_TRUE(ReadSystemInfo(slot, read, bins, info, buffer));
        EXPECT_EQ(DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks, (std::array<std::uint16_t, 4>{0, 1, 2, 3}));
        EXPECT_EQ(Slice(Bytes(info.SystemHeaderCopy.begin(), info.SystemHeaderCopy.end()), 0, 64), Slice(header, 0x300, 64));
        EXPECT_STREQ(info.HeaderModel, "849");
        EXPECT_STREQ(info.HeaderVariant, "43");
        EXPECT_EQ(read.FlashTypeWord, config_.FlashTypeWord);
        EXPECT_EQ(read.ChannelCount, config_.ChannelCount);
        EXPECT_EQ(read.BankCount, config_.BankCount);
        EXPECT_EQ(read.SizeCode, config_.SizeCode);
        EXPECT_EQ(read.ResPercentage, config_.ResPercentage);
        EXPECT_STREQ(read.PartNumber, config_.PartNumber);
        EXPECT_EQ(read.SyncTiming, config_.SyncTiming);
        EXPECT_EQ(read.FlashGeometry.BankMap, config_.FlashGeometry.BankMap);
        EXPECT_EQ(bins.Count, 1);
        EXPECT_EQ(bins.Placements[0].StartPage, 8);
    }
}

}  // namespace
}  // namespace qx::test
