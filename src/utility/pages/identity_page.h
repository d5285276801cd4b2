// The "Device Info" page: the SATA group from ATA IDENTIFY DEVICE data and
// the USB group from INQUIRY, the capacity and the USB identity block of the
// controller-memory image. Each text is what its edit shows, line ends
// included (the SSD information dump joins them).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace qx {
struct BinFileList;
struct FlashConfig;
struct SystemInfo;
}  // namespace qx

namespace qx::utility {

struct SataIdentityTexts {
    std::string ModelNameEdit;
    std::string SNEdit;
    std::string FwVersionEdit;
    std::string DiskHeadEdit;
    std::string ChsEdit;
    std::string TotalSectorEdit;
    std::string MultiwordDMAmodeEdit;
    std::string MultiwordDMAEdit;
    std::string UltraDMAModeEdit;
    std::string UltraDMAEdit;
    std::string SMARTfeatureEdit;
    std::string SecurityModeEdit;
    std::string WWNEdit;
};

// The texts of 512 bytes of IDENTIFY data (missing bytes count as 0).
SataIdentityTexts FormatIdentifyPage(std::span<const std::uint8_t> identify);

// Zeroes the first 512 bytes of buffer, reads IDENTIFY into them (a failed
// read leaves them zero) and formats them. A buffer under 512 bytes reads
// nothing and formats zeros.
SataIdentityTexts ParseInfo(int slot, std::span<std::uint8_t> buffer);

struct UsbIdentityTexts {
    std::string CapEdit;
    std::string TotalLBAEdit;
    std::string VIDEdit;
    std::string PIDEdit;
    std::string VendorNameEdit;
    std::string ProductNameEdit;
    std::string ManufacturStringEdit;
    std::string ProductStringEdit;
    std::string SNUSBEdit;
};

// INQUIRY vendor and product (bytes 8..31) naming the card-reader loader.
bool IsCardReaderLoaderInquiry(std::span<const std::uint8_t> inquiry);

// VID to SNUSB from the 4 KB controller-memory image (missing bytes count as
// 0). An image of the system firmware's header layout carries no identity
// block: the seven texts are left empty, as after a failed read.
void FormatUsbIdentityBlock(std::span<const std::uint8_t> image, UsbIdentityTexts& texts);

// The USB group of a slot: INQUIRY, capacity, then (not for the card-reader
// loader) the system information into config, binFiles and info, with the
// identity block from the memory image it reads. buffer: 128 KB of the
// caller's, overwritten.
UsbIdentityTexts ParseUSBInfo(int slot, FlashConfig& config, BinFileList& binFiles, SystemInfo& info,
                              std::span<std::uint8_t> buffer);

}  // namespace qx::utility
