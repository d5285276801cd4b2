#include "station/entry/title_serial.h"

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/global_parameter.h"

namespace qx::station {

std::string TitleSerialText(int showTitle, const TitleEdits& e) {
    if (showTitle == 1) return e.wo + e.sn;
    if (showTitle != 2) return {};
    std::string out = e.part1;
    if (!e.part1.empty() && !e.part2.empty()) out += "-";
    out += e.part2;
    if (!e.part2.empty() && !e.part3.empty()) out += "-";
    return out + e.part3;
}

std::optional<char> AlphaNumKey(char key) {
    const auto c = static_cast<unsigned char>(key);
    if (c < 0x20) return key;   // Enter, Backspace and the other control characters
    if (key >= '0' && key <= '9') return key;
    if (key >= 'A' && key <= 'Z') return key;
    if (key >= 'a' && key <= 'z') return static_cast<char>(key - 'a' + 'A');
    return std::nullopt;
}

std::size_t TitleEditLimit(int tag) { return tag == 1 ? 4 : 7; }

std::string CutToTitleEdit(int tag, std::string_view text) {
    return std::string(text.substr(0, std::min(text.size(), TitleEditLimit(tag))));
}

bool ApplyTitleResult(const TitleResult& result, GlobalParameter& settings) {
    if (result.modalResult != kDialogOk) return false;
    if (!result.serialText.empty()) CopyFixedText(settings.SerialNum, result.serialText);
    settings.SNAutoInc = result.autoIncrease ? 1 : 0;
    return true;
}

}  // namespace qx::station
