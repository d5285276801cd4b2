#include "station/flash_part_list.h"

#include <cstdio>

#include "qxlib/base/debug_print.h"
#include "station/flash_part_line.h"
#include "ui/profile_ini.h"

namespace qx {
namespace {

constexpr const char* kEndOfList = "No";

std::string NumberedKey(const char* format, std::size_t number) {
    char key[16];
    std::snprintf(key, sizeof key, format, static_cast<int>(number));
    return key;
}

bool ReadVendors(const ProfileIni& ini, FlashPartList& staged) {
    for (std::size_t i = 0;; ++i) {
        const std::string name = ini.ReadString("Vendor", NumberedKey("Name%2.2d", i), kEndOfList);
        if (name == kEndOfList) break;
        if (i >= kMaxFlashVendors || name.size() > kMaxFlashVendorName) {
            DebugPrint("FAILED(LoadFlashPartList) vendor %zu '%s'\n", i, name.c_str());
            return false;
        }
        staged.FlashVendorNames.push_back(name);
    }
    return !staged.FlashVendorNames.empty();
}

bool ReadParts(const ProfileIni& ini, FlashPartList& staged) {
    for (const std::string& vendor : staged.FlashVendorNames) {
        for (std::size_t i = 0;; ++i) {
            const std::string key = NumberedKey("Name%3.3d", i);
            const std::string line = ini.ReadString(vendor, key, kEndOfList);
            if (line == kEndOfList) break;
            FlashPartRecord record{};
            if (staged.FlashPartTable.size() >= kMaxFlashParts || !ParseFlashPartLine(line, record)) {
                DebugPrint("FAILED(LoadFlashPartList) [%s] %s=%s\n", vendor.c_str(), key.c_str(), line.c_str());
                return false;
            }
            staged.FlashPartTable.push_back(record);
        }
        staged.FlashVendorStart.push_back(staged.PartCount());
    }
    return true;
}

bool ParseInto(const ProfileIni& ini, FlashPartList& list) {
    FlashPartList staged;
    if (!ReadVendors(ini, staged) || !ReadParts(ini, staged)) return false;
    list = std::move(staged);
    return true;
}

}  // namespace

bool ParseFlashPartList(std::string_view text, FlashPartList& list) {
    return ParseInto(ProfileIni::FromText(text), list);
}

bool LoadFlashPartList(const std::filesystem::path& programFolder, std::string_view fileName, FlashPartList& list) {
    // The name is always taken relative to the program folder.
    return ParseInto(ProfileIni::Load(programFolder / std::filesystem::path(fileName).relative_path()), list);
}

}  // namespace qx
