// The two front ends and the ATA engine, through the platform's device I/O.
#include <gtest/gtest.h>

#include <string>

#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

using platform::Direction;

std::string Text(const Bytes& b, std::size_t at, std::size_t n) {
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

// IDENTIFY strings are stored with the bytes of each word swapped.
std::string IdentifyText(const Bytes& id, std::size_t at, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(id[at + (i ^ 1)]);
    return s;
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

Bytes Read10(std::uint32_t lba, std::uint16_t n) {
    return {0x28, 0, static_cast<std::uint8_t>(lba >> 24), static_cast<std::uint8_t>(lba >> 16),
            static_cast<std::uint8_t>(lba >> 8), static_cast<std::uint8_t>(lba), 0,
            static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n), 0};
}

Bytes Write10(std::uint32_t lba, std::uint16_t n) {
    Bytes c = Read10(lba, n);
    c[0] = 0x2A;
    return c;
}

class SimFrontEndTest : public ::testing::Test, public RackTest {};

TEST_F(SimFrontEndTest, InquiryNamesFollowFrontEndAndState) {
    struct Case {
        FrontEnd fe;
        ControllerState state;
        std::string tag;
        std::string bytes8to31;
    };
    const Case cases[] = {
        {FrontEnd::Bridge, ControllerState::Loader, "q455", "QX      SATA Bridge     "},
        {FrontEnd::NativeUsb, ControllerState::Loader, "q814", "Zivizaz EVO USB Loader  "},
        {FrontEnd::NativeUsb, ControllerState::ProgramRunning, "F81X", "Zivizaz EVO USB Loader  "},
        // The firmware on the controller's own USB names the drive, not a bridge.
        {FrontEnd::NativeUsb, ControllerState::Firmware, "q814", "QUORLIX QXF84X USB      "},
    };
    for (const Case& c : cases) {
        DriveConfig cfg;
        cfg.frontEnd = c.fe;
        cfg.state = c.state;
        cfg.chipTag = c.tag;
        rack.AddDrive(kBridgePath, cfg);
        Bytes data(40, 0xEE);
        const auto r = SendScsi(kBridgePath, {0x12, 0, 0, 0, 40, 0}, Direction::In, data);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.transferred, 40u);
        EXPECT_EQ(Text(data, 8, 24), c.bytes8to31);
        EXPECT_EQ(Text(data, 36, 4), c.tag);
    }
}

TEST_F(SimFrontEndTest, UserSectorsRoundTripOnBothFrontEnds) {
    for (FrontEnd fe : {FrontEnd::Bridge, FrontEnd::NativeUsb}) {
        DriveConfig cfg;
        cfg.frontEnd = fe;
        cfg.capacitySectors = 4096;
        SimDrive& d = rack.AddDrive(kBridgePath, cfg);
        Bytes out(1024);
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7);
        ASSERT_EQ(SendScsi(kBridgePath, Write10(4094, 2), Direction::Out, out).status, 0);
        Bytes in(1024);
        ASSERT_EQ(SendScsi(kBridgePath, Read10(4094, 2), Direction::In, in).status, 0);
        EXPECT_EQ(in, out);
        EXPECT_EQ(d.ReadUserSectors(4095, 1), Bytes(out.begin() + 512, out.end()));
        EXPECT_EQ(d.StoredSectorCount(), 2u);

        // Past the end, and a length that disagrees with the count.
        Bytes one(512);
        const auto past = SendScsi(kBridgePath, Read10(4095, 2), Direction::In, in);
        EXPECT_EQ(past.status, 2);
        const auto mismatched = SendScsi(kBridgePath, Read10(0, 2), Direction::In, one);
        EXPECT_EQ(mismatched.status, 2);
        EXPECT_EQ(mismatched.sense[2], 0x05);
    }
}

TEST_F(SimFrontEndTest, ZeroSectorsAreNotStored) {
    SimDrive& d = rack.AddDrive(kBridgePath, {});
    d.WriteUserSectors(10, Bytes(512, 1));
    d.WriteUserSectors(10, Bytes(512, 0));
    EXPECT_EQ(d.StoredSectorCount(), 0u);
}

TEST_F(SimFrontEndTest, ReadCapacityReportsLastLbaOrAllOnes) {
    const std::pair<std::uint64_t, std::uint32_t> cases[] = {
        {0x100000, 0x000FFFFF}, {0x100000000ull, 0xFFFFFFFF}, {0x200000000ull, 0xFFFFFFFF}};
    for (auto [sectors, last] : cases) {
        DriveConfig cfg;
        cfg.frontEnd = FrontEnd::NativeUsb;
        cfg.capacitySectors = sectors;
        rack.AddDrive(kUsbPath, cfg);
        Bytes data(8);
        ASSERT_EQ(SendScsi(kUsbPath, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Direction::In, data).status, 0);
        EXPECT_EQ(static_cast<std::uint32_t>(data[0] << 24 | data[1] << 16 | data[2] << 8 | data[3]), last);
        EXPECT_EQ(data[6], 0x02);
    }
}

TEST_F(SimFrontEndTest, IdentifyCarriesNamesAndCapacityPerState) {
    DriveConfig cfg;
    cfg.capacitySectors = 500'118'192;
    cfg.model = "QX SSD 256GB";
    cfg.serial = "SN12345";
    cfg.loaderModel = "Quorlix QXF84X SATA SSD Loader Device";
    cfg.sataSpeedBits = 0x06;
    cfg.state = ControllerState::Loader;
    SimDrive& d = rack.AddDrive(kBridgePath, cfg);
    Bytes id(512);
    ASSERT_EQ(SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xEC), Direction::In, id).status, 0);
    EXPECT_EQ(IdentifyText(id, 54, 40), "Quorlix QXF84X SATA SSD Loader Device   ");
    EXPECT_EQ(id[152], 0x0E);                                  // a loader reports 14 in word 76
    EXPECT_EQ(Le32(id, 120), 0x0FFFFFFFu);                     // words 60-61
    EXPECT_EQ(Le32(id, 200), 500'118'192u);                    // words 100-101
    EXPECT_EQ(Le32(id, 204), 0u);
    unsigned sum = 0;
    for (auto b : id) sum += b;
    EXPECT_EQ(sum & 0xFF, 0u);
    EXPECT_EQ(id[510], 0xA5);

    d.SetState(ControllerState::Firmware);
    ASSERT_EQ(SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xEC), Direction::In, id).status, 0);
    EXPECT_EQ(IdentifyText(id, 54, 12), "QX SSD 256GB");
    EXPECT_EQ(IdentifyText(id, 20, 8), "SN12345 ");
    EXPECT_EQ(id[152], 0x06);
}

TEST_F(SimFrontEndTest, AtaErrorComesBackAsDescriptorSense) {
    rack.AddDrive(kBridgePath, {});
    // SET FEATURES with a feature the drive does not know.
    const auto r = SendScsi(kBridgePath, Sat12(0x06, 0, 0x77, 0, 0, 0, 0, 0xE0, 0xEF));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.sense[0], 0x72);
    EXPECT_EQ(r.sense[1], 0x0B);
    EXPECT_EQ(r.sense[2], 0x00);    // ASC/ASCQ 00/00 of an aborted command
    EXPECT_EQ(r.sense[3], 0x00);
    EXPECT_EQ(r.sense[8], 0x09);
    EXPECT_EQ(r.sense[11], 0x04);   // error: ABRT
    EXPECT_EQ(r.sense[21], 0x51);   // status: DRDY | ERR
}

// The rack's sense formats, as a SAT layer with D_SENSE=1, D_SENSE=0 in the
// SAT layout, and D_SENSE=0 as libata before Linux 6.10 lays it out.
TEST_F(SimFrontEndTest, AtaReturnsComeInTheDrivesSenseFormat) {
    struct Case {
        SenseFormat format;
        Bytes refused;    // SET FEATURES 77h, refused
        Bytes pastEnd;    // READ DMA EXT at 0x20000000 on a drive of 0x20000000 sectors
        Bytes native;     // READ NATIVE MAX EXT with CK_COND
    };
    const Case cases[] = {
        {SenseFormat::Descriptor,
         {0x72, 0x0B, 0x00, 0x00, 0, 0, 0, 0x0E, 0x09, 0x0C, 0x00, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x51},
         {0x72, 0x05, 0x21, 0x00, 0, 0, 0, 0x0E, 0x09, 0x0C, 0x01, 0x10, 0, 0, 0x20, 0, 0, 0, 0, 0, 0x40, 0x51},
         {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E, 0x09, 0x0C, 0x01, 0x00, 0, 0, 0x1F, 0xFF, 0, 0xFF, 0, 0xFF, 0x40, 0x50}},
        {SenseFormat::Fixed,
         {0xF0, 0, 0x0B, 0x04, 0x51, 0x00, 0x00, 0x0A, 0x00, 0, 0, 0, 0x00, 0x00, 0, 0, 0, 0},
         {0xF0, 0, 0x05, 0x10, 0x51, 0x40, 0x00, 0x0A, 0xA0, 0, 0, 0, 0x21, 0x00, 0, 0, 0, 0},
         {0xF0, 0, 0x01, 0x00, 0x50, 0x40, 0x00, 0x0A, 0xA0, 0xFF, 0xFF, 0xFF, 0x00, 0x1D, 0, 0, 0, 0}},
        {SenseFormat::FixedLibata,
         {0x70, 0, 0x0B, 0, 0, 0, 0, 0x0A, 0x04, 0x51, 0x00, 0x00, 0x00, 0x00, 0, 0, 0x00, 0, 0, 0},
         {0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0x10, 0x51, 0x40, 0x00, 0x21, 0x00, 0, 0, 0xA0, 0, 0, 0},
         // a command that went well: descriptor sense whatever D_SENSE says
         {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x0E, 0x09, 0x0C, 0x01, 0x00, 0, 0, 0x1F, 0xFF, 0, 0xFF, 0, 0xFF, 0x40, 0x50}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        DriveConfig cfg;
        cfg.capacitySectors = 0x20000000;
        cfg.senseFormat = c.format;
        rack.AddDrive(kBridgePath, cfg);
        auto prefix = [](const platform::ScsiResult& r, std::size_t n) {
            return Bytes(r.sense.begin(), r.sense.begin() + static_cast<std::ptrdiff_t>(n));
        };
        auto r = SendScsi(kBridgePath, Sat12(0x06, 0, 0x77, 0, 0, 0, 0, 0xE0, 0xEF));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(prefix(r, c.refused.size()), c.refused);
        Bytes sector(512);
        r = SendScsi(kBridgePath, {0x85, 0x0D, 0x0E, 0, 0, 0, 0x01, 0x20, 0, 0, 0, 0, 0, 0x40, 0x25, 0},
                     Direction::In, sector);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(prefix(r, c.pastEnd.size()), c.pastEnd);
        r = SendScsi(kBridgePath, {0x85, 0x07, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x27, 0});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(prefix(r, c.native.size()), c.native);
    }
}

TEST_F(SimFrontEndTest, SatProtocolMustAgreeWithTransfer) {
    rack.AddDrive(kBridgePath, {});
    Bytes id(512);
    // PIO data-in block sent as a data-out request.
    const auto r = SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xEC), Direction::Out, id);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.sense[2], 0x05);
    // READ DMA as PIO data-in, IDENTIFY as DMA: the drive aborts both.
    EXPECT_EQ(SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xC8), Direction::In, id).status, 2);
    EXPECT_EQ(SendScsi(kBridgePath, Sat12(0x14, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xEC), Direction::In, id).status, 2);
    EXPECT_EQ(SendScsi(kBridgePath, Sat12(0x14, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xC8), Direction::In, id).status, 0);
}

TEST_F(SimFrontEndTest, SetMaxOnlyRightAfterReadNativeMax) {
    DriveConfig cfg;
    cfg.capacitySectors = 0x20000000;   // beyond 28 bits
    SimDrive& d = rack.AddDrive(kBridgePath, cfg);
    const Bytes readNative16 = {0x85, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x27, 0};
    const Bytes setMax16 = {0x85, 0x07, 0, 0, 0, 0, 0x01, 0x01, 0x00, 0, 0x00, 0, 0x00, 0xE0, 0x37, 0};  // 0x01000000
    // Without READ NATIVE MAX first the drive aborts.
    EXPECT_EQ(SendScsi(kBridgePath, setMax16).status, 2);
    EXPECT_EQ(d.CapacitySectors(), 0x20000000u);

    Bytes none;
    // Asked without the LBA bit, the drive answers in CHS form: sector 20h,
    // cylinder FFFFh (the most it holds), head 0.
    auto native = SendScsi(kBridgePath, {0x85, 0x06, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x27, 0});  // CK_COND
    ASSERT_EQ(native.status, 2);
    EXPECT_EQ(native.sense[15], 0x20);
    EXPECT_EQ(native.sense[20] & 0x0F, 0x00);
    native = SendScsi(kBridgePath, {0x85, 0x06, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0x27, 0});
    ASSERT_EQ(native.status, 2);
    EXPECT_EQ(native.sense[1], 0x01);   // recovered: registers returned
    EXPECT_EQ(native.sense[15], 0xFF);
    EXPECT_EQ(native.sense[17], 0xFF);
    EXPECT_EQ(native.sense[19], 0xFF);
    EXPECT_EQ(native.sense[14], 0x1F);  // LBA bits 24..31, high half of LBA low
    EXPECT_EQ(SendScsi(kBridgePath, readNative16).status, 0);
    EXPECT_EQ(SendScsi(kBridgePath, setMax16).status, 0);
    EXPECT_EQ(d.CapacitySectors(), 0x01000001u);

    // 28-bit form: device byte carries LBA bits 24..27.
    SendScsi(kBridgePath, Sat12(0x06, 0, 0, 0, 0, 0, 0, 0, 0xF8));
    EXPECT_EQ(SendScsi(kBridgePath, Sat12(0x06, 0, 0, 0x01, 0xFF, 0xFF, 0xFF, 0xE0, 0xF9)).status, 0);
    EXPECT_EQ(d.CapacitySectors(), 0x01000000u);
    Bytes id(512);
    SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xEC), Direction::In, id);
    EXPECT_EQ(Le32(id, 120), 0x01000000u);
}

TEST_F(SimFrontEndTest, SmartNeedsItsSignatureAndAnswersAttributes) {
    rack.AddDrive(kBridgePath, {});
    Bytes data(512);
    EXPECT_EQ(SendScsi(kBridgePath, Sat12(0x06, 0, 0xD8, 1, 0, 0x4F, 0xC2, 0, 0xB0)).status, 0);
    ASSERT_EQ(SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0xD0, 1, 0, 0x4F, 0xC2, 0, 0xB0), Direction::In, data).status, 0);
    bool temperature = false;
    for (std::size_t at = 2; at < 362; at += 12)
        if (data[at] == 0xC2) temperature = data[at + 5] == 35;
    EXPECT_TRUE(temperature);
    ASSERT_EQ(SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0xD1, 1, 0, 0x4F, 0xC2, 0, 0xB0), Direction::In, data).status, 0);
    EXPECT_EQ(data[0], 0x10);
    EXPECT_EQ(SendScsi(kBridgePath, Sat12(0x08, 0x0B, 0xD0, 1, 0, 0, 0, 0, 0xB0), Direction::In, data).status, 2);
}

TEST_F(SimFrontEndTest, HostLogPagesKeepWhatIsWritten) {
    rack.AddDrive(kBridgePath, {});
    Bytes page(512, 0x20);
    page[0] = 'P';
    // WRITE LOG EXT, log 0x9A page 0, PIO and DMA forms.
    const Bytes write = {0x85, 0x0B, 0x03, 0, 0, 0, 1, 0, 0x9A, 0, 0, 0, 0, 0xE0, 0x3F, 0};
    ASSERT_EQ(SendScsi(kBridgePath, write, Direction::Out, page).status, 0);
    Bytes back(512);
    const Bytes readDma = {0x85, 0x15, 0x0B, 0, 0, 0, 1, 0, 0x9A, 0, 0, 0, 0, 0xE0, 0x47, 0};
    ASSERT_EQ(SendScsi(kBridgePath, readDma, Direction::In, back).status, 0);
    EXPECT_EQ(back, page);
    // Logs outside the host range are not writable.
    const Bytes writeSmartLog = {0x85, 0x0B, 0x03, 0, 0, 0, 1, 0, 0x30, 0, 0, 0, 0, 0xE0, 0x3F, 0};
    EXPECT_EQ(SendScsi(kBridgePath, writeSmartLog, Direction::Out, page).status, 2);
}

TEST_F(SimFrontEndTest, DirectAtaRouteReachesTheSameEngine) {
    rack.AddDrive(kBridgePath, {});
    Bytes data(1024, 0x5A);
    platform::AtaCommand w;
    w.ext48 = true;
    w.dma = true;
    w.dir = Direction::Out;
    w.data = data;
    w.current = {0, 2, 0x10, 0, 0, 0x40, 0x35, 0};
    auto r = SendAta(kBridgePath, w);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.current[platform::kTfStatus], 0x50);
    EXPECT_EQ(rack.Find(kBridgePath)->ReadUserSectors(0x11, 1), Bytes(512, 0x5A));

    // The controller's own USB interface has no ATA route.
    DriveConfig usb;
    usb.frontEnd = FrontEnd::NativeUsb;
    rack.AddDrive(kUsbPath, usb);
    platform::AtaCommand id;
    id.current[platform::kTfCommand] = 0xEC;
    id.dir = Direction::In;
    id.data = data;
    r = SendAta(kUsbPath, id);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.current[platform::kTfStatus] & 1, 1);
}

TEST_F(SimFrontEndTest, BridgeTakesOnlyItsOwnVendorBlock) {
    SimDrive& d = rack.AddDrive(kBridgePath, {});
    EXPECT_EQ(SendScsi(kBridgePath, VendorBlock(false, 0x32, {1})).status, 0);
    EXPECT_EQ(d.Model().bridgeCommands, 1);
    EXPECT_EQ(SendScsi(kBridgePath, VendorBlock(false, 0x84)).status, 2);
}

}  // namespace
}  // namespace qx::sim::test
