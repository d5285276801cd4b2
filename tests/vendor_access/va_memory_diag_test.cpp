// Code memory, diagnostics, the records the controller reports, and the
// one-builder wrappers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>

#include "qxlib/base/byte_order.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_builders.h"
#include "support/temp_dir.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FileBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

sim::FaultRule TransportFails(std::uint8_t sub) {
    sim::FaultRule f;
    f.vendorSub = sub;
    return f;
}

class MemoryDiagTest : public VendorFixture {
protected:
    MemoryDiagTest() { logUse_ = LogUse::Requests; }
};

TEST_F(MemoryDiagTest, CodeImageGoesToCodeRamAndBackWithItsDumps) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        TempDir dir(true);
        DumpDebugFile = true;
        SetState(slot, sim::ControllerState::DownloadReady);
        VendorModeOn(slot);
        Bytes image(4 * 512);
        std::iota(image.begin(), image.end(), std::uint8_t{3});
        ASSERT_TRUE(VA_WriteCodeToMem(slot, image.data(), 4, 0x00000200));
        Bytes back(4 * 512, 0xEE);
        ASSERT_TRUE(VA_ReadCodeFromMem(slot, back.data(), 4, 0x00000200));
        EXPECT_EQ(back, image);

        const auto blocks = VendorBlocks(slot, 16);
        ASSERT_EQ(blocks.size(), 2u);
        EXPECT_EQ(blocks[0][2], 0x87);
        EXPECT_EQ(blocks[1][2], 0x86);
        for (const auto& b : blocks) {
            EXPECT_EQ(b[3], 3);
            EXPECT_EQ(get_be32(&b[4]), 0x40000200u);
        }
        {
            auto hold = DriveOf(slot).Lock();
            const Bytes& ram = DriveOf(slot).Model().codeRam;
            EXPECT_EQ(Bytes(ram.begin() + 0x200, ram.begin() + 0x200 + 2048), image);
        }
        EXPECT_EQ(FileBytes(dir.path() / "11_RCO.raw"), image);
        EXPECT_EQ(FileBytes(dir.path() / "12_RCI.raw"), image);
        DumpDebugFile = false;
    }
}

TEST_F(MemoryDiagTest, CodeMemoryFailuresAreTracedAndDumpNothing) {
    TempDir dir(true);
    DumpDebugFile = true;
    VendorModeOn(kUsbSlot);
    DriveOf(kUsbSlot).AddFault(TransportFails(0x87));
    DriveOf(kUsbSlot).AddFault(TransportFails(0x86));
    Bytes image(512);
    EXPECT_FALSE(VA_WriteCodeToMem(kUsbSlot, image.data(), 1, 0));
    EXPECT_FALSE(VA_ReadCodeFromMem(kUsbSlot, image.data(), 1, 0));
    EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_WriteCodeToMem)\r\n", "FAILED(VA_ReadCodeFromMem)\r\n"}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "11_RCO.raw"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "12_RCI.raw"));
}

struct DiagCase {
    std::uint16_t block;
    bool ok;
    std::uint8_t result;
};

// The simulated drive answers a failed block with the diagnostic's mode.
TEST_F(MemoryDiagTest, FlashDiagnosticPassesOnlyOnResultFF) {
    for (int slot : kBothSlots) {
        RunProgram(slot, sim::ProgramKind::Test);
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().cfg.badBlocks = {77};
    }
    for (int slot : kBothSlots) {
        for (const DiagCase& c : {DiagCase{76, true, 0xFF}, DiagCase{77, false, 0x02}}) {
            SCOPED_TRACE(::testing::Message() << "slot " << slot << " block " << c.block);
            traces_.clear();
            std::uint8_t result = 0;
            EXPECT_EQ(VA_FlashDiagnostic(slot, 2, c.block, &result), c.ok);
            EXPECT_EQ(result, c.result);
            EXPECT_EQ(LayerTraces(), (c.ok ? Texts{} : Texts{"FAILED(VA_FlashDiagnostic)\r\n"}));
        }
    }
    DriveOf(kUsbSlot).AddFault(TransportFails(0x21));
    std::uint8_t result = 0;
    EXPECT_FALSE(VA_FlashDiagnostic(kUsbSlot, 2, 76, &result));
}

TEST_F(MemoryDiagTest, DramDiagnosticSendsOnePatternSector) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        RunProgram(slot, sim::ProgramKind::Test);
        Bytes pattern(2 * 512, 0x5A);
        ASSERT_TRUE(VA_DramDiagnostic(slot, pattern.data(), 0x00100000, 0x00200000));
        const auto log = Requests(slot);
        const auto blocks = VendorBlocks(slot);
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0][2], 0x25);
        EXPECT_EQ(get_be32(&blocks[0][4]), 0x00100000u);
        EXPECT_EQ(get_be32(&blocks[0][8]), 0x00200000u);
        EXPECT_EQ(log.back().dataOut, Bytes(512, 0x5A));
    }
    DriveOf(kSataSlot).AddFault(TransportFails(0x25));
    Bytes pattern(512);
    traces_.clear();
    EXPECT_FALSE(VA_DramDiagnostic(kSataSlot, pattern.data(), 0, 512));
    EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_DramDiagnostic)\r\n"}));
}

TEST_F(MemoryDiagTest, FirmwareInfoIsTheRecordsFirst104Bytes) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        SetState(slot, sim::ControllerState::Firmware);
        VendorModeOn(slot);
        std::array<std::uint8_t, kFirmwareInfoSize> record{};
        record.fill(0xEE);
        ASSERT_TRUE(VA_ReadFirmwareInfo(slot, record));
        EXPECT_EQ(std::string(record.begin(), record.begin() + 8), DriveOf(slot).Config().firmwareRevision);
        EXPECT_EQ(record[44] | record[45] << 8, 1);   // the information page's sequence
        EXPECT_EQ(record[103], 0);
        EXPECT_EQ(Sent(slot), (slot == kSataSlot ? Texts{"V80", "<80"} : Texts{"V80"}));
    }
}

TEST_F(MemoryDiagTest, ErrorInfoClearsTheFirstByteThenReadsFourSectors) {
    RunProgram(kUsbSlot);
    {
        auto hold = DriveOf(kUsbSlot).Lock();
        DriveOf(kUsbSlot).Model().errorInfo = {0, 0x31, 0x32, 0x33};
    }
    Bytes buffer(2048, 0xEE);
    ASSERT_TRUE(VA_ReadGdpErrorInfo(kUsbSlot, buffer));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), (Bytes{0, 0x31, 0x32, 0x33, 0}));
    EXPECT_EQ(Requests(kUsbSlot)[0].wireLength, 2048u);

    DriveOf(kUsbSlot).AddFault(TransportFails(0x06));
    buffer.assign(2048, 0xEE);
    EXPECT_FALSE(VA_ReadGdpErrorInfo(kUsbSlot, buffer));
    EXPECT_EQ(buffer[0], 0);   // cleared before the read

    ClearLog();
    Bytes small(2047, 0xEE);
    EXPECT_FALSE(VA_ReadGdpErrorInfo(kUsbSlot, small));
    EXPECT_TRUE(Requests(kUsbSlot).empty());
    EXPECT_EQ(small[0], 0xEE);
}

// Each wrapper forwards to its builder: the command it sends and the answer
// it turns the builder's result into.
struct WrapperCase {
    const char* name;
    sim::ControllerState state;
    std::function<bool(int, std::uint8_t*)> call;
    std::uint8_t sub;
    std::size_t dataBytes;   // the data phase on the wire
};

TEST_F(MemoryDiagTest, WrappersSendTheirCommandAndAnswerItsResult) {
    using S = sim::ControllerState;
    std::uint8_t value = 0;
    const WrapperCase cases[] = {
        {"PutEraseCountTable", S::ProgramRunning, [](int s, std::uint8_t* b) { return VA_PutEraseCountTable(s, b, 2, 1, 0); }, 0x08, 1024},
        {"PutSmartPage", S::ProgramRunning, [](int s, std::uint8_t* b) { return VA_PutSmartPage(s, b, 1); }, 0x0E, 512},
        {"ReadFlashDetectResult", S::ProgramRunning, [](int s, std::uint8_t* b) { return VA_ReadFlashDetectResult(s, b, 1); }, 0x05, 512},
        {"ReadFlashID", S::Loader, [](int s, std::uint8_t* b) { return VA_ReadFlashID(s, 1, 0, b, 1); }, 0x88, 512},
        {"ReadCodeBlockList", S::ProgramRunning, [](int s, std::uint8_t* b) { return VA_ReadCodeBlockList(s, b, 1); }, 0x07, 512},
        {"WriteRegister", S::Loader, [](int s, std::uint8_t*) { return VA_WriteRegister(s, 0xB8000010, 0x42); }, 0x85, 0},
        {"ReadRegister", S::Loader, [&value](int s, std::uint8_t*) { return VA_ReadRegister(s, 0xB8000010, &value); }, 0x84, 512},
        {"EraseFlashBlock", S::ProgramRunning, [](int s, std::uint8_t*) { return VA_EraseFlashBlock(s, 1, 0, 30); }, 0x8B, 0},
        {"ReadFlashTestResult", S::ProgramRunning, [](int s, std::uint8_t* b) { return VA_ReadFlashTestResult(s, b); }, 0x22, 512},
        {"ReadEraseCountTable", S::Firmware, [](int s, std::uint8_t* b) { return VA_ReadEraseCountTable(s, b, 2, 1, 0); }, 0x01, 1024},
        {"ReadBadBlockTable", S::Firmware, [](int s, std::uint8_t* b) { return VA_ReadBadBlockTable(s, b, 2, 1, 0); }, 0x00, 1024},
    };
    for (int slot : kBothSlots) {
        for (const WrapperCase& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << " slot " << slot);
            ClearLog();
            DriveOf(slot).ClearFaults();
            if (c.state == S::ProgramRunning) {
                RunProgram(slot, c.sub == 0x22 ? sim::ProgramKind::Test : sim::ProgramKind::Diagnostic);
            } else {
                SetState(slot, c.state);
                VendorModeOn(slot);
            }
            Bytes buffer(4096, 0x11);
            EXPECT_TRUE(c.call(slot, buffer.data()));
            const auto log = Requests(slot);
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(VendorBlocks(slot).size(), 1u);
            EXPECT_EQ(VendorBlocks(slot)[0][2], c.sub);
            const bool dataPhase = slot == kSataSlot ? log.size() == 2 : c.dataBytes != 0;
            EXPECT_EQ(dataPhase, c.dataBytes != 0);
            if (c.dataBytes) {
                EXPECT_EQ(log.back().wireLength, c.dataBytes);
            }

            DriveOf(slot).AddFault(TransportFails(c.sub));
            EXPECT_FALSE(c.call(slot, buffer.data()));
        }
    }
    EXPECT_EQ(value, 0x42);
}

TEST_F(MemoryDiagTest, SectorWriteAndVendorReplyWrappers) {
    Bytes data(1024, 0x3C);
    ASSERT_TRUE(VA_WriteSectors(kSataSlot, data.data(), 2, 100));
    EXPECT_EQ(DriveOf(kSataSlot).ReadUserSectors(100, 2), data);
    ASSERT_TRUE(VA_WriteSectors(kUsbSlot, data.data(), 2, 100));
    EXPECT_EQ(Sent(kUsbSlot), (Texts{"W10"}));

    // The reply sector of the tunnel: 0xE5, the last sub-opcode, its result.
    VendorModeOn(kSataSlot);
    ASSERT_EQ(VC_EnableVendorCmd(kSataSlot, 0), 1);
    VendorModeOn(kSataSlot);
    ClearLog();
    Bytes reply(512, 0xEE);
    ASSERT_TRUE(VA_ReadVendorReply(kSataSlot, reply.data(), 1, false, 0xFF));
    EXPECT_EQ(Sent(kSataSlot), (Texts{"reply"}));
    EXPECT_EQ(reply[0], 0xE5);
    EXPECT_EQ(reply[1], 0x83);

    sim::FaultRule f;
    f.opcode = 0xA1;
    DriveOf(kSataSlot).AddFault(f);
    EXPECT_FALSE(VA_ReadVendorReply(kSataSlot, reply.data(), 1, false, 0xFF));
}

}  // namespace
}  // namespace qx::test
