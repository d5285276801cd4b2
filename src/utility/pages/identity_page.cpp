#include "utility/pages/identity_page.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "qxlib/base/hex_text.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/vendor_builders.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "utility/pages/page_text.h"

namespace qx::utility {
namespace {

constexpr std::size_t kIdentifyBytes = 512;

class Words {
public:
    explicit Words(std::span<const std::uint8_t> data) {
        std::copy_n(data.begin(), std::min(data.size(), bytes_.size()), bytes_.begin());
    }
    std::uint16_t operator[](std::size_t w) const {
        return static_cast<std::uint16_t>(bytes_[2 * w] | bytes_[2 * w + 1] << 8);
    }
    std::uint32_t Pair(std::size_t w) const { return (*this)[w] | std::uint32_t{(*this)[w + 1]} << 16; }
    // Two characters a word, the high byte first.
    std::string Text(std::size_t first, std::size_t last) const {
        std::string text;
        for (std::size_t w = first; w <= last; ++w) {
            AppendChar(text, bytes_[2 * w + 1]);
            AppendChar(text, bytes_[2 * w]);
        }
        return text;
    }
    std::uint8_t Byte(std::size_t at) const { return bytes_[at]; }

private:
    std::array<std::uint8_t, kIdentifyBytes> bytes_{};
};

// The highest set bit among the mask's bits, as a mode number; -1: none.
int HighestMode(unsigned bits, int modes) {
    for (int m = modes - 1; m >= 0; --m)
        if (bits >> m & 1) return m;
    return -1;
}

std::string SupportedUpTo(const char* format, unsigned bits, std::initializer_list<unsigned> masks) {
    int mode = static_cast<int>(masks.size()) - 1;
    for (const unsigned mask : masks) {
        if (bits == mask) return Printf(format, mode);
        --mode;
    }
    return {};
}

std::string Hex4Digits(std::uint8_t high, std::uint8_t low) {
    std::string t;
    for (const std::uint8_t b : {high, low}) {
        t.push_back(NibbleToHexChar(b >> 4));
        t.push_back(NibbleToHexChar(b));
    }
    return t;
}

// Characters of a fixed field up to its first NUL.
std::string FieldText(std::span<const std::uint8_t> image, std::size_t at, std::size_t size) {
    std::string t;
    for (std::size_t i = 0; i < size && at + i < image.size() && image[at + i] != 0; ++i)
        t.push_back(static_cast<char>(image[at + i]));
    return t;
}

// A USB string descriptor: its length byte L counts the two header bytes,
// so (L - 2) / 2 code units follow, each shown as its low byte; never more
// than the field holds.
std::string DescriptorText(std::span<const std::uint8_t> image, std::size_t at, std::size_t max) {
    if (at >= image.size()) return {};
    const std::size_t length = image[at];
    const std::size_t units = std::min<std::size_t>(length >= 2 ? (length - 2) / 2 : 0, max);
    std::string t;
    for (std::size_t u = 0; u < units && at + 2 + 2 * u < image.size(); ++u)
        AppendChar(t, image[at + 2 + 2 * u]);
    return t;
}

}  // namespace

SataIdentityTexts FormatIdentifyPage(std::span<const std::uint8_t> identify) {
    const Words w(identify);
    SataIdentityTexts t;
    t.ModelNameEdit = TrimText("Model Name: " + w.Text(27, 46));
    t.SNEdit = TrimText("Serial Number: " + w.Text(10, 19));
    t.FwVersionEdit = TrimText("Firmware Revision: " + w.Text(23, 26));
    t.DiskHeadEdit = Printf("Heads: %d   Cylinders: %d   Sectors per Track: %d\n", w[3], w[1], w[6]);
    t.ChsEdit = Printf("Current capacity in sectors (CHS mode) : %lu \n", static_cast<unsigned long>(w.Pair(57)));
    const std::uint64_t lba = (w[86] >> 10 & 1)
                                  ? w.Pair(100) | std::uint64_t{w.Pair(102)} << 32
                                  : std::uint64_t{w.Pair(60)};
    t.TotalSectorEdit = Printf("Total number of user addressable sectors: (LBA mode) %llu\n",
                               static_cast<unsigned long long>(lba));
    t.MultiwordDMAmodeEdit = SupportedUpTo("Multiword DMA mode %d and below are supported\n", w[63] & 7u, {7, 3, 1});
    const int mwSelected = HighestMode(w[63] >> 8 & 7u, 3);
    t.MultiwordDMAEdit = mwSelected < 0 ? "Multiword DMA is selected : none\n"
                                        : Printf("Multiword DMA is selected : mode %d\n", mwSelected);
    if (w[53] >> 2 & 1) {
        t.UltraDMAModeEdit = SupportedUpTo("Ultra DMA mode %d and below are supported\n", w[88] & 0x7Fu,
                                           {0x7F, 0x3F, 0x1F, 0x0F, 0x07, 0x03, 0x01});
        const int udmaSelected = HighestMode(w[88] >> 8 & 0x7Fu, 7);
        t.UltraDMAEdit = udmaSelected < 0 ? "Ultra DMA is selected : none\n"
                                          : Printf("Ultra DMA is selected : mode %d\n", udmaSelected);
    }
    t.SMARTfeatureEdit = std::string((w[82] & 1) ? "SMART feature set supported, " : "SMART feature set not supported, ") +
                         ((w[85] & 1) ? "enabled\n" : "not enabled\n");
    t.SecurityModeEdit = std::string((w[82] & 2) ? "Security Mode feature set suppoeted, "
                                                 : "Security Mode feature set not supported, ") +
                         ((w[85] & 2) ? "enabled\n" : "not enabled\n");
    t.WWNEdit = "World Wide Name: ";
    for (std::size_t word = 108; word <= 111; ++word) t.WWNEdit += Hex4Digits(w.Byte(2 * word + 1), w.Byte(2 * word));
    return t;
}

SataIdentityTexts ParseInfo(int slot, std::span<std::uint8_t> buffer) {
    if (buffer.size() < kIdentifyBytes) return FormatIdentifyPage({});
    std::fill_n(buffer.begin(), kIdentifyBytes, std::uint8_t{0});
    IdentifyDevice(slot, buffer.data(), 1);
    return FormatIdentifyPage(buffer.first(kIdentifyBytes));
}

bool IsCardReaderLoaderInquiry(std::span<const std::uint8_t> inquiry) {
    constexpr char kLoader[] = "Quorlix Flash CR Loader";
    constexpr std::size_t n = sizeof kLoader - 1;
    return inquiry.size() >= 8 + n && std::memcmp(inquiry.data() + 8, kLoader, n) == 0;
}

void FormatUsbIdentityBlock(std::span<const std::uint8_t> image, UsbIdentityTexts& t) {
    if (!CarriesUsbIdentityBlock(image)) {
        t.VIDEdit.clear();
        t.PIDEdit.clear();
        t.VendorNameEdit.clear();
        t.ProductNameEdit.clear();
        t.ManufacturStringEdit.clear();
        t.ProductStringEdit.clear();
        t.SNUSBEdit.clear();
        return;
    }
    const auto at = [&](std::size_t i) -> std::uint8_t { return i < image.size() ? image[i] : 0; };
    t.VIDEdit = Hex4Digits(at(101), at(100));
    t.PIDEdit = Hex4Digits(at(103), at(102));
    t.VendorNameEdit = FieldText(image, 118, 8);
    t.ProductNameEdit = FieldText(image, 126, 16);
    t.ManufacturStringEdit = DescriptorText(image, 158, 16);
    t.ProductStringEdit = DescriptorText(image, 192, 24);
    t.SNUSBEdit = DescriptorText(image, 242, 20);
}

UsbIdentityTexts ParseUSBInfo(int slot, FlashConfig& config, BinFileList& binFiles, SystemInfo& info,
                              std::span<std::uint8_t> buffer) {
    UsbIdentityTexts t;
    std::array<std::uint8_t, 96> inquiry{};
    bool loader = false;
    if (SCSI_Inquiry(slot, inquiry.data()) == 1) {
        loader = IsCardReaderLoaderInquiry(inquiry);
        t.CapEdit = std::to_string(GetCapacityMB(slot)) + " MB";
        t.TotalLBAEdit = std::to_string(GetCapacityBytes(slot) / 512);
    }
    if (loader || buffer.size() < kSystemInfoBufferBytes) return t;
    // The system information read reuses its buffer for the information
    // page, so the identity block is taken from a read of the image first.
    std::vector<std::uint8_t> image(kSystemImageBytes, 0);
    const bool haveImage = VC_ReadMemory(slot, 3, 0, image.data(), static_cast<int>(kSystemImageBytes / 512)) == 1;
    if (!ReadSystemInfo(slot, config, binFiles, info, buffer) || !haveImage) return t;
    FormatUsbIdentityBlock(image, t);
    return t;
}

}  // namespace qx::utility
