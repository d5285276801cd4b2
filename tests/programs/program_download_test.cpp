// Booting a controller program on a simulated drive in its loader: the
// exact request sequence on both paths and in each transfer mode, what the
// image carries, and how failures end the boot.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "programs/program_fixture.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/programs/program_paths.h"
#include "support/temp_dir.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

constexpr std::size_t kImage = 128 * 1024;

class ProgramDownload : public VendorFixture {
protected:
    ProgramDownload() { logUse_ = LogUse::RequestsWithData; }

    void SetUp() override {
        VendorFixture::SetUp();
        config_ = ToggleConfig();
        file_ = Image("GDP_", 40 * 1024);
        SetGdpImagePath(Write("GDP.bin", file_));
        SetTestImagePath(Write("satatest.bin", Image("TST_", 24 * 1024)));
    }
    void TearDown() override {
        SetGdpImagePath("");
        SetTestImagePath("");
        VendorFixture::TearDown();
    }

    // A drive in its loader that the port scan put into vendor mode.
    void InLoader(int slot) {
        SetState(slot, sim::ControllerState::Loader);
        VendorModeOn(slot);
    }

    // size bytes of a counting pattern with the kind tag at 768.
    static Bytes Image(const char* tag, std::size_t size) {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 1);
        std::copy_n(tag, 4, b.begin() + 768);
        return b;
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir_.file(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // The image as the drive received it: every memory write's data, in order.
    Bytes DataOf(int slot, std::uint8_t sub) const {
        Bytes out;
        for (const sim::LoggedRequest& r : Requests(slot)) {
            const std::string w = Word(r);
            const bool usbData = slot == kUsbSlot && r.cdb.size() > 2 && r.cdb[0] == 0xFF && r.cdb[2] == sub;
            char tunnel[4];
            std::snprintf(tunnel, sizeof tunnel, ">%02X", sub);
            if (usbData || w == tunnel) out.insert(out.end(), r.dataOut.begin(), r.dataOut.end());
        }
        return out;
    }

    static Texts Expected(int slot, int chunks) {
        const bool sata = slot == kSataSlot;
        Texts t{"V83"};
        if (sata) t.push_back("SF51");
        for (int i = 0; i < chunks; ++i) {
            for (const char* w : {"V87", ">87", "V86", "<86"})
                if (sata || w[0] == 'V') t.push_back(w);
        }
        t.push_back("V82");
        if (sata) t.push_back("SF51");
        return t;
    }

    TempDir dir_;
    Bytes file_;
    GlobalParameter settings_{};
};

TEST_F(ProgramDownload, DiagnosticProgramGoesInChunksOfTheTransferModeAndRuns) {
    struct Case {
        std::uint8_t mode;
        int chunks;
    };
    for (int slot : kBothSlots) {
        for (const Case& c : {Case{2, 2}, Case{1, 4}, Case{0, 4}}) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << " mode " << int{c.mode});
            InLoader(slot);
            ClearLog();
            TransferMode = c.mode;
            Bytes copy(kImage, 0xAB);
            std::uint8_t flags = 0xFF;
            ASSERT_TRUE(BootGdpProgram(slot, config_, settings_, copy, &flags, 0));
            EXPECT_EQ(flags, 0);
            EXPECT_EQ(Sent(slot), Expected(slot, c.chunks));

            // Each chunk is written at its place in code memory and read back from it.
            const std::uint32_t chunk = c.mode == 2 ? 0x10000 : 0x8000;
            std::uint32_t at = 0x40000000;
            for (const auto& block : VendorBlocks(slot)) {
                if (block[2] != 0x87 && block[2] != 0x86) continue;
                EXPECT_EQ(block[3], 3);
                EXPECT_EQ(get_be32(&block[4]), at);
                if (block[2] == 0x86) at += chunk;
            }
            EXPECT_EQ(at, 0x40000000 + kImage);
            for (const sim::LoggedRequest& r : Requests(slot)) {
                if (Word(r) == ">87" || (slot == kUsbSlot && Word(r) == "V87")) {
                    EXPECT_EQ(r.wireLength, chunk);
                }
            }

            // The file, its parameter area patched, 0x66 up to 128 KB; the caller gets the same.
            Bytes expected(kImage, 0x66);
            std::copy(file_.begin(), file_.end(), expected.begin());
            Bytes patched = expected;
            DeviceSlots[static_cast<std::size_t>(slot)].CodeBlocks = {};
            ASSERT_TRUE(PatchGdpParamArea(slot, config_, settings_, patched));
            ASSERT_TRUE(PatchMapTableBlock(slot, config_, patched));
            const Bytes sent = DataOf(slot, 0x87);
            ASSERT_EQ(sent.size(), kImage);
            EXPECT_EQ(sent, patched);
            EXPECT_NE(Slice(sent, 0x500, 0x78), Slice(expected, 0x500, 0x78));
            EXPECT_EQ(Slice(sent, 0, 0x500), Slice(expected, 0, 0x500));
            EXPECT_EQ(Slice(sent, 0x578, kImage - 0x578), Slice(expected, 0x578, kImage - 0x578));
            EXPECT_EQ(copy, sent);

            auto hold = DriveOf(slot).Lock();
            EXPECT_EQ(DriveOf(slot).Model().state, sim::ControllerState::ProgramRunning);
            EXPECT_EQ(DriveOf(slot).Model().program, sim::ProgramKind::Diagnostic);
        }
    }
}

TEST_F(ProgramDownload, TestProgramAndHalfPageFlag) {
    for (int slot : kBothSlots) {
        InLoader(slot);
        Bytes copy(kImage, 0);
        ASSERT_TRUE(BootTestProgram(slot, config_, settings_, copy, 0));
        auto hold = DriveOf(slot).Lock();
        EXPECT_EQ(DriveOf(slot).Model().program, sim::ProgramKind::Test);
    }
    config_.HalfPages = 1;
    InLoader(kSataSlot);
    Bytes copy(kImage, 0);
    std::uint8_t flags = 0;
    ASSERT_TRUE(BootGdpProgram(kSataSlot, config_, settings_, copy, &flags, 0));
    EXPECT_EQ(flags, kBootFlagHalfPages);
}

TEST_F(ProgramDownload, OtherImagesGoUnpatchedAndLeaveTheCopyAlone) {
    Bytes firmware = Image("QXSS", 200 * 1024);   // longer than 128 KB: cut there
    const std::string path = Write("SYS_TEST.bin", firmware);
    for (int slot : kBothSlots) {
        SetState(slot, sim::ControllerState::DownloadReady);
        VendorModeOn(slot);
        ClearLog();
        Bytes copy(kImage, 0xAB);
        ASSERT_TRUE(DownloadProgramImage(slot, config_, settings_, copy, path, 0));
        EXPECT_EQ(DataOf(slot, 0x87), Slice(firmware, 0, kImage));
        EXPECT_EQ(copy, Bytes(kImage, 0xAB));
    }
}

TEST_F(ProgramDownload, FailuresEndTheBootAtOnce) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        // No image file: vendor mode 10, then nothing.
        InLoader(slot);
        ClearLog();
        SetGdpImagePath(dir_.file("missing.bin"));
        Bytes copy(kImage, 0xAB);
        std::uint8_t flags = 0xFF;
        EXPECT_FALSE(BootGdpProgram(slot, config_, settings_, copy, &flags, 0));
        EXPECT_EQ(flags, 0);
        EXPECT_EQ(Sent(slot), (slot == kSataSlot ? Texts{"V83", "SF51"} : Texts{"V83"}));
        EXPECT_EQ(copy, Bytes(kImage, 0xAB));

        // The second chunk's write is refused: no read-back of it, no jump. (Through
        // the tunnel a command has two requests, the command sector and its data.)
        SetGdpImagePath(Write("GDP.bin", file_));
        InLoader(slot);
        ClearLog();
        DriveOf(slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails).OnVendorSub(0x87).Skip(slot == kSataSlot ? 2 : 1));
        EXPECT_FALSE(BootGdpProgram(slot, config_, settings_, copy, &flags, 0));
        DriveOf(slot).ClearFaults();
        const Texts sent = Sent(slot);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "V86"), 1);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "V82"), 0);
        EXPECT_TRUE(Traced("FAILED(VA_WriteCodeToMem)\r\n"));
    }
}

TEST_F(ProgramDownload, DumpsTheImagesWhenAsked) {
    TempDir work(true);
    InLoader(kUsbSlot);
    Bytes copy(kImage, 0);
    std::uint8_t flags = 0;
    settings_.EnBuildModifiedGDP = 1;   // written even with dumps off
    ASSERT_TRUE(BootGdpProgram(kUsbSlot, config_, settings_, copy, &flags, 0));
    EXPECT_EQ(std::filesystem::file_size("M_GDP.raw"), kImage);
    EXPECT_FALSE(std::filesystem::exists("11_WCM.raw"));

    DumpDebugFile = true;
    settings_.EnBuildModifiedGDP = 0;
    std::filesystem::remove("M_GDP.raw");
    InLoader(kUsbSlot);
    ASSERT_TRUE(BootGdpProgram(kUsbSlot, config_, settings_, copy, &flags, 0));
    EXPECT_EQ(std::filesystem::file_size("11_WCM.raw"), kImage);
    EXPECT_FALSE(std::filesystem::exists("M_GDP.raw"));
    // One numbered copy per download; the counter is program-wide.
    int numbered = 0;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().starts_with("11_WCM_")) ++numbered;
    EXPECT_EQ(numbered, 1);
}

}  // namespace
}  // namespace qx::test
