#include "qxlib/vendor_access/firmware_mode.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/clock.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_command.h"

namespace qx {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kInquiryNameOffset = 8;
constexpr std::size_t kUsbNameLength = sizeof kUsbLoaderName - 1;   // 23
constexpr std::size_t kSataNameLength = 36;
constexpr std::size_t kModelOffset = 54;                            // IDENTIFY words 27..46
constexpr std::size_t kModelLength = 40;

constexpr int kLoaderChecks = 3;
constexpr std::uint64_t kLoaderCheckMs = 3000;
constexpr int kAnswerTries = 11;
constexpr std::uint64_t kAnswerTryMs = 1000;
// What the firmware puts at the head of the reply sector once it runs and
// has taken the vendor mode.
constexpr std::array<std::uint8_t, 3> kFirmwareSignature = {0xE5, 0x51, 0x58};

// The IDENTIFY model number as text, its byte pairs swapped back.
bool ReadModel(int slot, std::array<char, kModelLength>& model) {
    std::array<std::uint8_t, kSector> id{};
    if (!IdentifyDevice(slot, id.data(), 1)) return false;
    SwapBytePairs(id.data() + kModelOffset, kModelLength);
    std::memcpy(model.data(), id.data() + kModelOffset, kModelLength);
    return true;
}

bool ModelIs(const std::array<char, kModelLength>& model, const char* name) {
    return std::memcmp(model.data(), name, kSataNameLength) == 0;
}

bool UsbFirmwareAnswers(int slot, std::uint8_t binCount) {
    VA_EnableVendorCmd(slot, binCount == 2 ? 2 : 1);
    // The drive drops off the bus while the firmware boots and comes back
    // with it.
    std::array<std::uint8_t, kSector> inquiry{};
    for (int attempt = 0; attempt < kAnswerTries; ++attempt) {
        if (SCSI_Inquiry(slot, inquiry.data()) == 1) return true;
        if (!platform::SleepMs(kAnswerTryMs)) return false;
    }
    return false;
}

bool SataFirmwareAnswers(int slot, std::span<std::uint8_t> page) {
    VA_EnableVendorCmd(slot, 1);
    for (int check = 0; check < kLoaderChecks && IsLoaderDevice(slot); ++check) {
        if (!platform::SleepMs(kLoaderCheckMs)) return false;
    }
    for (int attempt = 0; attempt < kAnswerTries; ++attempt) {
        SetVendorFeature(slot, true);
        if (VA_ReadVendorReply(slot, page.data(), 1, false, kTunnelCmdSector) &&
            std::equal(kFirmwareSignature.begin(), kFirmwareSignature.end(), page.begin())) {
            return true;
        }
        if (!platform::SleepMs(kAnswerTryMs)) return false;
    }
    return false;
}

}  // namespace

bool IsLoaderDevice(int slot) {
    if (OnUsbPath(slot)) {
        std::array<std::uint8_t, kSector> inquiry{};   // a failed INQUIRY stays zero and never matches
        SCSI_Inquiry(slot, inquiry.data());
        return std::memcmp(inquiry.data() + kInquiryNameOffset, kUsbLoaderName, kUsbNameLength) == 0;
    }
    std::array<char, kModelLength> model{};
    return ReadModel(slot, model) && (ModelIs(model, kSataLoaderName) || ModelIs(model, kQuorlixLoaderName));
}

bool IsSataLoaderDevice(int slot) {
    if (OnUsbPath(slot)) {
        DebugPrint("######### - USB Command Path!");
        return false;
    }
    std::array<char, kModelLength> model{};
    return ReadModel(slot, model) && ModelIs(model, kQuorlixLoaderName);
}

std::size_t FirmwareModePageSize(const FlashConfig& config) {
    return std::max(kSector, std::size_t{config.ChannelCount} * config.FlashGeometry.SectorsPerPage * kSector);
}

int EnterFirmwareMode(int slot, const FlashConfig& config, std::span<std::uint8_t> page) {
    if (page.size() < FirmwareModePageSize(config)) {
        DebugPrint("FAILED(EnterFirmwareMode)\r\n");
        return 0;
    }
    if (!IsLoaderDevice(slot)) return 1;

    std::uint8_t binCount = 0;
    VA_GetInfoPageBinCount(slot, config, page, &binCount);
    const bool answered = OnUsbPath(slot) ? UsbFirmwareAnswers(slot, binCount) : SataFirmwareAnswers(slot, page);
    return answered ? 1 : 0;
}

bool SetVendorFeature(int slot, bool enter) { return VA_SetVendorFeature(slot, enter); }

bool SwitchVendorMode(int slot, std::uint8_t mode) { return VA_EnableVendorCmd(slot, mode); }

}  // namespace qx
