// Every vendor command block, as it reaches the drive on each path and in
// each tunnel mode, read back from the simulated rack's request log.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "qxlib/transport/vendor_builders.h"
#include "qxlib/transport/vendor_command.h"
#include "support/rack_fixture.h"

namespace qx {
namespace {

using platform::Direction;
using Bytes = std::vector<std::uint8_t>;

struct VendorCase {
    const char* name;
    std::function<int(int slot, std::uint8_t* buf)> call;
    std::uint8_t sub;
    std::size_t blockSize;
    std::map<std::size_t, std::uint8_t> operands;   // byte index -> value
    Direction dir;
    int sectors;
};

const FlashPageAddress kPage{2, 1, 0x0123, 0x0045, 0x07, 0x11, 8, 0x00009000};

std::vector<VendorCase> Cases() {
    // The status byte outlives this function: the cases run after it returns.
    const auto v = std::make_shared<std::uint8_t>(0);
    const std::map<std::size_t, std::uint8_t> page = {{3, 2}, {4, 1}, {5, 0x01}, {6, 0x23}, {7, 0x00}, {8, 0x45},
                                                      {9, 0x07}, {10, 0x11}, {11, 8}, {12, 0}, {13, 0}, {14, 0x90}, {15, 0}};
    auto fwPage = page;
    fwPage[3] = 0xFF;
    fwPage[11] = 0;
    auto writePage = page;
    writePage[16] = 0x0F;
    auto fwAt = kPage;
    fwAt.Channel = 0xFF;
    return {
        {"GetStatus", [v](int s, std::uint8_t*) { return VC_GetStatus(s, v.get()); }, 0x00, 12, {}, Direction::In, 1},
        {"ExecProgType1", [](int s, std::uint8_t*) { return VC_ExecProgType1(s, 0x21); }, 0x01, 12, {{3, 0x21}}, Direction::None, 0},
        {"ExecProgType2", [](int s, std::uint8_t*) { return VC_ExecProgType2(s, 0x02); }, 0x02, 12, {{3, 0x02}}, Direction::None, 0},
        {"ExecProgType3", [](int s, std::uint8_t*) { return VC_ExecProgType3(s, 0x03); }, 0x03, 12, {{3, 0x03}}, Direction::None, 0},
        {"ExecProgType4", [](int s, std::uint8_t*) { return VC_ExecProgType4(s, 0x84); }, 0x04, 12, {{3, 0x84}}, Direction::None, 0},
        {"ReadFlashDetectResult", [](int s, std::uint8_t* b) { return VC_ReadFlashDetectResult(s, b, 1); }, 0x05, 12, {}, Direction::In, 1},
        {"ReadGdpErrorInfo", [](int s, std::uint8_t* b) { return VC_ReadGdpErrorInfo(s, b, 1); }, 0x06, 12, {}, Direction::In, 1},
        {"ReadCodeBlockList", [](int s, std::uint8_t* b) { return VC_ReadCodeBlockList(s, b, 1); }, 0x07, 12, {}, Direction::In, 1},
        {"PutEraseCountTable", [](int s, std::uint8_t* b) { return VC_PutEraseCountTable(s, 3, 1, b, 2); }, 0x08, 12, {{3, 3}, {4, 1}}, Direction::Out, 2},
        {"GDP_ReadPage", [](int s, std::uint8_t* b) { return VC_GDP_ReadPage(s, kPage, b, 2); }, 0x09, 16, page, Direction::In, 2},
        {"ReadFlashPageAlt", [](int s, std::uint8_t* b) { return VC_ReadFlashPageAlt(s, kPage, b, 2); }, 0x0D, 16, page, Direction::In, 2},
        {"PutSmartPage", [](int s, std::uint8_t* b) { return VC_PutSmartPage(s, b, 1); }, 0x0E, 12, {}, Direction::Out, 1},
        {"FlashDiagnostic", [v](int s, std::uint8_t*) { return VC_FlashDiagnostic(s, 3, 0x0102, v.get()); }, 0x21, 12, {{3, 3}, {4, 1}, {5, 2}}, Direction::In, 1},
        {"ReadFlashTestResult", [](int s, std::uint8_t* b) { return VC_ReadFlashTestResult(s, b, 2); }, 0x22, 12, {}, Direction::In, 2},
        {"ReadMemBuffer", [](int s, std::uint8_t* b) { return VC_ReadMemBuffer(s, 1, 0x12345678, b, 1); }, 0x23, 16, {{3, 1}, {4, 0x12}, {5, 0x34}, {6, 0x56}, {7, 0x78}}, Direction::In, 1},
        {"WriteMemBuffer", [](int s, std::uint8_t* b) { return VC_WriteMemBuffer(s, 1, 0x00200000, b, 1); }, 0x24, 12, {{3, 1}, {5, 0x20}}, Direction::Out, 1},
        {"DramDiagnosticCmd", [](int s, std::uint8_t* b) { return VC_DramDiagnosticCmd(s, 0x40000000, 0x01000000, b, 1); }, 0x25, 12, {{4, 0x40}, {8, 0x01}}, Direction::Out, 1},
        {"ReadFirmwareInfo", [](int s, std::uint8_t* b) { return VC_ReadFirmwareInfo(s, b, 1); }, 0x80, 12, {}, Direction::In, 1},
        {"JumpToPRAM", [](int s, std::uint8_t*) { return VC_JumpToPRAM(s); }, 0x82, 12, {}, Direction::None, 0},
        {"EnableVendorCmd", [](int s, std::uint8_t*) { return VC_EnableVendorCmd(s, 10); }, 0x83, 12, {{3, 10}}, Direction::None, 0},
        {"ReadRegister", [v](int s, std::uint8_t*) { return VC_ReadRegister(s, 0x1F000040, v.get()); }, 0x84, 12, {{3, 0x1F}, {6, 0x40}}, Direction::In, 1},
        {"WriteRegister", [](int s, std::uint8_t*) { return VC_WriteRegister(s, 0x1F000040, 0x5A); }, 0x85, 12, {{3, 0x1F}, {6, 0x40}, {7, 0x5A}}, Direction::None, 0},
        {"ReadMemory", [](int s, std::uint8_t* b) { return VC_ReadMemory(s, 3, 0x80001000, b, 2); }, 0x86, 16, {{3, 3}, {4, 0x80}, {6, 0x10}}, Direction::In, 2},
        {"WriteMemory", [](int s, std::uint8_t* b) { return VC_WriteMemory(s, 3, 0x80000000, b, 2); }, 0x87, 12, {{3, 3}, {4, 0x80}}, Direction::Out, 2},
        {"ReadFlashID", [](int s, std::uint8_t* b) { return VC_ReadFlashID(s, 1, 3, b, 1); }, 0x88, 16, {{3, 1}, {4, 3}}, Direction::In, 1},
        {"ReadFlashPage", [](int s, std::uint8_t* b) { return VC_ReadFlashPage(s, kPage, b, 2); }, 0x89, 16, page, Direction::In, 2},
        {"WriteFlashPage", [](int s, std::uint8_t* b) { return VC_WriteFlashPage(s, kPage, 0x0F, b, 2); }, 0x8A, 20, writePage, Direction::Out, 2},
        {"EraseFlashBlock", [](int s, std::uint8_t*) { return VC_EraseFlashBlock(s, 2, 1, 0x0304); }, 0x8B, 12, {{3, 2}, {4, 1}, {5, 3}, {6, 4}}, Direction::None, 0},
        {"FW_ReadBadBlockTable", [](int s, std::uint8_t* b) { return VC_FW_ReadBadBlockTable(s, 2, 1, b, 2); }, 0x00, 16, {{3, 2}, {4, 1}}, Direction::In, 2},
        {"FW_ReadEraseCount", [](int s, std::uint8_t* b) { return VC_FW_ReadEraseCount(s, 2, 1, b, 2); }, 0x01, 16, {{3, 2}, {4, 1}}, Direction::In, 2},
        {"FW_ReadFlashPages", [fwAt](int s, std::uint8_t* b) { return VC_FW_ReadFlashPages(s, fwAt, b, 2); }, 0x04, 16, fwPage, Direction::In, 2},
    };
}

Bytes ExpectedBlock(const VendorCase& c, std::uint8_t pathByte) {
    Bytes b(c.blockSize, 0);
    b[0] = 0xFF;
    b[1] = pathByte;
    b[2] = c.sub;
    for (auto [i, value] : c.operands) b[i] = value;
    return b;
}

// The tunnel's SAT block for a mode, written out per mode so a wrong table
// in the library cannot agree with itself.
Bytes Tunnel(std::uint8_t mode, bool read, std::uint8_t count, std::uint8_t lbaLow) {
    static const std::uint8_t proto[3][2] = {{0x08, 0x0A}, {0x08, 0x0A}, {0x14, 0x16}};
    static const std::uint8_t cmd[3][2] = {{0xC4, 0xC5}, {0x8A, 0x8F}, {0x86, 0x88}};
    const int m = mode <= 2 ? mode : 0;
    return {0xA1, proto[m][read ? 0 : 1], static_cast<std::uint8_t>(read ? 0x0B : 0x03), 0x00, count, lbaLow,
            0x34, 0x12, 0xE0, cmd[m][read ? 0 : 1], 0x00, 0x00};
}

class VendorBuilders : public test::RackFixture {
protected:
    VendorBuilders() { logUse_ = LogUse::RequestsWithData; }

    void SetUp() override {
        RackFixture::SetUp();
        sataDrive_->SetVendorMode(true);
    }
};

TEST_F(VendorBuilders, UsbPathSendsTheFirst12BytesAsTheCommandBlock) {
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        rack_.Log().Clear();
        std::vector<std::uint8_t> buf(4096, 0x5A);
        c.call(test::kUsbSlot, buf.data());
        const auto log = Log();
        ASSERT_EQ(log.size(), 1u);
        const Bytes block = ExpectedBlock(c, 0x04);
        EXPECT_EQ(log[0].cdb, Bytes(block.begin(), block.begin() + 12));
        EXPECT_EQ(log[0].route, sim::Route::Scsi);
        EXPECT_EQ(log[0].dir, c.dir);
        EXPECT_EQ(log[0].wireLength, static_cast<std::uint32_t>(c.sectors * 512));
        EXPECT_EQ(log[0].timeout.count(), c.dir == Direction::In ? 300 : 10);
    }
}

TEST_F(VendorBuilders, SataPathTunnelsTheWholeBlockInEveryMode) {
    for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{7}}) {
        TransferMode = mode;
        for (const auto& c : Cases()) {
            SCOPED_TRACE(std::string(c.name) + " mode " + std::to_string(mode));
            rack_.Log().Clear();
            std::vector<std::uint8_t> buf(4096, 0x5A);
            c.call(test::kSataSlot, buf.data());
            const auto log = Log();
            ASSERT_EQ(log.size(), c.sectors ? 2u : 1u);

            Bytes sector = ExpectedBlock(c, 0xE5);
            sector.resize(512, 0);
            EXPECT_EQ(log[0].cdb, Tunnel(mode, false, 1, 0xFF));
            EXPECT_EQ(log[0].dataOut, sector);
            EXPECT_EQ(log[0].timeout.count(), 10);
            if (!c.sectors) continue;
            const bool read = c.dir == Direction::In;
            EXPECT_EQ(log[1].cdb, Tunnel(mode, read, static_cast<std::uint8_t>(c.sectors), c.sub));
            EXPECT_EQ(log[1].dir, c.dir);
            EXPECT_EQ(log[1].wireLength, static_cast<std::uint32_t>(c.sectors * 512));
            if (!read) {
                EXPECT_EQ(log[1].dataOut, Bytes(buf.begin(), buf.begin() + c.sectors * 512));
            }
        }
    }
}

TEST_F(VendorBuilders, AFailedCommandSectorSkipsTheDataPhase) {
    sim::FaultRule fail;
    fail.kind = sim::FaultKind::SyscallFails;
    sataDrive_->AddFault(fail);
    std::vector<std::uint8_t> buf(512);
    EXPECT_EQ(VC_ReadFirmwareInfo(test::kSataSlot, buf.data(), 1), 2);
    EXPECT_EQ(Log().size(), 1u);
    EXPECT_EQ(traces_.back(), "FAILED(VC_SATA_WriteCmd)\r\n");
}

TEST_F(VendorBuilders, ReplyDecodersReadTheValueByPath) {
    // A healthy loader answers its status on both paths.
    std::uint8_t status = 0x77;
    EXPECT_EQ(VC_GetStatus(test::kSataSlot, &status), 1);
    EXPECT_NE(status, 0x77);
    status = 0x77;
    EXPECT_EQ(VC_GetStatus(test::kUsbSlot, &status), 1);
    EXPECT_NE(status, 0x77);

    // Outside vendor mode the tunnel LBAs are plain sectors: the reply lacks
    // its 0xE5 signature, the caller's value stays.
    sataDrive_->SetVendorMode(false);
    status = 0x77;
    EXPECT_EQ(VC_GetStatus(test::kSataSlot, &status), 3);
    EXPECT_EQ(status, 0x77);
    std::uint8_t reg = 0x77;
    EXPECT_EQ(VC_ReadRegister(test::kSataSlot, 0x1000, &reg), 3);
    EXPECT_EQ(reg, 0x77);
}

TEST_F(VendorBuilders, SmartOverVendorCommandIsUsbPathOnly) {
    std::vector<std::uint8_t> buf(512);
    EXPECT_EQ(VC_SYS_USB_GetSMARTInfo(test::kSataSlot, buf.data(), 1), 2);
    EXPECT_TRUE(Log().empty());
    VC_SYS_USB_GetSMARTInfo(test::kUsbSlot, buf.data(), 1);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].cdb, (Bytes{0xFF, 0x04, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(VendorBuilders, BridgeCommandGoesToTheBridgeUntunnelled) {
    for (int slot : {test::kSataSlot, test::kUsbSlot}) {
        rack_.Log().Clear();
        SendBridgeCmd32(slot, 1);
        ASSERT_EQ(Log().size(), 1u);
        EXPECT_EQ(Log()[0].cdb, (Bytes{0xFF, 0x04, 0x32, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(Log()[0].wireLength, 0u);
    }
}

TEST(SwapBytePairs, SwapsWordsAndLeavesAnOddLastByte) {
    std::uint8_t text[] = {'B', 'A', 'D', 'C', 'E'};
    SwapBytePairs(text, sizeof text);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text), 5), "ABCDE");
}

}  // namespace
}  // namespace qx
