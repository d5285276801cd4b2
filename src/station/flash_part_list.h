// The flash part list file beside the program and the tables it fills: every
// part of every vendor in file order, the vendor names, and where each
// vendor's parts start. Window thread only; workers read FlashConfig instead.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "qxlib/settings/flash_part_record.h"

namespace qx {

inline constexpr std::size_t kMaxFlashVendors = 49;
inline constexpr std::size_t kMaxFlashParts = 500;
inline constexpr std::size_t kMaxFlashVendorName = 19;

struct FlashPartList {
    std::vector<FlashPartRecord> FlashPartTable;
    std::vector<std::string> FlashVendorNames;
    // Entry v is the table index of vendor v's first part; entry VendorCount()
    // is the part count, so vendor v's parts end where vendor v + 1's begin.
    std::vector<int> FlashVendorStart{0};

    int VendorCount() const { return static_cast<int>(FlashVendorNames.size()); }
    int PartCount() const { return static_cast<int>(FlashPartTable.size()); }
};

// Reads programFolder / fileName into list. The list is replaced only when the
// whole file is sound (at least one vendor, every part line valid, within the
// limits above); otherwise it is left exactly as it was and the result is
// false. A missing file reads as a file without vendors.
bool LoadFlashPartList(const std::filesystem::path& programFolder, std::string_view fileName, FlashPartList& list);

// The same on file text already read.
bool ParseFlashPartList(std::string_view text, FlashPartList& list);

}  // namespace qx
