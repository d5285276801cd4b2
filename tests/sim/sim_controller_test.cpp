// The simulated controller on both paths: states, code RAM and programs,
// registers, bus-test buffers, NAND pages and program actions.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/model/code_blocks.h"
#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

using platform::Direction;

Bytes Be32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

class SimControllerTest : public ::testing::TestWithParam<bool>, public RackTest {
protected:
    bool Sata() const { return GetParam(); }
    const std::string& Path() const { return Sata() ? kBridgePath : kUsbPath; }

    SimDrive& AddLoader() {
        DriveConfig cfg;
        cfg.state = ControllerState::Loader;
        return Add(cfg);
    }
    SimDrive& Add(DriveConfig cfg = {}) {
        cfg.frontEnd = Sata() ? FrontEnd::Bridge : FrontEnd::NativeUsb;
        drive_ = &rack.AddDrive(Path(), cfg);
        return *drive_;
    }

    // One vendor command; on the SATA path vendor mode is entered first, as
    // the library does after every state change.
    bool Vendor(const Bytes& block, Direction dir, Bytes& data) {
        if (Sata() && SendScsi(kBridgePath, SetVendorMode(true)).status != 0) return false;
        Bytes b = block;
        b[1] = Sata() ? 0xE5 : 0x04;
        return SendVendor(Path(), Sata(), 2, b, dir, data);
    }
    bool Vendor(const Bytes& block) {
        Bytes none;
        return Vendor(block, Direction::None, none);
    }
    static Bytes Block(std::uint8_t sub, const Bytes& operands, std::size_t size = 12) {
        Bytes b(size, 0);
        b[0] = 0xFF;
        b[2] = sub;
        std::copy(operands.begin(), operands.end(), b.begin() + 3);
        return b;
    }
    static Bytes PageBlock(std::uint8_t sub, std::uint8_t ch, std::uint8_t ce, std::uint16_t block, std::uint16_t page,
                           std::uint32_t offset, std::uint8_t bitmap = 0) {
        Bytes ops = {ch, ce, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block),
                     static_cast<std::uint8_t>(page >> 8), static_cast<std::uint8_t>(page), 3, 1, 8};
        const Bytes off = Be32(offset);
        ops.insert(ops.end(), off.begin(), off.end());
        ops.push_back(bitmap);
        return Block(sub, ops, 20);
    }
    std::uint8_t Status() {
        Bytes r(512);
        EXPECT_TRUE(Vendor(Block(0x00, {}), Direction::In, r));
        return Sata() ? r[1] : r[0];
    }
    // Downloads a 128 KB image tagged kind and jumps into it.
    bool StartProgram(const char* kind) {
        Bytes image(128 * 1024, 0x66);
        std::memcpy(image.data() + 768, kind, 4);
        if (!Vendor(Block(0x83, {10}))) return false;
        for (std::uint32_t off = 0; off < image.size(); off += 64 * 1024) {
            Bytes chunk(image.begin() + off, image.begin() + off + 64 * 1024);
            Bytes ops = {3};
            const Bytes a = Be32(0x40000000 | off);
            ops.insert(ops.end(), a.begin(), a.end());
            if (!Vendor(Block(0x87, ops), Direction::Out, chunk)) return false;
        }
        return Vendor(Block(0x82, {}));
    }

    SimDrive* drive_ = nullptr;
};

TEST_P(SimControllerTest, ProgramDownloadAndJump) {
    SimDrive& d = AddLoader();
    // Code RAM takes a download only after the enable command with mode 10.
    Bytes chunk(512, 1);
    EXPECT_FALSE(Vendor(Block(0x87, {3, 0x40, 0, 0, 0}), Direction::Out, chunk));
    ASSERT_TRUE(StartProgram("GDP_"));
    EXPECT_EQ(d.State(), ControllerState::ProgramRunning);
    EXPECT_EQ(d.Model().program, ProgramKind::Diagnostic);
    EXPECT_FALSE(d.VendorMode());   // dropped by the state change
    EXPECT_EQ(d.Model().codeRam[768], 'G');
    Bytes back(512);
    ASSERT_TRUE(Vendor(Block(0x86, {3, 0x40, 0, 0x03, 0}), Direction::In, back));
    EXPECT_EQ(back[0], 'G');        // bytes 768.. of code RAM

    // An image without a program tag does not start; the address needs its flag.
    ASSERT_TRUE(Vendor(Block(0x83, {10})));
    EXPECT_EQ(d.State(), ControllerState::DownloadReady);
    d.Model().codeRam.assign(128 * 1024, 0);
    EXPECT_FALSE(Vendor(Block(0x82, {})));
    EXPECT_EQ(d.State(), ControllerState::DownloadReady);
    EXPECT_FALSE(Vendor(Block(0x87, {3, 0, 0, 0, 0}), Direction::Out, chunk));
    EXPECT_FALSE(Vendor(Block(0x87, {3, 0x40, 0x02, 0, 0}), Direction::Out, chunk));   // past 128 KB
    // Mode 0 goes back to the loader.
    ASSERT_TRUE(Vendor(Block(0x83, {0})));
    EXPECT_EQ(d.State(), ControllerState::Loader);
}

TEST_P(SimControllerTest, ProgramActionsPollBusyThenFinish) {
    struct Case {
        std::uint8_t action;
        int busyPolls;
        std::uint8_t configured;
        std::uint8_t final;
    };
    const Case cases[] = {{1, 0, 0, 0x0E}, {3, 2, 0, 0x0A}, {4, 1, 0, 0x12}, {3, 1, 0x33, 0x33}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        DriveConfig cfg;
        cfg.busyPolls = c.busyPolls;
        cfg.actionStatus = c.configured;
        SimDrive& d = Add(cfg);
        d.RunProgram(ProgramKind::Diagnostic);
        ASSERT_TRUE(Vendor(Block(c.action, {0x09})));
        for (int i = 0; i < c.busyPolls; ++i) EXPECT_EQ(Status(), 0xAA);
        EXPECT_EQ(Status(), c.final);
        EXPECT_EQ(Status(), c.final);
        ASSERT_EQ(d.Model().actions.size(), 1u);
        EXPECT_EQ(d.Model().actions[0].flags, 0x09);
    }
    // The test program has no program actions; the loader neither.
    SimDrive& d = Add();
    d.RunProgram(ProgramKind::Test);
    EXPECT_FALSE(Vendor(Block(0x01, {0})));
    d.SetState(ControllerState::Loader);
    EXPECT_FALSE(Vendor(Block(0x01, {0})));
}

TEST_P(SimControllerTest, EraseActionClearsAllButCodeBlocks) {
    SimDrive& d = Add();
    d.Model().nand.Program({1, 0, 700, 3}, Bytes(16, 0));
    d.RunProgram(ProgramKind::Diagnostic);
    ASSERT_TRUE(Vendor(Block(0x01, {0x01})));
    EXPECT_TRUE(d.Model().nand.IsErased({1, 0, 700, 3}));
    EXPECT_FALSE(d.Model().nand.IsErased({1, 0, 2, kInfoPageIndex}));
}


TEST_P(SimControllerTest, GpioStrapsReadThroughThePulse) {
    struct Case {
        GpioStraps straps;
        bool bit15;
        bool bit16;
    };
    for (const Case& c : {Case{GpioStraps::FullBank, false, true}, Case{GpioStraps::SingleBank, true, true},
                          Case{GpioStraps::Broken, false, false}}) {
        DriveConfig cfg;
        cfg.straps = c.straps;
        Add(cfg).RunProgram(ProgramKind::Diagnostic);
        auto reg = [this](std::uint32_t a) {
            Bytes r(512);
            const Bytes ops = Be32(a);
            EXPECT_TRUE(Vendor(Block(0x84, ops), Direction::In, r));
            return Sata() ? r[1] : r[0];
        };
        auto write = [this](std::uint32_t a, std::uint8_t v) {
            Bytes ops = Be32(a);
            ops.push_back(v);
            EXPECT_TRUE(Vendor(Block(0x85, ops)));
        };
        // Before any pulse the latch reads the opposite of the straps.
        EXPECT_EQ((reg(0xB8000005) & 0x80) != 0, !c.bit15);
        for (int bit : {15, 16}) {
            const std::uint32_t r1 = 0xB8000004 + bit / 8, r2 = 0xB8000008 + bit / 8;
            const auto m = static_cast<std::uint8_t>(1 << (bit % 8));
            write(r1, static_cast<std::uint8_t>(reg(r1) & ~m));
            const std::uint8_t s = reg(r2);
            write(r2, s | m);
            write(r2, static_cast<std::uint8_t>(s & ~m));
            EXPECT_EQ((reg(r1) & m) != 0, bit == 15 ? c.bit15 : c.bit16) << bit;
        }
    }
}

TEST_P(SimControllerTest, BusTestBuffersAndDramDiagnostic) {
    DriveConfig cfg;
    cfg.busyPolls = 0;
    SimDrive& d = Add(cfg);
    d.RunProgram(ProgramKind::Test);
    Bytes pattern(32 * 1024);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i * 13 + 5);
    for (std::uint8_t space = 0; space < 2; ++space) {
        Bytes ops = {space};
        const Bytes a = Be32(0xB0084000);
        ops.insert(ops.end(), a.begin(), a.end());
        ASSERT_TRUE(Vendor(Block(0x24, ops), Direction::Out, pattern));
        Bytes back(32 * 1024);
        ASSERT_TRUE(Vendor(Block(0x23, ops, 16), Direction::In, back));
        EXPECT_EQ(back, pattern);
    }
    EXPECT_FALSE(Vendor(Block(0x24, {2, 0xB0, 0x08, 0x40, 0}), Direction::Out, pattern));
    EXPECT_FALSE(Vendor(Block(0x24, {0, 0xB0, 0x08, 0x40, 0x02}), Direction::Out, pattern));   // runs past the window

    Bytes sector(512, 0xFF);
    ASSERT_TRUE(Vendor(Block(0x25, {0, 0, 3, 0, 0, 0x08, 0, 0, 0}), Direction::Out, sector));
    EXPECT_EQ(Status(), 0x15);
    ASSERT_TRUE(Vendor(Block(0x25, {0, 0, 3, 0, 0, 0x10, 0, 0, 0}), Direction::Out, sector));   // beyond 256 MiB
    EXPECT_NE(Status(), 0x15);
}

TEST_P(SimControllerTest, StuckBusBitsShowInTheReadBack) {
    DriveConfig cfg;
    cfg.busStuckBits = 0x0100;
    Add(cfg).RunProgram(ProgramKind::Test);
    Bytes zero(512, 0);
    ASSERT_TRUE(Vendor(Block(0x24, {0, 0xB0, 0x08, 0x40, 0}), Direction::Out, zero));
    Bytes back(512);
    ASSERT_TRUE(Vendor(Block(0x23, {0, 0xB0, 0x08, 0x40, 0}, 16), Direction::In, back));
    EXPECT_EQ(back[0], 0x00);
    EXPECT_EQ(back[1], 0x01);
}

TEST_P(SimControllerTest, PageSetWriteReadAndErase) {
    DriveConfig cfg;
    cfg.channels = 4;
    cfg.sectorsPerPage = 64;    // 32 KB pages: a page set of 256 sectors goes in two chunks
    cfg.badBlocks = {9};
    SimDrive& d = Add(cfg);
    d.SetState(ControllerState::Loader);
    Bytes set(4 * 32 * 1024);
    for (std::size_t i = 0; i < set.size(); ++i) set[i] = static_cast<std::uint8_t>(i / 32768 + 1);
    for (int chunk = 0; chunk < 2; ++chunk) {
        Bytes part(set.begin() + chunk * 65536, set.begin() + (chunk + 1) * 65536);
        const auto bitmap = static_cast<std::uint8_t>(chunk == 0 ? 0x03 : 0x0C);
        ASSERT_TRUE(Vendor(PageBlock(0x8A, 4, 0, 7, 5, 32768 + chunk * 65536, bitmap), Direction::Out, part));
    }
    for (std::uint8_t ch = 0; ch < 4; ++ch) {
        Bytes page(32 * 1024);
        ASSERT_TRUE(Vendor(PageBlock(0x89, ch, 0, 7, 5, 32768 + ch * 32768u), Direction::In, page));
        if (Sata()) {
            EXPECT_EQ(page, Bytes(page.size(), static_cast<std::uint8_t>(ch + 1))) << int(ch);
        }
    }
    const auto& cmds = d.Model().pageCommands;
    ASSERT_EQ(cmds.size(), 6u);
    // The 12-byte CDB of the USB path carries neither offset nor bitmap.
    EXPECT_EQ(cmds[1].offset, Sata() ? 32768u + 65536u : 0u);
    EXPECT_EQ(cmds[1].unitBitmap, Sata() ? 0x0C : 0x00);
    EXPECT_EQ(cmds[1].sectors, 128u);
    EXPECT_EQ(cmds[5].channel, 3);
    EXPECT_EQ(cmds[5].sectorsPerPageByte, 8);

    // Erase: that channel's block reads 0xFF again; a bad block refuses.
    ASSERT_TRUE(Vendor(Block(0x8B, {2, 0, 0, 7})));
    EXPECT_TRUE(d.Model().nand.IsErased({2, 0, 7, 5}));
    EXPECT_FALSE(d.Model().nand.IsErased({1, 0, 7, 5}));
    EXPECT_FALSE(Vendor(Block(0x8B, {2, 0, 0, 9})));
    EXPECT_FALSE(Vendor(PageBlock(0x89, 4, 0, 7, 5, 0), Direction::In, set));   // no channel 4
}

TEST_P(SimControllerTest, ProgrammingOnlyClearsBits) {
    SimDrive& d = AddLoader();
    Bytes a(4096, 0xF0), b(4096, 0x3C);
    ASSERT_TRUE(Vendor(PageBlock(0x8A, 0, 0, 20, 0, 0, 0x01), Direction::Out, a));
    ASSERT_TRUE(Vendor(PageBlock(0x8A, 0, 0, 20, 0, 0, 0x01), Direction::Out, b));
    Bytes page(4096);
    d.Model().nand.Read({0, 0, 20, 0}, page);
    EXPECT_EQ(page, Bytes(4096, 0x30));
}

// The firmware reads plane pairs across channels: block operand = pair,
// offset = plane and first channel.
TEST_P(SimControllerTest, FirmwarePageReadAcrossChannels) {
    SimDrive& d = Add();   // firmware, 4 channels of 8 sectors per page
    for (std::uint8_t ch = 0; ch < 4; ++ch) d.Model().nand.Program({ch, 0, 11, 2}, Bytes(4096, ch));
    Bytes data(4 * 4096);
    ASSERT_TRUE(Vendor(PageBlock(0x04, 0xFF, 0, 5, 2, 8 * 4096), Direction::In, data));
    for (std::size_t ch = 0; ch < 4; ++ch) {
        // The USB path's 12-byte CDB drops the offset: plane 0, block 10, is read.
        const auto want = static_cast<std::uint8_t>(Sata() ? ch : 0xFF);
        EXPECT_EQ(Bytes(data.begin() + ch * 4096, data.begin() + (ch + 1) * 4096), Bytes(4096, want)) << ch;
    }
}

TEST_P(SimControllerTest, FlashAndFirmwareInformation) {
    DriveConfig cfg;
    cfg.flashId = {0x2C, 0x84, 0x64, 0x54, 0xA9};
    cfg.channels = 2;
    cfg.ces = 4;
    cfg.codeBlocks = {0, 1, 2, 5};
    cfg.infoSequence = 0x0123;
    SimDrive& d = Add(cfg);
    d.RunProgram(ProgramKind::Diagnostic);
    d.Model().flashIdAt[1 << 8 | 3] = {0x98, 0x3A};
    Bytes r(512);
    ASSERT_TRUE(Vendor(Block(0x88, {0, 2}), Direction::In, r));
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 5), cfg.flashId);
    ASSERT_TRUE(Vendor(Block(0x88, {1, 3}), Direction::In, r));
    EXPECT_EQ(r[0], 0x98);
    ASSERT_TRUE(Vendor(Block(0x88, {2, 0}), Direction::In, r));
    EXPECT_EQ(r[0], 0x00);   // no chip on channel 2
    ASSERT_TRUE(Vendor(Block(0x05, {}), Direction::In, r));
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 5), cfg.flashId);
    EXPECT_EQ(r[7], 2);
    EXPECT_EQ(r[8], 4);
    ASSERT_TRUE(Vendor(Block(0x07, {}), Direction::In, r));
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 10), (Bytes{0, 0, 1, 0, 2, 0, 5, 0, 0xFF, 0xFF}));
    ASSERT_TRUE(Vendor(Block(0x80, {}), Direction::In, r));
    EXPECT_EQ(r[44], 0x23);
    EXPECT_EQ(r[45], 0x01);
}

TEST_P(SimControllerTest, CodeBlocksCarryInfoPageAndCodeTag) {
    DriveConfig cfg;
    cfg.binFiles = 2;
    cfg.badScanBlock = true;
    SimDrive& d = Add(cfg);
    d.SetState(ControllerState::Loader);
    for (std::uint8_t ch = 0; ch < cfg.channels; ++ch) {
        Bytes info(4096), code(4096);
        ASSERT_TRUE(Vendor(PageBlock(0x89, ch, 0, 3, 0, 32768 + ch * 4096u), Direction::In, info));
        ASSERT_TRUE(Vendor(PageBlock(0x89, ch, 0, 3, 8, 32768 + ch * 4096u), Direction::In, code));
        EXPECT_EQ(std::string(info.begin(), info.begin() + 16), std::string("LDBK BLOCKS V50\0", 16));
        EXPECT_EQ(info[0x18], ch);
        EXPECT_EQ(info[0x230], 2);
        EXPECT_EQ(Bytes(code.begin(), code.begin() + 4), (Bytes{0x18, 0xF0, 0x9F, 0xE5}));
        EXPECT_EQ(code[0x550], 1);
    }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, SimControllerTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Sata" : "Usb"; });

}  // namespace
}  // namespace qx::sim::test
