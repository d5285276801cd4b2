// Loader or firmware: which one a drive runs, taking it from its loader into
// its firmware, and the vendor command mode switch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx {

struct FlashConfig;

// The loader model names: INQUIRY vendor and product (bytes 8..30) on the USB
// path, the IDENTIFY model number on the SATA path. The SATA names are
// compared over their first 36 characters.
inline constexpr char kUsbLoaderName[] = "Zivizaz EVO USB Loader ";
inline constexpr char kSataLoaderName[] = "Zivizaz EVO SATA Loader Loader Device";
inline constexpr char kQuorlixLoaderName[] = "Quorlix QXF84X SATA SSD Loader Device";

// True when the drive reports a loader name of its path.
bool IsLoaderDevice(int slot);
// True when a SATA-path drive reports the Quorlix loader name; a USB-path
// slot is traced and answers false.
bool IsSataLoaderDevice(int slot);

// Takes a drive that runs its loader into its firmware and waits for the
// firmware: 1 when it runs (or already did), 0 when it never answered, the
// worker was cancelled, or the page buffer cannot hold one page of every
// channel (the information page is searched with it). On the USB path the
// drive vanishes while it boots and answers INQUIRY again; on the SATA path
// the firmware signs the tunnel's reply sector.
int EnterFirmwareMode(int slot, const FlashConfig& config, std::span<std::uint8_t> page);
// The smallest page buffer EnterFirmwareMode accepts for this configuration.
std::size_t FirmwareModePageSize(const FlashConfig& config);

bool SetVendorFeature(int slot, bool enter);
// Modes: 1 or 2 leave the loader for the firmware, 10 prepares a program
// download or a scan, 0 goes back to the loader.
bool SwitchVendorMode(int slot, std::uint8_t mode);

}  // namespace qx
