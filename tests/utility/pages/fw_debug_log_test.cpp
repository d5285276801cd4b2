// The firmware log ring decoder, the log places, the log-file decoder and
// the log reads from a simulated drive's controller memory.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "qxlib/settings/global_parameter.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/settings/flash_geometry.h"
#include "support/temp_dir.h"
#include "support/vendor_fixture.h"
#include "ui/scripted_prompter.h"
#include "utility/pages/fw_debug_log.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using utility::DecodeUartRing;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(UartRing, UnwrappedRingReadsFromTheStart) {
    Bytes ring = Text("boot");
    ring.insert(ring.end(), {0xEA, 0x01, 0x00, 0x02, 0x00});
    for (char c : std::string("ok")) ring.push_back(static_cast<std::uint8_t>(c));
    ring.push_back(0);   // NUL adds nothing
    EXPECT_EQ(DecodeUartRing(ring, 0), (Lines{"boot", "[0001, 0002]ok"}));
}

TEST(UartRing, WrappedRingReadsOldestFirst) {
    // Written "abc" then "de" over the start: the write index is 2.
    const Bytes ring = Text("decab");
    EXPECT_EQ(DecodeUartRing(ring, 2), (Lines{"cabde"}));
}

TEST(UartRing, LineEndNearTheEndTakesItsValuesAcrossTheWrap) {
    // 0xEA two bytes before the end: its four value bytes are the last one
    // and the first three.
    const Bytes ring = {0x12, 0x00, 'x', 'y', 0xEA, 0x07, 0x00};
    EXPECT_EQ(DecodeUartRing(ring, 2), (Lines{"xy", "[0007, 0018]"}));
}

TEST(UartRing, StartOutsideTheRingReadsFromZero) {
    EXPECT_EQ(DecodeUartRing(Text("abc"), 3), (Lines{"abc"}));
    EXPECT_EQ(DecodeUartRing(Text("abc"), 0xFFFFFFFF), (Lines{"abc"}));
    EXPECT_EQ(DecodeUartRing({}, 5), (Lines{""}));
}

TEST(UartRing, EndsOnAnyRing) {
    std::mt19937 random(1234);
    for (int round = 0; round < 2000; ++round) {
        Bytes ring(random() % 300);
        for (std::uint8_t& b : ring) b = random() % 4 == 0 ? 0xEA : static_cast<std::uint8_t>(random());
        const auto start = static_cast<std::uint32_t>(random() % 2 ? random() : random() % (ring.size() + 2));
        const Lines lines = DecodeUartRing(ring, start);
        std::size_t chars = 0;
        for (const std::string& l : lines) chars += l.size();
        // One turn: never more text than the ring's bytes plus the prefixes.
        EXPECT_LE(chars, ring.size() + 12 * lines.size());
        EXPECT_LE(lines.size(), ring.size() + 1);
    }
}

TEST(UartRing, StartFromTheErrorLogHeader) {
    Bytes header(64, 0);
    header[16] = 0x34;
    header[17] = 0x12;
    EXPECT_EQ(utility::UartRingStart(header), 0u);   // head mark 0: not wrapped
    header[26] = 1;
    EXPECT_EQ(utility::UartRingStart(header), 0x1234u);
    EXPECT_EQ(utility::UartRingStart(Bytes(20, 0)), 0u);
}

TEST(LogPlaces, LayoutSizesOnlyWhenTheyFit) {
    utility::DramLayoutInfo layout = {0, 1, 2, 3, 4, 0xE0000, 1024, 0xE1000, 4096};
    utility::LogPlaces p = utility::LogPlacesOf(layout);
    EXPECT_EQ(p.errLogAddr, 0xE0000u);
    EXPECT_EQ(p.errLogSize, 1024u);
    EXPECT_EQ(p.uartLogAddr, 0xE1000u);
    EXPECT_EQ(p.uartLogSize, 4096u);
    layout[6] = 0;
    layout[8] = 128 * 1024 + 1;
    p = utility::LogPlacesOf(layout);
    EXPECT_EQ(p.errLogAddr, 0xDC000u);
    EXPECT_EQ(p.errLogSize, 2048u);
    EXPECT_EQ(p.uartLogAddr, 0xDC800u);
    EXPECT_EQ(p.uartLogSize, 8192u);
}

TEST(SpiLog, KnowsItsTags) {
    EXPECT_TRUE(utility::IsSpiLogTag(Text("QX849V00-002 and more")));
    EXPECT_FALSE(utility::IsSpiLogTag(Text("QX849V00-004")));
    EXPECT_FALSE(utility::IsSpiLogTag(Text("QX849")));
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(LogFileDecoder, ComplementsEveryByteAndRestoresOnSecondPass) {
    TempDir dir;
    std::string bytes = "abc";
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    std::ofstream(dir.file("log.bin"), std::ios::binary) << bytes;
    ASSERT_TRUE(utility::DecodeLogFile(dir.file("log.bin"), dir.file("log.bin.decode")));
    const std::string once = ReadAll(dir.file("log.bin.decode"));
    ASSERT_EQ(once.size(), bytes.size());
    EXPECT_EQ(once.substr(0, 3), "\x9E\x9D\x9C");
    ASSERT_TRUE(utility::DecodeLogFile(dir.file("log.bin.decode"), dir.file("again")));
    EXPECT_EQ(ReadAll(dir.file("again")), bytes);
    // An outside judge: cmp finds the round trip identical.
    EXPECT_EQ(std::system(("cmp -s " + dir.file("log.bin") + " " + dir.file("again")).c_str()), 0);
}

TEST(LogFileDecoder, ButtonReportsSuccessAndFailure) {
    TempDir dir;
    ui::ScriptedPrompter prompter;
    utility::OpenDialogState dialog;
    utility::DecodeLogFileBnClick(prompter, dialog, dir.path().string());   // cancelled: nothing more
    ASSERT_EQ(prompter.Records().size(), 1u);
    const ui::FileRequest asked = prompter.Records()[0].file;
    EXPECT_EQ(asked.kind, ui::FileDialogKind::Open);
    EXPECT_EQ(asked.defaultExt, "*.*");
    EXPECT_EQ(asked.filter, "log file(*.*)|*.*");
    EXPECT_EQ(asked.folder, dir.path().string());

    std::ofstream(dir.file("empty.log"), std::ios::binary).close();
    prompter.Clear();
    prompter.Answer(std::optional<std::string>(dir.file("empty.log")));
    utility::DecodeLogFileBnClick(prompter, dialog, dir.path().string());
    EXPECT_EQ(prompter.Texts().back(),
              "Decode the encryptfile to the file (" + dir.file("empty.log.decode") + ") successfully");
    EXPECT_TRUE(std::filesystem::exists(dir.file("empty.log.decode")));
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.log.decode")), 0u);

    prompter.Clear();
    prompter.Answer(std::optional<std::string>(dir.file("missing.log")));
    utility::DecodeLogFileBnClick(prompter, dialog, dir.path().string());
    const auto records = prompter.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].caption, "Error");
    EXPECT_EQ(records[1].text.find("successfully"), std::string::npos);

    // Inputs that cannot be read: a folder, a file without read permission.
    std::filesystem::create_directory(dir.file("folder.log"));
    std::ofstream(dir.file("locked.log"), std::ios::binary) << "secret";
    std::filesystem::permissions(dir.file("locked.log"), std::filesystem::perms::none);
    const bool lockedReadable = static_cast<bool>(std::ifstream(dir.file("locked.log")));   // root reads anyway
    for (const char* name : {"folder.log", "locked.log"}) {
        SCOPED_TRACE(name);
        if (std::string(name) == "locked.log" && lockedReadable) continue;
        prompter.Clear();
        prompter.Answer(std::optional<std::string>(dir.file(name)));
        EXPECT_NO_THROW(utility::DecodeLogFileBnClick(prompter, dialog, dir.path().string()));
        ASSERT_EQ(prompter.Records().size(), 2u);
        EXPECT_EQ(prompter.Records()[1].caption, "Error");
        EXPECT_EQ(prompter.Records()[1].text,
                  "Can't decode the file (" + dir.file(name) + ") to the file (" + dir.file(name) + ".decode)");
    }

    prompter.Clear();
    std::ofstream(dir.file("ok.log"), std::ios::binary) << "x";
    std::filesystem::create_directory(dir.file("ok.log.decode"));   // the output cannot be created
    prompter.Answer(std::optional<std::string>(dir.file("ok.log")));
    utility::DecodeLogFileBnClick(prompter, dialog, dir.path().string());
    EXPECT_EQ(prompter.Records().back().caption, "Error");
}

// Mode 1 on a simulated drive: the error log and UART ring in controller
// memory at the default places.
class FwLogDriveTest : public VendorFixture {
protected:
    void SetUp() override {
        VendorFixture::SetUp();
        FirmwareDrives({kSataSlot});
    }
    void PutMemory(std::uint32_t address, const Bytes& bytes) {
        auto hold = DriveOf(kSataSlot).Lock();
        auto& memory = DriveOf(kSataSlot).Model().firmwareDram;
        const std::size_t at = address - sim::kFirmwareDramBase;
        if (memory.size() < at + bytes.size()) memory.resize(at + bytes.size(), 0);
        std::copy(bytes.begin(), bytes.end(), memory.begin() + static_cast<std::ptrdiff_t>(at));
    }
    GlobalParameter settings_{};
    Bytes buffer_ = Bytes(128 * 1024, 0);
    ui::ScriptedPrompter prompter_;
};

TEST_F(FwLogDriveTest, ModeOneDecodesTheRingAtTheDefaultPlaces) {
    Bytes header(2048, 0);
    std::memcpy(header.data(), "ErLog01", 7);
    header[16] = 4;    // write index
    header[26] = 1;    // wrapped
    PutMemory(0xDC000, header);
    Bytes ring(8192, ' ');
    const std::string text = "new";
    std::copy(text.begin(), text.end(), ring.begin());
    const std::string old = "old";
    std::copy(old.begin(), old.end(), ring.begin() + 4);
    ring[7] = 0xEA;
    PutMemory(0xDC800, ring);
    const utility::FwDebugLogPage page =
        utility::ShowFWDebugMessage(kSataSlot, 1, false, config_, settings_, buffer_, prompter_);
    EXPECT_TRUE(page.TabSheet8Visible);
    ASSERT_EQ(page.UartLogMemo.size(), 2u);
    EXPECT_EQ(page.UartLogMemo[0], "old");
    EXPECT_EQ(page.UartLogMemo[1].substr(0, 12), "[8224, 8224]");
    EXPECT_EQ(page.UartLogMemo[1].substr(page.UartLogMemo[1].size() - 4), "new ");
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(FwLogDriveTest, LayoutQueryTracesThePlaces) {
    utility::ShowFWDebugMessage(kSataSlot, 1, true, config_, settings_, buffer_, prompter_);
    const auto has = [&](const std::string& line) {
        return std::find(traces_.begin(), traces_.end(), line) != traces_.end();
    };
    EXPECT_TRUE(has("pDramLayoutInfo->SysInfoAddr = d0000")) << ::testing::PrintToString(traces_) << ::testing::PrintToString(Bytes(buffer_.begin(), buffer_.begin() + 16)) << int(DriveOf(kSataSlot).State());
    EXPECT_TRUE(has("pDramLayoutInfo->DbgUartLogSize = 2000"));
    EXPECT_TRUE(has("pDbgErrLog->dwDbgLogIdx = 0"));
    EXPECT_TRUE(has("pDbgErrLog->wDbgLogHeadMark = 0"));
}

TEST_F(FwLogDriveTest, UsbPathSkipsTheLayoutQuery) {
    SetState(kUsbSlot, sim::ControllerState::Firmware);
    const utility::FwDebugLogPage page =
        utility::ShowFWDebugMessage(kUsbSlot, 1, true, config_, settings_, buffer_, prompter_);
    for (const auto& block : VendorBlocks(kUsbSlot, 16)) EXPECT_NE(block.size() > 2 ? block[2] : 0, 0x20);
    EXPECT_TRUE(page.TabSheet8Visible);
}

TEST_F(FwLogDriveTest, FailedGdpBootIsATagError) {
    // No GDP image where the path points: the boot fails, so no tag is read.
    TempDir dir;
    ui::ScriptedPrompter prompter;
    const utility::FwDebugLogPage page =
        utility::ReadFwDebugMsgGDPClick(kSataSlot, dir.path().string(), false, config_, settings_, buffer_, prompter);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"<WARNING> Can't find file : " + dir.file("GDP.bin")}));
    EXPECT_TRUE(page.UartLogMemo.empty());

    std::ofstream(dir.file("GDP.bin"), std::ios::binary) << "not a program";
    std::memcpy(buffer_.data(), "QX849V00-001", 12);   // a stale tag must not count
    prompter.Clear();
    const utility::FwDebugLogPage booted =
        utility::ReadFwDebugMsgGDPClick(kSataSlot, dir.path().string(), false, config_, settings_, buffer_, prompter);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"SPI TAG is error"}));
    EXPECT_TRUE(booted.UartLogMemo.empty());
    EXPECT_EQ(config_.ChannelCount, 4);
    EXPECT_EQ(config_.FlashTypeWord, 0x2813);
}

}  // namespace
}  // namespace qx::test

namespace qx::test {
namespace {

// Mode 2: the loader boots the GDP program, which reads the firmware's SPI
// copies of its logs.
class SpiLogDriveTest : public FwLogDriveTest {
protected:
    void SetUp() override {
        FwLogDriveTest::SetUp();
        SetState(kSataSlot, sim::ControllerState::Loader);
        VendorModeOn(kSataSlot);
        // The GDP program runs only on a drive its parameter area describes:
        // the geometry mode 2 sets (type word 2813h, 4 channels, 4 banks,
        // 32-sector pages).
        FlashConfig gdp{};
        gdp.FlashTypeWord = 0x2813;
        DecodeFlashGeometry(gdp, gdp.FlashGeometry);
        config_.FlashGeometry = gdp.FlashGeometry;
        {
            auto hold = DriveOf(kSataSlot).Lock();
            sim::DriveConfig& cfg = DriveOf(kSataSlot).Model().cfg;
            cfg.channels = 4;
            cfg.ces = 4;
            cfg.sectorsPerPage = 32;
            cfg.pagesPerBlock = gdp.FlashGeometry.PagesPerBlock;
            cfg.blocksPerCe = gdp.FlashGeometry.BlocksPerCe;
            cfg.busyPolls = 0;
        }
        Bytes spi(64 * 1024, 0);
        std::memcpy(spi.data(), "QX849V00-003", 12);
        const auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (std::size_t i = 0; i < 4; ++i) spi[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put32(20, 0x1000);   // error log
        put32(24, 2048);
        put32(28, 0x2000);   // UART log
        put32(32, 8192);
        spi[0x1000 + 16] = 3;   // write index 3
        spi[0x1000 + 26] = 1;   // wrapped
        const Bytes ring = {'g', 'h', 'i', 0xEA, 0x01, 0x00, 0x02, 0x00, 'a', 'b', 'c', 'd', 'e', 'f'};
        std::fill(spi.begin() + 0x2000, spi.begin() + 0x4000, std::uint8_t{'.'});
        std::copy(ring.begin(), ring.end(), spi.begin() + 0x2000);
        auto hold = DriveOf(kSataSlot).Lock();
        DriveOf(kSataSlot).Model().spiFlash = spi;
    }
    void TearDown() override {
        SetGdpImagePath("");
        FwLogDriveTest::TearDown();
    }
};

TEST_F(SpiLogDriveTest, ModeTwoReadsTheSpiCopies) {
    ui::ScriptedPrompter prompter;
    const utility::FwDebugLogPage page =
        utility::ReadFwDebugMsgGDPClick(kSataSlot, QX_BIN_DIR, false, config_, settings_, buffer_, prompter);
    EXPECT_TRUE(prompter.Texts().empty()) << ::testing::PrintToString(prompter.Texts());
    ASSERT_EQ(page.UartLogMemo.size(), 2u);
    // From the write index: the rest of line one, the dots to the ring's
    // end, then the start of the ring up to the index.
    EXPECT_EQ(page.UartLogMemo[0], "");
    EXPECT_EQ(page.UartLogMemo[1], "[0001, 0002]abcdef" + std::string(8192 - 14, '.') + "ghi");
    EXPECT_NE(std::find(traces_.begin(), traces_.end(), "QX849V00-003"), traces_.end());
}

}  // namespace
}  // namespace qx::test
