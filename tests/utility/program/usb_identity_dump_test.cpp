// The USB identity group of a drive on the controller's own USB, read by the
// utility's whole refresh over the real pages and written by the SSD
// information dump. A drive the station produced runs from its system
// firmware's header page, whose IDENTIFY template lies where an identity
// block would: the group stays empty. A drive whose memory image carries the
// block shows it.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/rack/drive_config_text.h"
#include "sim/rack/ini_text.h"
#include "utility/drive_page_set.h"
#include "utility/ssd_info_dump.h"
#include "utility/support/utility_rack_fixture.h"

namespace qx::test {
namespace {

using utility::EditId;

// As a rack.ini section reads: a drive the station has produced, on the
// controller's own USB interface.
constexpr const char* kProducedUsb =
    "[drive01]\n"
    "frontEnd=usb\nchipTag=q814\nstate=firmware\nserial=QXU0000042\n"
    "systemModel=849\nsystemVersion=3A0151\nsystemVariant=41\n";

// A memory image of the other layout: the USB identity block, no header.
std::vector<std::uint8_t> ImageWithIdentityBlock() {
    std::vector<std::uint8_t> image(4096, 0);
    image[100] = 0x4D;   // VID 1D4D
    image[101] = 0x1D;
    image[102] = 0x02;   // PID 0A02
    image[103] = 0x0A;
    std::memcpy(&image[118], "QUORLIX", 7);
    std::memcpy(&image[126], "QXF84X USB", 10);
    const auto descriptor = [&](std::size_t at, const std::string& text) {
        image[at] = static_cast<std::uint8_t>(2 + 2 * text.size());
        image[at + 1] = 3;
        for (std::size_t i = 0; i < text.size(); ++i) image[at + 2 + 2 * i] = static_cast<std::uint8_t>(text[i]);
    };
    descriptor(158, "Quorlix");
    descriptor(192, "USB SSD");
    descriptor(242, "QXU0000042");
    std::memcpy(&image[0x300], "QXSS", 4);   // a tag without the header's mark at 0x30D
    return image;
}

struct Identity {
    std::string vendor, product, vid, pid, manufacturer, productString, serial;
};

class UsbIdentityDump : public UtilityRackFixture {
protected:
    sim::SimDrive& AddProducedUsbDrive() { return Add(UsbPath(0), DescribedDrive(kProducedUsb)); }
    void ReadFirstRow() { UtilityRackFixture::ReadFirstRow(drivePages_); }
    Identity Shown() const {
        return {view_.Text(EditId::VendorNameEdit),       view_.Text(EditId::ProductNameEdit),
                view_.Text(EditId::VIDEdit),              view_.Text(EditId::PIDEdit),
                view_.Text(EditId::ManufacturStringEdit), view_.Text(EditId::ProductStringEdit),
                view_.Text(EditId::SNUSBEdit)};
    }
    // The dump file's first seven lines, line ends cut.
    std::vector<std::string> DumpedIdentityRows() {
        std::filesystem::path written;
        EXPECT_TRUE(utility::DumpSSDInfo(view_, folder_.path(), "info", &written));
        std::ifstream in(written, std::ios::binary);
        std::vector<std::string> rows;
        for (std::string line; rows.size() < 7 && std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            rows.push_back(line);
        }
        return rows;
    }
    utility::DrivePageSet drivePages_;
};

TEST_F(UsbIdentityDump, AProducedDriveShowsNoIdentityAndItsCapacity) {
    sim::SimDrive& drive = AddProducedUsbDrive();
    {
        // What the group would otherwise show: the header's IDENTIFY text.
        auto hold = drive.Lock();
        const std::vector<std::uint8_t>& image = drive.Model().systemImage;
        ASSERT_GE(image.size(), 0x30Eu);
        ASSERT_EQ(std::memcmp(&image[0x300], "QXSS", 4), 0);
        ASSERT_EQ(image[0x30D], 'S');
        ASSERT_NE(image[126], 0);
    }
    ReadFirstRow();
    const Identity shown = Shown();
    for (const std::string* text : {&shown.vendor, &shown.product, &shown.vid, &shown.pid, &shown.manufacturer,
                                    &shown.productString, &shown.serial})
        EXPECT_EQ(*text, "");
    EXPECT_EQ(view_.Text(EditId::CapEdit), "122104 MB");
    EXPECT_EQ(view_.Text(EditId::TotalLBAEdit), "250069679");   // READ CAPACITY's last LBA
    // The SSD information still comes from the same image.
    EXPECT_EQ(view_.Text(EditId::FwEdit), "F/W version : QXSS,3A0151,S,849,41");
    EXPECT_EQ(DumpedIdentityRows(), (std::vector<std::string>{"Vendor Name:", "Product Name:", "Manufacture String:",
                                                              "Product String:", "VID:", "PID:", "Serial Num:"}));
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(UsbIdentityDump, AnImageWithTheIdentityBlockShowsIt) {
    sim::SimDrive& drive = AddProducedUsbDrive();
    {
        auto hold = drive.Lock();
        drive.Model().systemImage = ImageWithIdentityBlock();
    }
    ReadFirstRow();
    const Identity shown = Shown();
    EXPECT_EQ(shown.vendor, "QUORLIX");
    EXPECT_EQ(shown.product, "QXF84X USB");
    EXPECT_EQ(shown.vid, "1D4D");
    EXPECT_EQ(shown.pid, "0A02");
    EXPECT_EQ(shown.manufacturer, "Quorlix");
    EXPECT_EQ(shown.productString, "USB SSD");
    EXPECT_EQ(shown.serial, "QXU0000042");
    EXPECT_EQ(DumpedIdentityRows(),
              (std::vector<std::string>{"Vendor Name:QUORLIX", "Product Name:QXF84X USB", "Manufacture String:Quorlix",
                                        "Product String:USB SSD", "VID:1D4D", "PID:0A02", "Serial Num:QXU0000042"}));
}

}  // namespace
}  // namespace qx::test
