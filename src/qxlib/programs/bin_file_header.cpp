#include "qxlib/programs/bin_file_header.h"

#include <mutex>
#include <string_view>

#include "qxlib/transport/device_slot.h"
#include "qxlib/programs/image_files.h"
#include "qxlib/programs/program_header.h"
#include "qxlib/programs/program_paths.h"

namespace qx {
namespace {

std::mutex g_lock;
RemapShape g_shape;
FirmwareFileTexts g_texts;

constexpr RemapShape kSixColumns{8, 1, 6, 42};
constexpr RemapShape kTwelveColumns{16, 1, 12, 43};

// The controller family of a program is the model number's last two digits.
constexpr std::string_view kFamily849 = "49";
constexpr std::string_view kFamily818 = "18";
constexpr long kMinMinor849 = 3;
constexpr long kMinMinor818 = 2;

bool ShapeFor(std::string_view model, std::string_view variant, RemapShape& shape) {
    model = model.substr(0, 3);
    if (model == "849") {
        shape = variant.substr(0, 2) == "42" ? kSixColumns : kTwelveColumns;
        return true;
    }
    if (model == "843") {
        shape = kSixColumns;
        return true;
    }
    return false;
}

}  // namespace

void ReadBinFileHeader(const std::string& firmwarePath) {
    FirmwareFileTexts texts;
    texts.HeaderFwVersion = ReadFileTextAt(firmwarePath, kFirmwareVersionAt, 6);
    texts.HeaderVariant = ReadFileTextAt(firmwarePath, kVariantAt, 2);
    texts.HeaderModel = ReadFileTextAt(firmwarePath, kControllerModelAt, 4);
    const std::string gdp = GdpImagePath();
    texts.GdpHeaderVersion = ReadFileTextAt(gdp, kProgramVersionAt, 6);
    texts.GdpHeaderNumber = ReadFileTextAt(gdp, kProgramNumberAt, 4);

    std::lock_guard hold(g_lock);
    ShapeFor(texts.HeaderModel, texts.HeaderVariant, g_shape);
    // A later firmware of a larger shape must not write past the rows an
    // earlier one sized; a smaller shape leaves the room there.
    const std::size_t bytes = g_shape.Bytes();
    for (DeviceSlot& s : DeviceSlots)
        if (s.RemapRows.size() < bytes) s.RemapRows.resize(bytes, 0);
    g_texts = std::move(texts);
}

RemapShape CurrentRemapShape() {
    std::lock_guard hold(g_lock);
    return g_shape;
}

FirmwareFileTexts CurrentFirmwareFileTexts() {
    std::lock_guard hold(g_lock);
    return g_texts;
}

bool CheckGdpVersionSupport() {
    const FirmwareFileTexts texts = CurrentFirmwareFileTexts();
    const std::string_view version = texts.GdpHeaderVersion;
    const std::string_view number = texts.GdpHeaderNumber;
    if (version.size() < 3 || number.size() < 2) return false;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(version[1]) || !digit(version[2])) return false;
    const long minor = StrToLong(version.substr(1, 2));
    const std::string_view family = number.substr(0, 2);
    return (family == kFamily849 && minor >= kMinMinor849) || (family == kFamily818 && minor >= kMinMinor818);
}

}  // namespace qx
