// The detail dialog's read of a drive on both paths: firmware, loader and a
// failed identity read; the "?" button's choice and its one-user rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace std::string_literals;

#include "qxlib/discovery/port_record.h"
#include "qxlib/programs/system_info.h"
#include "sim/model/drive_model.h"
#include "station/port_info/drive_detail.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using station::DriveDetail;
using station::ReadDriveDetail;

// A USB string descriptor: length byte, type 3, then UTF-16 units.
void PutDescriptor(std::vector<std::uint8_t>& image, std::size_t at, const std::string& text) {
    image[at] = static_cast<std::uint8_t>(2 + 2 * text.size());
    image[at + 1] = 3;
    for (std::size_t i = 0; i < text.size(); ++i) image[at + 2 + 2 * i] = static_cast<std::uint8_t>(text[i]);
}

// The firmware answers IDENTIFY with the template it keeps in its memory
// image at 0x4C: ATA strings with their byte pairs swapped.
constexpr std::size_t kIdentifyTemplateAt = 0x4C;
void PutAtaText(std::vector<std::uint8_t>& image, std::size_t byte, std::size_t bytes, const std::string& text) {
    for (std::size_t i = 0; i < bytes; ++i)
        image[kIdentifyTemplateAt + byte + (i ^ 1)] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

class DriveDetailTest : public VendorFixture {
protected:
    void SataIdentity(int slot) {
        auto hold = DriveOf(slot).Lock();
        std::vector<std::uint8_t>& image = DriveOf(slot).Model().systemImage;
        PutAtaText(image, 20, 20, "FW-SERIAL-77");
        PutAtaText(image, 46, 8, "QXFW0200");
        PutAtaText(image, 54, 40, "Quorlix QX849 SSD");
        // Words 108..111: the world wide name, high byte first in each word.
        const std::uint8_t wwn[8] = {0x50, 0x00, 0xC5, 0x00, 0xB2, 0xA1, 0xD4, 0xC3};
        for (std::size_t i = 0; i < 8; ++i) image[kIdentifyTemplateAt + 216 + (i ^ 1)] = wwn[i];
    }
    void InFirmware(int slot) {
        std::vector<std::uint8_t> image(kSystemImageBytes, 0);
        image[100] = 0x34;   // VID 1234
        image[101] = 0x12;
        image[102] = 0x78;   // PID 5678
        image[103] = 0x56;
        std::memcpy(&image[118], "QUORLIXV", 8);
        std::memcpy(&image[126], "PRODUCT-NAME-16C", 16);
        PutDescriptor(image, 158, "Quorlix");
        PutDescriptor(image, 192, "Fast SSD");
        PutDescriptor(image, 242, "0123456789ABCDEFGHIJKL");   // more than the 20 it shows
        std::memcpy(&image[768], "QXSS102003 firmware header text that runs past 39", 49);
        SetState(slot, sim::ControllerState::Firmware);
        VendorModeOn(slot);
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().systemImage = image;
    }
};

TEST_F(DriveDetailTest, SataDriveInFirmwareShowsItsIdentityLinesAndFirmwareInformation) {
    InFirmware(kSataSlot);
    SataIdentity(kSataSlot);
    const DriveDetail d = ReadDriveDetail(kSataSlot);
    ASSERT_EQ(d.memoLines.size(), 6u);
    EXPECT_EQ(d.memoLines[0], "Model Number: \tQuorlix QX849 SSD" + std::string(23, ' '));
    EXPECT_EQ(d.memoLines[1], "F/W Version: \tQXFW0200");
    EXPECT_EQ(d.memoLines[2], "Serial Number: \tFW-SERIAL-77" + std::string(8, ' '));
    EXPECT_EQ(d.memoLines[3], "World Wide Name:\t5000C500B2A1D4C3");
    EXPECT_EQ(d.memoLines[4], "Capacity:\t\t122104 MB");
    EXPECT_EQ(d.memoLines[5], "LBA:         \t250069680");
    EXPECT_FALSE(d.loader);
    EXPECT_TRUE(d.fwInfoRead);
    EXPECT_EQ(d.fwInfo, "QXSS102003 firmware header text that runs past 39");
}

TEST_F(DriveDetailTest, SataDriveInItsLoaderShowsItsLinesAndNoFirmwareRead) {
    const DriveDetail d = ReadDriveDetail(kSataSlot);
    ASSERT_EQ(d.memoLines.size(), 6u);
    EXPECT_EQ(d.memoLines[0], "Model Number: \tZivizaz EVO SATA Loader Loader Device" + std::string(3, ' '));
    EXPECT_TRUE(d.loader);
    EXPECT_FALSE(d.fwInfoRead);
    for (const std::string& w : Sent(kSataSlot)) EXPECT_NE(w[0], 'V') << "no vendor command to a loader";
}

TEST_F(DriveDetailTest, UsbDriveInFirmwareShowsItsUsbIdentityFromTheMemoryImage) {
    InFirmware(kUsbSlot);
    const DriveDetail d = ReadDriveDetail(kUsbSlot);
    EXPECT_TRUE(d.memoLines.empty());
    EXPECT_FALSE(d.loader);
    EXPECT_EQ(d.capacity, "122104 MB");
    ASSERT_TRUE(d.usbStringsRead);
    EXPECT_EQ(d.vid, "1234");
    EXPECT_EQ(d.pid, "5678");
    EXPECT_EQ(d.vendorName, "QUORLIXV");
    EXPECT_EQ(d.productName, "PRODUCT-NAME-16C");
    EXPECT_EQ(d.manufacturer, "Quorlix");
    EXPECT_EQ(d.productString, "Fast SSD");
    EXPECT_EQ(d.serial, "0123456789ABCDEFGHIJ");
    EXPECT_EQ(d.fwInfo, "QXSS102003 firmware header text that ru");
}

// The system firmware's header page ("QXSS" at 0x300, "S" at 0x30D) holds
// its IDENTIFY template over the identity block's offsets: no identity.
TEST_F(DriveDetailTest, UsbIdentityOnlyFromAnImageWithoutTheSystemHeader) {
    struct Case {
        const char* what;
        std::uint8_t markAt30D;
        bool shown;
    };
    for (const Case& c : {Case{"the header's tag and mark", 'S', false}, Case{"the tag, another mark", 'X', true}}) {
        SCOPED_TRACE(c.what);
        InFirmware(kUsbSlot);
        {
            auto hold = DriveOf(kUsbSlot).Lock();
            DriveOf(kUsbSlot).Model().systemImage[0x30D] = c.markAt30D;
        }
        const DriveDetail d = ReadDriveDetail(kUsbSlot);
        ASSERT_TRUE(d.usbStringsRead);
        EXPECT_EQ(d.capacity, "122104 MB");
        EXPECT_TRUE(d.fwInfoRead);
        const std::vector<std::string> fields{d.vid,          d.pid,           d.vendorName, d.productName,
                                              d.manufacturer, d.productString, d.serial};
        if (c.shown) {
            EXPECT_EQ(fields, (std::vector<std::string>{"1234", "5678", "QUORLIXV", "PRODUCT-NAME-16C", "Quorlix",
                                                        "Fast SSD", "0123456789ABCDEFGHIJ"}));
        } else {
            EXPECT_EQ(fields, std::vector<std::string>(7));
        }
    }
}

TEST_F(DriveDetailTest, UsbDriveInItsLoaderReadsNoSystemInformation) {
    const DriveDetail d = ReadDriveDetail(kUsbSlot);
    EXPECT_TRUE(d.loader);
    EXPECT_FALSE(d.usbStringsRead);
    EXPECT_FALSE(d.fwInfoRead);
}

TEST_F(DriveDetailTest, AFailedIdentityReadSaysSoAndNothingElse) {
    for (int slot : {kSataSlot, kUsbSlot}) {
        SCOPED_TRACE(slot);
        DriveOf(slot).AddFault(sim::FaultRule::Of(sim::FaultKind::SyscallFails));
        const DriveDetail d = ReadDriveDetail(slot);
        EXPECT_EQ(d.memoLines, std::vector<std::string>{"Read Identify fail!"});
        EXPECT_FALSE(d.loader);
        EXPECT_FALSE(d.fwInfoRead);
        EXPECT_FALSE(d.capacityRead);
    }
}

TEST(UsbDescriptorTextTest, LengthByteRulesAndBounds) {
    std::vector<std::uint8_t> image(16, 0);
    PutDescriptor(image, 0, "ABC");
    EXPECT_EQ(station::UsbDescriptorText(image, 0, 16), "ABC");
    EXPECT_EQ(station::UsbDescriptorText(image, 0, 2), "AB");
    for (const std::uint8_t length : {std::uint8_t{0}, std::uint8_t{1}}) {
        image[0] = length;
        EXPECT_EQ(station::UsbDescriptorText(image, 0, 16), "");
    }
    image[10] = 200;   // claims more than the image holds
    image[12] = 'Z';
    EXPECT_EQ(station::UsbDescriptorText(image, 10, 100), "Z\0"s);   // stops at the image's end
    EXPECT_EQ(station::UsbDescriptorText(image, 16, 10), "");
}

class PortDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ClearPortTable(ActivePortTable); }
    void TearDown() override { ClearPortTable(ActivePortTable); }
};

TEST_F(PortDialogTest, FailureDetailNothingOrTheBusyNote) {
    using station::PortDialog;
    ActivePortTable[2].Connected = 1;
    ActivePortTable[3].Connected = 1;
    ActivePortTable[3].ErrorCode = 42;
    int asked = -1;
    const station::PortBusy idle = [&](int port) {
        asked = port;
        return false;
    };
    EXPECT_EQ(station::ChoosePortDialog(2, idle), PortDialog::Detail);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(station::ChoosePortDialog(3, idle), PortDialog::Failure);
    EXPECT_EQ(station::ChoosePortDialog(4, idle), PortDialog::None);
    EXPECT_EQ(station::ChoosePortDialog(50, idle), PortDialog::None);
    const station::PortBusy busy = [](int port) { return port == 3; };
    EXPECT_EQ(station::ChoosePortDialog(3, busy), PortDialog::BusyNote);
    EXPECT_EQ(station::ChoosePortDialog(2, busy), PortDialog::Detail);
    EXPECT_EQ(station::PortBusyNote(3),
              "Port 4 is still in production; its information can be read once the run has ended.");
}

}  // namespace
}  // namespace qx::test
