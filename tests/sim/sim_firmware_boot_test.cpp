// The loader's hand-over to the firmware on the enable command with mode 1
// or 2, on both paths.
#include <gtest/gtest.h>

#include <cerrno>

#include "sim/model/code_blocks.h"
#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

using platform::Direction;

class SimFirmwareBootTest : public ::testing::Test, public RackTest {
protected:
    static DriveConfig Loader(FrontEnd fe) {
        DriveConfig cfg;
        cfg.frontEnd = fe;
        cfg.state = ControllerState::Loader;
        cfg.bootDelayMs = 2000;
        cfg.model = "QX FIRMWARE MODEL";
        cfg.inquiryVendor = "QXFW";
        cfg.inquiryProduct = "Firmware Disk";
        cfg.capacitySectors = 500'118'192;
        return cfg;
    }
    bool Enable(const std::string& path, bool sata, std::uint8_t mode) {
        if (sata && SendScsi(path, SetVendorMode(true)).status != 0) return false;
        Bytes none;
        return SendVendor(path, sata, 0, VendorBlock(sata, 0x83, {mode}), Direction::None, none);
    }
    Bytes ReplySector() {
        SendScsi(kBridgePath, SetVendorMode(true));
        Bytes r(512);
        SendScsi(kBridgePath, TunnelBlock(0, false, 1, 0xFF), Direction::In, r);
        return Bytes(r.begin(), r.begin() + 3);
    }
};

const Bytes kSignature = {0xE5, 0x51, 0x58};

TEST_F(SimFirmwareBootTest, UsbDeviceVanishesAndReturnsWithFirmwareNames) {
    SimDrive& d = rack.AddDrive(kUsbPath, Loader(FrontEnd::NativeUsb));
    ASSERT_TRUE(Enable(kUsbPath, false, 1));
    Bytes inq(40);
    clock.Advance(1999);
    auto r = SendScsi(kUsbPath, {0x12, 0, 0, 0, 40, 0}, Direction::In, inq);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_FALSE(d.Present());
    clock.Advance(1);
    r = SendScsi(kUsbPath, {0x12, 0, 0, 0, 40, 0}, Direction::In, inq);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(std::string(inq.begin() + 8, inq.begin() + 29), "QXFW    Firmware Disk");
    EXPECT_EQ(d.State(), ControllerState::Firmware);
    Bytes cap(8);
    SendScsi(kUsbPath, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Direction::In, cap);
    EXPECT_EQ(cap[0] << 24 | cap[1] << 16 | cap[2] << 8 | cap[3], 500'118'191);
}

TEST_F(SimFirmwareBootTest, SataDriveAbortsWhileBootingThenSignsItsReply) {
    SimDrive& d = rack.AddDrive(kBridgePath, Loader(FrontEnd::Bridge));
    ASSERT_TRUE(Enable(kBridgePath, true, 1));
    EXPECT_FALSE(d.VendorMode());
    Bytes id(512);
    const Bytes identify = Sat12(0x08, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xEC);
    EXPECT_EQ(SendScsi(kBridgePath, identify, Direction::In, id).status, 2);
    EXPECT_NE(ReplySector(), kSignature);
    // The bridge itself still answers.
    Bytes inq(40);
    EXPECT_EQ(SendScsi(kBridgePath, {0x12, 0, 0, 0, 40, 0}, Direction::In, inq).status, 0);

    clock.Advance(2000);
    EXPECT_EQ(ReplySector(), kSignature);
    ASSERT_EQ(SendScsi(kBridgePath, identify, Direction::In, id).status, 0);
    std::string model;
    for (std::size_t i = 0; i < 17; ++i) model += static_cast<char>(id[54 + (i ^ 1)]);
    EXPECT_EQ(model, "QX FIRMWARE MODEL");
    EXPECT_EQ(id[200] | id[201] << 8 | id[202] << 16 | id[203] << 24, 500'118'192);
}

// What keeps the loader from handing over; the drive comes back as a loader
// after the boot's time (or boots without signing its reply).
TEST_F(SimFirmwareBootTest, FailedBootsComeBackAsTheLoader) {
    struct Case {
        const char* name;
        void (*setup)(DriveConfig&);
        std::uint8_t mode;
        ControllerState after;
    };
    const Case cases[] = {
        {"never boots", [](DriveConfig& c) { c.neverBoots = true; }, 1, ControllerState::Loader},
        {"blank code blocks", [](DriveConfig& c) { c.binFiles = 0; }, 1, ControllerState::Loader},
        {"mode 2, one bin file", [](DriveConfig&) {}, 2, ControllerState::Loader},
        {"mode 2, two bin files", [](DriveConfig& c) { c.binFiles = 2; }, 2, ControllerState::Firmware},
        {"foreign header text", [](DriveConfig& c) { c.infoHeader = "LDBK BLOCKS V60"; }, 1, ControllerState::Loader},
        {"no signature", [](DriveConfig& c) { c.bootsWithoutSignature = true; }, 1, ControllerState::Firmware},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool sata : {false, true}) {
            DriveConfig cfg = Loader(sata ? FrontEnd::Bridge : FrontEnd::NativeUsb);
            c.setup(cfg);
            const std::string& path = sata ? kBridgePath : kUsbPath;
            SimDrive& d = rack.AddDrive(path, cfg);
            ASSERT_TRUE(Enable(path, sata, c.mode));
            clock.Advance(2000);
            EXPECT_TRUE(d.Present());
            EXPECT_EQ(d.State(), c.after);
            if (sata) {
                const bool signs = c.after == ControllerState::Firmware && !cfg.bootsWithoutSignature;
                EXPECT_EQ(ReplySector() == kSignature, signs);
            }
        }
    }
}

TEST_F(SimFirmwareBootTest, ATornCodeTagStopsTheBoot) {
    SimDrive& d = rack.AddDrive(kBridgePath, Loader(FrontEnd::Bridge));
    for (const std::uint16_t b : d.Config().codeBlocks) d.Model().nand.Erase(0, 0, b);
    d.Model().nand.Program({0, 0, 0, kInfoPageIndex}, Bytes{'L', 'D', 'B', 'K', ' ', 'B', 'L', 'O', 'C', 'K', 'S', ' ', 'V', '5', '0', 0});
    ASSERT_TRUE(Enable(kBridgePath, true, 1));
    clock.Advance(2000);
    EXPECT_EQ(d.State(), ControllerState::Loader);
}

}  // namespace
}  // namespace qx::sim::test
