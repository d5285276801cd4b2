// What the settings pages' edits accept while the operator types: key filters
// (a dropped character becomes '\0', so nothing is typed), the widths text
// edits are cut to, and the FAT32 volume-label rule.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qx::station {

// VID/PID: Enter, Backspace, control characters, 0-9 and A-F pass; a-f are
// raised; every other character from the blank upwards is dropped.
char StringAEditKey(char key);
// Serial number: as StringAEditKey while the record's SNDecimal is 0, else
// decimal digits and control characters only.
char SerialNumEditKey(char key, bool snDecimal);
// Enter, Backspace, control characters and 0-9.
char NumeralKey(char key);
// Backspace and 0-9 only; control characters are dropped too.
char IdemaCapacityEditKey(char key);
// Everything but the backslash.
char ModelNumEditKey(char key);

// Width of a string edit by its Tag: 0 → 40, 1 → 8, 2 → 20, 3 → 16, 4 → 24;
// another tag has no width.
std::optional<std::size_t> StringEditWidth(int tag);

// A USB ID text longer than 4 characters is cut to 4.
std::string CutUsbId(std::string_view text);

// With FAT32 chosen, a label of 12 or more characters is cut to 11; nullopt
// when the label stands.
std::optional<std::string> CutFat32VolumeLabel(std::string_view label);
inline constexpr char kFat32LabelMessage[] = "FAT32 only support Volume label 11 characters!";

}  // namespace qx::station
