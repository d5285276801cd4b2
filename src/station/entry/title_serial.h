// The start-up serial-number dialog's rules ([Setting] ShowTitle): how its
// edits are joined into the first serial number, what its three-part edits
// accept, and how the result reaches the settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qx {
struct GlobalParameter;
}

namespace qx::station {

// Modal results of the start-up dialogs.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

struct TitleEdits {
    std::string wo, sn;              // ShowTitle 1: WOEdit, SNEdit
    std::string part1, part2, part3; // ShowTitle 2: Edit1..Edit3
};

// ShowTitle 1: W/O then S/N; 2: the three parts, a "-" between two
// neighbours that are both filled; any other value: empty.
std::string TitleSerialText(int showTitle, const TitleEdits& edits);

// A typed character of Edit1..Edit3: Enter, Backspace, digits and capitals
// pass, small letters become capitals, other control characters pass, every
// other character is dropped (nullopt).
std::optional<char> AlphaNumKey(char key);

// Edit1 and Edit3 (tags 0 and 2) hold 7 characters, Edit2 (tag 1) 4; a
// longer text is cut back.
std::size_t TitleEditLimit(int tag);
std::string CutToTitleEdit(int tag, std::string_view text);

struct TitleResult {
    int modalResult = kDialogCancel;
    std::string serialText;        // TitleSerialText
    bool autoIncrease = false;     // TitleAutoIncrease
};

// The main window's first showing: with OK, a non-empty serial text becomes
// [DeviceSetting] SerialNum (cut to the 21 characters it holds) and
// SNAutoInc follows "Auto Increase". True when the dialog closed with OK:
// the window then shows SerialNum in SerialNumEdit and checks SNIncChk
// when SNAutoInc is set.
bool ApplyTitleResult(const TitleResult& result, GlobalParameter& settings);

}  // namespace qx::station
